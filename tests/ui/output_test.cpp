// The output pane: row and header texts, cells on the 20-pixel grid under
// their header letters, red flagged rows, scrolling and the row markers.
#include <QtTest>

#include "output_pane.h"
#include "window_test_support.h"

using namespace wt;

namespace {

// Letters, then terms as (value, mask) pairs.
void SetResult(tervo::Engine& e, const char* letters, std::initializer_list<std::pair<uint16_t, uint16_t>> terms) {
  e.VariableTable.fill(0);
  e.VariableCount = static_cast<uint8_t>(std::strlen(letters));
  std::copy(letters, letters + e.VariableCount, e.VariableTable.begin());
  e.TermCount = 0;
  for (auto [value, mask] : terms) {
    ++e.TermCount;
    e.TermValue[e.TermCount] = value;
    e.TermMask[e.TermCount] = mask;
  }
}

// Numbered entries 1..count over 15 variables: entry t holds t as its value.
void SetCountingResult(tervo::Engine& e, int count) {
  SetResult(e, "ABCDEFGHIJKLMNO", {});
  for (int t = 1; t <= count; ++t) {
    e.TermValue[t] = static_cast<uint16_t>(t);
    e.TermMask[t] = 0x7fff;
  }
  e.TermCount = static_cast<uint16_t>(count);
}

// Which of the first `cells` 10-pixel cells from x = 40 hold ink in band r.
QString InkedCells(const QImage& img, int band, int cells, QColor bg = kPaneColor) {
  QString s;
  for (int i = 0; i < cells; ++i)
    s += HasInk(img, QRect(40 + 10 * i, 18 * band, 10, 18), bg) ? QLatin1Char('#') : QLatin1Char('.');
  return s;
}

}  // namespace

class OutputTest : public QObject {
  Q_OBJECT
 private slots:
  void rowTextFollowsMaskValueAndMode_data();
  void rowTextFollowsMaskValueAndMode();
  void cellsStandUnderTheirHeaderLetters();
  void flaggedRowsAreRed();
  void scrollingShowsLaterEntries();
  void markersStandBesideVisibleRowsOnly();
  void startsEmpty();
  void wheelScrollsBySmallSteps_data();
  void wheelScrollsBySmallSteps();
};

void OutputTest::rowTextFollowsMaskValueAndMode_data() {
  QTest::addColumn<int>("cnf");
  QTest::addColumn<int>("value");
  QTest::addColumn<int>("mask");
  QTest::addColumn<QString>("header");
  QTest::addColumn<QString>("row");
  // Variables A, B, C; A is bit 0.
  QTest::newRow("CNF plain and inverted") << 1 << 0b001 << 0b011 << "A.B.C" << "1 0 x ";
  QTest::newRow("DNF shows the inverse") << 0 << 0b001 << 0b011 << "A+B+C" << "0 1 x ";
  QTest::newRow("value bits outside the mask mean nothing") << 1 << 0b111 << 0b000 << "A.B.C" << "x x x ";
  QTest::newRow("all present") << 1 << 0b101 << 0b111 << "A.B.C" << "1 0 1 ";
}

void OutputTest::rowTextFollowsMaskValueAndMode() {
  QFETCH(int, cnf);
  QFETCH(int, value);
  QFETCH(int, mask);
  QFETCH(QString, header);
  QFETCH(QString, row);
  auto e = std::make_unique<tervo::Engine>();
  e->CnfMode = static_cast<uint8_t>(cnf);
  SetResult(*e, "ABC", {{static_cast<uint16_t>(value), static_cast<uint16_t>(mask)}});
  QCOMPARE(OutputPane::HeaderText(*e), header);
  QCOMPARE(OutputPane::RowText(*e, 1), row);
}

