// The input editor, driven through the real window: typed characters, the
// editing keys, table mode and its scrolling, mouse placement, the blink,
// and what the pane shows in pixels.
#include <QRegularExpression>
#include <QtTest>

#include "window_test_support.h"

using namespace wt;

namespace {

// Grid contents as "r=text" (formula row r) or "Lr=text" (table line r),
// separated by ";".
void Fill(tervo::Engine& e, const QString& cells) {
  for (const QString& item : cells.split(QLatin1Char(';'), Qt::SkipEmptyParts)) {
    const int eq = item.indexOf(QLatin1Char('='));
    const QString where = item.left(eq);
    const std::string text = item.mid(eq + 1).toStdString();
    if (where.startsWith(QLatin1Char('L'))) {
      auto& line = e.TableGrid[where.mid(1).toInt()];
      for (size_t i = 0; i < text.size(); ++i) line[i] = text[i];
    } else {
      auto& row = e.FormulaGrid[where.toInt()];
      for (size_t i = 0; i < text.size(); ++i) row[i] = text[i];
    }
  }
}

QString Contents(const tervo::Engine& e, const QString& cells) {
  QStringList got;
  for (const QString& item : cells.split(QLatin1Char(';'), Qt::SkipEmptyParts)) {
    const QString where = item.left(item.indexOf(QLatin1Char('=')));
    const std::string text = where.startsWith(QLatin1Char('L')) ? TableLine(e, where.mid(1).toInt())
                                                                : FormulaRow(e, where.toInt());
    got << where + QLatin1Char('=') + QString::fromStdString(text);
  }
  return got.join(QLatin1Char(';'));
}

// Plays a script: plain characters are typed; <Key> names a key; <@c,r>
// clicks the cell (c, r) of the current mode; <p x,y> clicks a pixel;
// <S n> sets the table view's scroll position; <Table> and <Formula> click
// the input mode buttons.
void Play(TForm1& form, const QString& script) {
  static const QHash<QString, Qt::Key> keys = {
      {"Left", Qt::Key_Left}, {"Right", Qt::Key_Right},   {"Up", Qt::Key_Up},         {"Down", Qt::Key_Down},
      {"Home", Qt::Key_Home}, {"End", Qt::Key_End},       {"Ins", Qt::Key_Insert},    {"BS", Qt::Key_Backspace},
      {"Del", Qt::Key_Delete}, {"Enter", Qt::Key_Return}, {"Esc", Qt::Key_Escape},
  };
  auto* pane = Child<InputPane>(form, "inputbox");
  static const QRegularExpression token(QStringLiteral("<([^>]+)>|(.)"));
  auto it = token.globalMatch(script);
  while (it.hasNext()) {
    const auto m = it.next();
    const QString name = m.captured(1);
    if (name.isEmpty()) {
      Type(form, m.captured(2));
    } else if (keys.contains(name)) {
      Key(form, keys[name]);
    } else if (name == QLatin1String("C-N")) {
      Key(form, Qt::Key_N, Qt::ControlModifier);
    } else if (name == QLatin1String("C-Y")) {
      Key(form, Qt::Key_Y, Qt::ControlModifier);
    } else if (name == QLatin1String("Table")) {
      Click(form, "tablebtn");
    } else if (name == QLatin1String("Formula")) {
      Click(form, "forminbtn");
    } else if (name.startsWith(QLatin1Char('@'))) {
      const QStringList cr = name.mid(1).split(QLatin1Char(','));
      const int c = cr[0].toInt(), r = cr[1].toInt();
      QTest::mouseClick(pane, Qt::LeftButton, {}, QPoint(pane->CellX(c) + 3, 18 * r + 9));
    } else if (name.startsWith(QLatin1Char('p'))) {
      const QStringList xy = name.mid(1).split(QLatin1Char(','));
      QTest::mouseClick(pane, Qt::LeftButton, {}, QPoint(xy[0].toInt(), xy[1].toInt()));
    } else if (name.startsWith(QLatin1Char('S'))) {
      Child<QScrollBar>(form, "inputscrollbar")->setValue(name.mid(1).toInt());
    } else {
      qFatal("unknown script token %s", qPrintable(name));
    }
  }
}

}  // namespace

class EditorTest : public QObject {
  Q_OBJECT
 private slots:
  void keysEditTheGrid_data();
  void keysEditTheGrid();
  void modeSwitchKeepsBothGridsAndResetsTheCursor();
  void keysTypedIntoAControlReachTheEditor();
  void typedCharacterSitsInItsCell();
  void cursorBarStandsAtItsColumn_data();
  void cursorBarStandsAtItsColumn();
  void tableViewShowsColoursAndLineNumbers();
  void cursorBlinksEightHundredOnTwoHundredOff();
};

void EditorTest::keysEditTheGrid_data() {
  QTest::addColumn<QString>("before");  // grid contents before the script
  QTest::addColumn<QString>("script");
  QTest::addColumn<QString>("after");  // the same cells afterwards
  QTest::addColumn<QPoint>("cursor");  // (column, row)
  QTest::addColumn<int>("scroll");     // table view position

  // Formula mode.
  QTest::newRow("typing a + b stores A + B") << "0=" << "a+b" << "0=A+B" << QPoint(3, 0) << 0;
  QTest::newRow("characters outside the language are ignored") << "0=" << "1*2?%" << "0=" << QPoint(0, 0) << 0;
  QTest::newRow("Enter in insert mode splits the row")
      << "0=A+B;1=X;29=Z" << "<@1,0><Enter>" << "0=A;1=+B;2=X;29=" << QPoint(0, 1) << 0;
  QTest::newRow("Enter in overwrite mode on row 29 only moves")
      << "29=Q" << "<Ins><@5,29><Enter>" << "29=Q" << QPoint(0, 29) << 0;
  QTest::newRow("Backspace in column 0 does nothing") << "0=AB" << "<BS>" << "0=AB" << QPoint(0, 0) << 0;
  QTest::newRow("Backspace deletes left of the cursor") << "0=ABC" << "<@2,0><BS>" << "0=AC" << QPoint(1, 0) << 0;
  QTest::newRow("Delete closes the row up") << "0=ABC" << "<@1,0><Del>" << "0=AC" << QPoint(1, 0) << 0;
  QTest::newRow("Left in column 0 goes up a row") << "" << "<@0,5><Left>" << "" << QPoint(0, 4) << 0;
  QTest::newRow("Left at the top left stays") << "" << "<Left>" << "" << QPoint(0, 0) << 0;
  QTest::newRow("Right in column 39 wraps") << "" << "<@39,0><Right>" << "" << QPoint(0, 1) << 0;
  QTest::newRow("Right at the bottom right stays") << "" << "<@39,29><Right>" << "" << QPoint(39, 29) << 0;
  QTest::newRow("End on a blank row goes to column 0") << "" << "<@7,3><End>" << "" << QPoint(0, 3) << 0;
  QTest::newRow("End stands on the last character") << "0=A+B" << "<@9,0><End>" << "0=A+B" << QPoint(2, 0) << 0;
  QTest::newRow("Home goes to column 0, then to row 0") << "" << "<@5,3><Home>" << "" << QPoint(0, 3) << 0;
  QTest::newRow("Home in column 0 goes to row 0") << "" << "<@0,3><Home>" << "" << QPoint(0, 0) << 0;
  QTest::newRow("Up and Down stop at the edges") << "" << "<Up><@0,29><Down>" << "" << QPoint(0, 29) << 0;
  QTest::newRow("Ctrl+N opens a row") << "0=A;1=B" << "<@3,1><C-N>" << "0=A;1=;2=B" << QPoint(0, 1) << 0;
  QTest::newRow("Ctrl+Y deletes a row") << "0=A;1=B;2=C;29=Z" << "<@2,1><C-Y>" << "0=A;1=C;28=Z;29=" << QPoint(0, 1)
                                        << 0;
  QTest::newRow("overwrite typing replaces") << "0=ABC" << "<Ins>xy" << "0=XYC" << QPoint(2, 0) << 0;
  QTest::newRow("insert pushes column 39 out")
      << "0=" + QString(39, 'A') + "B" << "c" << "0=C" + QString(39, 'A') << QPoint(1, 0) << 0;

  // Table mode.
  QTest::newRow("table header takes letters only") << "" << "<Table>ab2c" << "L0=ABC" << QPoint(3, 0) << 0;
  QTest::newRow("table term row takes 0, 1 and blank")
      << "" << "<Table><@0,1>1a02 1" << "L1=10 1" << QPoint(4, 1) << 0;
  QTest::newRow("table Up on row 1 at the top goes to the header")
      << "" << "<Table><@3,1><Up>" << "" << QPoint(3, 0) << 0;
  QTest::newRow("table Up on row 1 scrolls back") << "" << "<Table><S5><@3,1><Up>" << "" << QPoint(3, 1) << 4;
  QTest::newRow("table Down on row 29 scrolls") << "" << "<Table><@0,29><Down>" << "" << QPoint(0, 29) << 1;
  QTest::newRow("table Down at the last position stays")
      << "" << "<Table><S71><@0,29><Down>" << "" << QPoint(0, 29) << 71;
  QTest::newRow("table Ctrl+Y deletes the shown line")
      << "L11=1;L12=0;L100=11" << "<Table><S10><@4,1><C-Y>" << "L11=0;L99=11;L100=" << QPoint(0, 1) << 10;
  QTest::newRow("table Ctrl+N opens a line, the last is lost")
      << "L1=1;L2=0;L100=11" << "<Table><@0,1><C-N>" << "L1=;L2=1;L3=0;L100=" << QPoint(0, 1) << 0;
  QTest::newRow("table Ctrl+N on the header does nothing")
      << "L0=AB;L1=1" << "<Table><C-N>" << "L0=AB;L1=1" << QPoint(0, 0) << 0;
  QTest::newRow("table typing never scrolls")
      << "" << "<Table><@14,29>10" << "L29=              0" << QPoint(14, 29) << 0;
  QTest::newRow("table Enter on row 29 scrolls") << "" << "<Table><@5,29><Enter>" << "" << QPoint(0, 29) << 1;
  QTest::newRow("table Home in column 0 goes to row 1") << "" << "<Table><@0,5><Home>" << "" << QPoint(0, 1) << 0;
  QTest::newRow("table End on the header") << "L0=ABC" << "<Table><End>" << "L0=ABC" << QPoint(2, 0) << 0;
  QTest::newRow("table Backspace closes up 15 columns")
      << "L1=101" << "<Table><@1,1><BS>" << "L1=01" << QPoint(0, 1) << 0;
  QTest::newRow("table click right of the last column takes column 14")
      << "" << "<Table><p380,40>" << "" << QPoint(14, 2) << 0;
  QTest::newRow("table click on the margin takes column 0") << "" << "<Table><p10,100>" << "" << QPoint(0, 5) << 0;
  QTest::newRow("formula click") << "" << "<p35,40>" << "" << QPoint(3, 2) << 0;
}