void OutputTest::cellsStandUnderTheirHeaderLetters() {
  auto form = ShownWindow();
  tervo::Engine& e = form->engine();
  // Fifteen variables: a drift of the font's advance would show at the right.
  SetResult(e, "ABCDEFGHIJKLMNO", {{0x5555, 0x7fff}, {0x0000, 0x2aaa}});
  form->DrawOutputPane();
  auto* pane = Child<OutputPane>(*form, "outputbox");
  const QImage img = Grab(pane);
  // Header: a letter in every even cell, the separator in every odd one but the last.
  QCOMPARE(InkedCells(img, 0, 31), QString(29, QLatin1Char('#')) + "..");
  // Rows: a cell character under every letter, blanks between.
  QCOMPARE(InkedCells(img, 1, 31), QString("#.").repeated(15) + ".");
  QCOMPARE(InkedCells(img, 2, 31), QString("#.").repeated(15) + ".");
  for (int v = 1; v <= 15; ++v) {
    // Each letter and each cell character lies inside the cell at x = 20v + 20
    // (the header's separators stand close by, the rows' neighbours are blank).
    const QRect letter(20 * v + 20, 0, 10, 18), cells(20 * v + 20, 18, 10, 36);
    const QRect letterInk = InkBox(img, letter.adjusted(-2, 0, 2, 0), kPaneColor);
    const QRect cellInk = InkBox(img, cells.adjusted(-5, 0, 5, 0), kPaneColor);
    QVERIFY2(letter.contains(letterInk), qPrintable(QString("letter %1").arg(v)));
    QVERIFY2(cells.contains(cellInk), qPrintable(QString("cells of variable %1").arg(v)));
  }
  QVERIFY(!HasInk(img, QRect(0, 0, 40, 540), kPaneColor));
  QVERIFY(!HasInk(img, QRect(0, 54, 350, 486), kPaneColor));  // bands 3..29 empty
}

void OutputTest::flaggedRowsAreRed() {
  auto form = ShownWindow();
  tervo::Engine& e = form->engine();
  SetResult(e, "AB", {{1, 3}, {2, 3}});
  e.TermMark[2] = 1;
  form->DrawOutputPane();
  const QImage img = Grab(Child<QWidget>(*form, "outputbox"));
  auto colours = [&](int band) {
    bool red = false, black = false;
    for (int y = 18 * band; y < 18 * band + 18; ++y)
      for (int x = 40; x < 80; ++x) {
        const QColor c = img.pixelColor(x, y);
        red |= c == QColor(255, 0, 0);
        black |= c == QColor(0, 0, 0);
      }
    return std::make_pair(red, black);
  };
  QCOMPARE(colours(1), std::make_pair(false, true));
  QCOMPARE(colours(2), std::make_pair(true, false));
  e.TermMark[2] = 0;
}

void OutputTest::scrollingShowsLaterEntries() {
  auto form = ShownWindow();
  tervo::Engine& e = form->engine();
  SetCountingResult(e, 40);
  form->DrawOutputPane();
  auto* bar = Child<QScrollBar>(*form, "outputscrollbar");
  auto* pane = Child<OutputPane>(*form, "outputbox");
  // Entry t has bit 0 set when t is odd, so the first cell alternates 1 and 0.
  const QImage top = Grab(pane);
  bar->setValue(1);
  QCOMPARE(pane->ScrollPos(), 1);
  const QImage shifted = Grab(pane);
  // Band r at position 1 shows what band r + 1 showed at position 0.
  for (int r = 1; r < 29; ++r)
    QCOMPARE(shifted.copy(0, 18 * r, 350, 18), top.copy(0, 18 * (r + 1), 350, 18));
  bar->setValue(20);
  const QImage late = Grab(pane);
  // Entries 21..40 fill bands 1..20, bands 21..29 stay empty.
  QVERIFY(HasInk(late, QRect(40, 18 * 20, 300, 18), kPaneColor));
  QVERIFY(!HasInk(late, QRect(0, 18 * 21, 350, 18 * 9), kPaneColor));
}