void EditorTest::keysEditTheGrid() {
  QFETCH(QString, before);
  QFETCH(QString, script);
  QFETCH(QString, after);
  QFETCH(QPoint, cursor);
  QFETCH(int, scroll);
  auto form = ShownWindow();
  Fill(form->engine(), before);
  Play(*form, script);
  QCOMPARE(Contents(form->engine(), after), after);
  QCOMPARE(QPoint(form->editor().CursorCol, form->editor().CursorRow), cursor);
  QCOMPARE(form->editor().ScrollPos, scroll);
  QCOMPARE(Child<QScrollBar>(*form, "inputscrollbar")->value(), scroll);
}

void EditorTest::modeSwitchKeepsBothGridsAndResetsTheCursor() {
  auto form = ShownWindow();
  Type(*form, "a+b");
  Play(*form, "<Ins><@2,3><Table>");
  QCOMPARE(form->Message(), QStringLiteral("enter truth table..."));
  QVERIFY(Child<QScrollBar>(*form, "inputscrollbar")->isVisible());
  QVERIFY(!form->editor().InsertMode);
  QVERIFY(!Child<QWidget>(*form, "insertlabel")->isEnabled());
  QVERIFY(!Child<QWidget>(*form, "dnfBtn")->isEnabled());
  Type(*form, "c");
  Play(*form, "<Formula>");
  QCOMPARE(FormulaRow(form->engine(), 0), std::string("A+B"));
  QCOMPARE(TableLine(form->engine(), 0), std::string("C"));
  QCOMPARE(QPoint(form->editor().CursorCol, form->editor().CursorRow), QPoint(0, 0));
  QVERIFY(form->editor().InsertMode);
  QCOMPARE(Child<QLabel>(*form, "insertlabel")->text(), QStringLiteral("insert"));
  QVERIFY(!Child<QScrollBar>(*form, "inputscrollbar")->isVisible());
  QCOMPARE(form->Message(), QStringLiteral("enter formula..."));

  // The clear button empties only the grid of the current mode.
  Click(*form, "inclearBtn");
  QCOMPARE(FormulaRow(form->engine(), 0), std::string());
  QCOMPARE(TableLine(form->engine(), 0), std::string("C"));
  QCOMPARE(form->windowTitle(), QStringLiteral("tervo42:"));
}

void EditorTest::keysTypedIntoAControlReachTheEditor() {
  auto form = ShownWindow();
  // Even a key sent straight to a control goes to the window first.
  QTest::keyClicks(Child<QWidget>(*form, "reducecheckbox"), "a b");
  QTest::keyClick(Child<QWidget>(*form, "outputscrollbar"), Qt::Key_Down);
  QCOMPARE(FormulaRow(form->engine(), 0), std::string("A B"));
  QCOMPARE(form->editor().CursorRow, 1);
  QCOMPARE(Child<QScrollBar>(*form, "outputscrollbar")->value(), 0);
  // Tab moves no focus; no control holds the focus.
  Key(*form, Qt::Key_Tab);
  for (QWidget* w : form->findChildren<QWidget*>()) QVERIFY2(!w->hasFocus(), qPrintable(w->objectName()));
  Click(*form, "reducecheckbox");
  Click(*form, "cnfBtn");
  for (QWidget* w : form->findChildren<QWidget*>()) QVERIFY2(!w->hasFocus(), qPrintable(w->objectName()));
}

void EditorTest::typedCharacterSitsInItsCell() {
  auto form = ShownWindow();
  auto* pane = Child<InputPane>(*form, "inputbox");
  // Characters in the even cells 0..8 of row 2, among them wide ones.
  Play(*form, "<@0,2>W M A + B");
  Play(*form, "<@20,10>");  // cursor away from the row
  const QImage img = Grab(pane);
  for (int c = 0; c <= 8; c += 2) {
    const QRect cell(10 * c, 36, 10, 18);
    const QRect ink = InkBox(img, cell.adjusted(-2, -2, 2, 2), kPaneColor);
    QVERIFY2(!ink.isNull(), qPrintable(QString("no ink in cell %1").arg(c)));
    QVERIFY2(cell.contains(ink), qPrintable(QString("cell %1 ink %2,%3 %4x%5")
                                                .arg(c)
                                                .arg(ink.x())
                                                .arg(ink.y())
                                                .arg(ink.width())
                                                .arg(ink.height())));
  }
  QVERIFY(!HasInk(img, QRect(90, 36, 310, 18), kPaneColor));
  QVERIFY(!HasInk(img, QRect(0, 0, 400, 36), kPaneColor));
}

void EditorTest::cursorBarStandsAtItsColumn_data() {
  QTest::addColumn<QString>("script");
  QTest::addColumn<int>("x");
  QTest::addColumn<int>("row");
  QTest::newRow("formula column 0") << "" << 1 << 0;
  QTest::newRow("formula column 7 row 4") << "<@7,4>" << 71 << 4;
  QTest::newRow("formula column 39") << "<@39,29>" << 391 << 29;
  QTest::newRow("table column 0 row 1") << "<Table><@0,1>" << 60 << 1;
  QTest::newRow("table column 14 header") << "<Table><@14,0>" << 340 << 0;
}