void OutputTest::markersStandBesideVisibleRowsOnly() {
  auto form = ShownWindow();
  tervo::Engine& e = form->engine();
  SetCountingResult(e, 60);
  form->DrawOutputPane();
  auto* pane = Child<OutputPane>(*form, "outputbox");
  auto* bar = Child<QScrollBar>(*form, "outputscrollbar");
  auto arrowAt = [&](int band) { return HasInk(Grab(pane), QRect(0, 18 * band, 26, 18), kPaneColor); };

  form->SetRowMarkers(3, 29);
  QVERIFY(arrowAt(3));
  QVERIFY(arrowAt(29));
  QVERIFY(!arrowAt(2));
  // The arrow picture: top-left corner at (2, 18d), 24 by 20 pixels.
  const QRect ink = InkBox(Grab(pane), QRect(0, 18 * 3, 40, 18), kPaneColor);
  QVERIFY(QRect(2, 54, 24, 20).contains(ink));

  bar->setValue(3);  // entry 3 now at d = 0: not drawn; entry 29 in band 26
  QVERIFY(!arrowAt(0));
  QVERIFY(arrowAt(26));
  QCOMPARE(pane->Marker(1), 3);
  bar->setValue(0);  // scrolled back, the marker is drawn again
  QVERIFY(arrowAt(3));

  form->SetRowMarkers(31, 0);  // beyond band 29
  QVERIFY(!arrowAt(3));
  QVERIFY(!arrowAt(29));
  bar->setValue(10);
  QVERIFY(arrowAt(21));

  form->ClearOutputPane();
  QCOMPARE(pane->Marker(1), 0);
  QVERIFY(!HasInk(Grab(pane), pane->rect(), kPaneColor));
}

void OutputTest::startsEmpty() {
  auto form = ShownWindow();
  const QImage img = Grab(Child<QWidget>(*form, "outputbox"));
  QVERIFY(!HasInk(img, img.rect(), kPaneColor));
  QCOMPARE(Child<QScrollBar>(*form, "outputscrollbar")->maximum(), 32750);
}

void OutputTest::wheelScrollsBySmallSteps_data() {
  QTest::addColumn<QString>("pane");
  QTest::addColumn<QList<int>>("deltas");  // angle deltas of the wheel events, in eighths of a degree
  QTest::addColumn<int>("position");       // the scroll bar afterwards
  QTest::newRow("output: a notch down") << "outputbox" << QList<int>{-120} << 1;
  QTest::newRow("output: three notches at once") << "outputbox" << QList<int>{-360} << 3;
  QTest::newRow("output: two half notches") << "outputbox" << QList<int>{-60, -60} << 1;
  QTest::newRow("output: fine steps") << "outputbox" << QList<int>{-15, -15, -15, -15, -15, -15, -15, -15, -15} << 1;
  QTest::newRow("output: down two, up one") << "outputbox" << QList<int>{-120, -120, 120} << 1;
  QTest::newRow("output: up at the top") << "outputbox" << QList<int>{120} << 0;
  QTest::newRow("output: far past the end") << "outputbox" << QList<int>{-120 * 400} << 145;
  QTest::newRow("table: a notch down") << "table" << QList<int>{-120, -120} << 2;
  QTest::newRow("table: past the end") << "table" << QList<int>{-120 * 100} << 71;
  QTest::newRow("formula editor: no scroll bar, nothing moves") << "formula" << QList<int>{-120} << 0;
}

void OutputTest::wheelScrollsBySmallSteps() {
  QFETCH(QString, pane);
  QFETCH(QList<int>, deltas);
  QFETCH(int, position);
  auto form = ShownWindow();
  TypeFormula(*form, "(A+B.C).(D+E+F+G+H)");  // 155 terms unreduced: range 0..145
  Click(*form, "reducecheckbox");
  Click(*form, "GObtn");
  if (pane == QLatin1String("table")) Click(*form, "tablebtn");
  const bool output = pane == QLatin1String("outputbox");
  QWidget* target = Child<QWidget>(*form, output ? "outputbox" : "inputbox");
  QScrollBar* bar = Child<QScrollBar>(*form, output ? "outputscrollbar" : "inputscrollbar");
  QCOMPARE(bar->value(), 0);
  const QPointF at(100, 100);
  for (int d : deltas) {
    QWheelEvent wheel(at, target->mapToGlobal(at), QPoint(), QPoint(0, d), Qt::NoButton, Qt::NoModifier,
                      Qt::NoScrollPhase, false);
    QCoreApplication::sendEvent(target, &wheel);
  }
  QCOMPARE(bar->value(), position);
  if (output) QCOMPARE(Child<OutputPane>(*form, "outputbox")->ScrollPos(), position);
}

QTEST_MAIN(OutputTest)
#include "output_test.moc"