void EditorTest::cursorBarStandsAtItsColumn() {
  QFETCH(QString, script);
  QFETCH(int, x);
  QFETCH(int, row);
  auto form = ShownWindow();
  Play(*form, script);
  Key(*form, Qt::Key_Insert);  // any key shows the bar at once
  Key(*form, Qt::Key_Insert);
  const QImage img = Grab(Child<QWidget>(*form, "inputbox"));
  const QColor blue(0, 0, 255);
  for (int y = 18 * row; y < 18 * row + 17; ++y) {
    QCOMPARE(img.pixelColor(x, y), blue);
    QCOMPARE(img.pixelColor(x + 1, y), blue);
  }
  QVERIFY(img.pixelColor(x - 1, 18 * row + 8) != blue);
  QVERIFY(img.pixelColor(x + 2, 18 * row + 8) != blue);
}

void EditorTest::tableViewShowsColoursAndLineNumbers() {
  auto form = ShownWindow();
  Play(*form, "<Table>ab<@0,1>10<@20,3>");
  const QColor grey(192, 192, 192), white(255, 255, 255), light(224, 224, 224);
  QImage img = Grab(Child<QWidget>(*form, "inputbox"));
  QCOMPARE(img.pixelColor(5, 300), grey);    // left margin
  QCOMPARE(img.pixelColor(300, 5), grey);    // header band
  QCOMPARE(img.pixelColor(52, 18 + 9), light);  // line 1: odd
  QCOMPARE(img.pixelColor(52, 36 + 9), white);  // line 2: even
  QCOMPARE(img.pixelColor(399, 36 + 9), white);
  QCOMPARE(img.pixelColor(45, 36 + 9), grey);
  // Header letters and term cells on the 20-pixel column grid.
  QVERIFY(HasInk(img, QRect(60, 0, 10, 18), grey));
  QVERIFY(HasInk(img, QRect(80, 0, 10, 18), grey));
  QVERIFY(!HasInk(img, QRect(70, 0, 10, 18), grey));
  QVERIFY(HasInk(img, QRect(60, 18, 10, 18), light));
  QVERIFY(HasInk(img, QRect(80, 18, 10, 18), light));
  QVERIFY(!HasInk(img, QRect(90, 18, 300, 18), light));
  // Line numbers end at x = 40: "1" in the third cell, "10" in the second and third.
  QVERIFY(HasInk(img, QRect(30, 18, 10, 18), grey));
  QVERIFY(!HasInk(img, QRect(0, 18, 30, 18), grey));
  QVERIFY(HasInk(img, QRect(20, 18 * 10, 10, 18), grey));
  QVERIFY(!HasInk(img, QRect(40, 18 * 10, 10, 18), grey));
  QVERIFY(!HasInk(img, QRect(0, 0, 50, 18), grey));  // no number on the header row

  // Scrolled by 29 lines: line 30 (even) on row 1, line 58 on row 29.
  Child<QScrollBar>(*form, "inputscrollbar")->setValue(29);
  img = Grab(Child<QWidget>(*form, "inputbox"));
  QCOMPARE(img.pixelColor(52, 18 + 9), white);
  QCOMPARE(img.pixelColor(52, 36 + 9), light);
  QVERIFY(HasInk(img, QRect(20, 18, 10, 18), grey));  // two digits
  QVERIFY(!HasInk(img, QRect(10, 18, 10, 18), grey));
}

void EditorTest::cursorBlinksEightHundredOnTwoHundredOff() {
  auto form = ShownWindow();
  Key(*form, Qt::Key_Insert);
  QVERIFY(form->editor().CursorVisible);
  QElapsedTimer clock;
  clock.start();
  QTRY_VERIFY_WITH_TIMEOUT(!form->editor().CursorVisible, 2000);
  const qint64 off = clock.elapsed();
  QTRY_VERIFY_WITH_TIMEOUT(form->editor().CursorVisible, 2000);
  const qint64 on = clock.elapsed();
  QVERIFY2(off >= 700, qPrintable(QString::number(off)));
  QVERIFY2(on - off >= 100 && on - off < 700, qPrintable(QString::number(on - off)));
  // A click brings the bar back at once.
  QTRY_VERIFY_WITH_TIMEOUT(!form->editor().CursorVisible, 2000);
  Play(*form, "<@3,3>");
  QVERIFY(form->editor().CursorVisible);
}

QTEST_MAIN(EditorTest)
#include "editor_test.moc"
