// The main window as a user first sees it: every component at its place
// with its text, hint and look, the pane frames, the start-up settings, the
// picture buttons, the trace boxes; and, on request, the screenshots.
#include <QCheckBox>
#include <QDir>
#include <QScreen>
#include <QToolTip>
#include <map>
#include <QtTest>

#include "help_unit.h"
#include "output_pane.h"
#include "window_test_support.h"

using namespace wt;

class WindowLayoutTest : public QObject {
  Q_OBJECT
 private slots:
  void windowIsFixedAndTitled();
  void componentsStandAtTheirPlaces_data();
  void componentsStandAtTheirPlaces();
  void fontsAndColoursFollowTheLook_data();
  void fontsAndColoursFollowTheLook();
  void paneFramesLieOutsideThePanes();
  void startsWithTheStartUpSettings();
  void pictureButtonsShowTheirArtwork();
  void traceBoxesSetTheirFlags();
  void tooltipsWearTheDesktopsLook_data();
  void tooltipsWearTheDesktopsLook();
  void disabledControlsLookDisabled();
  void helpIsModalAndOnTheScreen();
  void saveScreenshots();
};

void WindowLayoutTest::windowIsFixedAndTitled() {
  auto form = ShownWindow();
  QCOMPARE(form->size(), QSize(1233, 682));
  QCOMPARE(form->minimumSize(), QSize(1233, 682));
  QCOMPARE(form->maximumSize(), QSize(1233, 682));
  QCOMPARE(form->windowTitle(), QStringLiteral("tervo42 V2.0"));
  QVERIFY(!(form->windowFlags() & Qt::WindowMaximizeButtonHint));
  QVERIFY(form->windowFlags() & Qt::WindowMinimizeButtonHint);
  QCOMPARE(form->font().pixelSize(), 13);
  // the program's icon, for the window and the help window alike
  QVERIFY(!form->windowIcon().isNull());
  QVERIFY(form->windowIcon().availableSizes().contains(QSize(48, 48)));
  auto* help = form->findChild<QWidget*>(QStringLiteral("helpform"), Qt::FindDirectChildrenOnly);
  for (QWidget* w : form->findChildren<QWidget*>(QString(), Qt::FindDirectChildrenOnly))
    if (w->isWindow()) help = w;
  QVERIFY(help != nullptr);
  QCOMPARE(help->windowIcon().cacheKey(), form->windowIcon().cacheKey());
}

void WindowLayoutTest::componentsStandAtTheirPlaces_data() {
  QTest::addColumn<QString>("name");
  QTest::addColumn<QRect>("geometry");  // an empty size: only the position is fixed
  QTest::addColumn<QString>("text");
  QTest::addColumn<QString>("hint");
  auto row = [](const char* name, int x, int y, int w, int h, const char* text, const char* hint) {
    QTest::newRow(name) << QString(name) << QRect(x, y, w, h) << QString(text) << QString(hint);
  };
  row("loadBtn", 8, 8, 50, 46, "", "load formula and tables");
  row("saveBtn", 72, 8, 49, 40, "", "save formula and tables");
  row("printBtn", 136, 8, 43, 37, "", "print");
  row("prsetupBtn", 192, 8, 49, 26, "", "printer setup");
  row("helpBtn", 256, 8, 65, 40, "", "help / info");
  row("GObtn", 304, 55, 49, 31, "GO", "start ");
  row("Label4", 1000, 8, 0, 0, "Tervo42", "");
  row("Label3", 1000, 24, 0, 0, "version 2.0", "");
  row("Image1", 1080, 10, 125, 30, "", "visit website");
  row("Label11", 448, 16, 454, 16,
      "var: A..Z    (..)prio    /invert    .AND    =Equal    -XOR   +OR    >Implication", "");
  row("Label1", 8, 72, 0, 0, "input", "");
  row("insertlabel", 48, 68, 65, 16, "insert", "text insert/overwrite");
  row("forminbtn", 120, 60, 73, 22, "formula", "formula input");
  row("tablebtn", 192, 60, 81, 22, "CNF table", "table input");
  row("inclearBtn", 384, 64, 23, 22, "X", "");
  row("inputbox", 8, 91, 400, 540, "", "");
  row("inputscrollbar", 416, 88, 19, 545, "", "");
  row("Label2", 456, 72, 0, 0, "output", "");
  row("reducecheckbox", 504, 58, 65, 17, "reduce", "reduce truth table");
  row("cnfBtn", 584, 56, 41, 22, "CNF", "conjunctive normal form");
  row("dnfBtn", 624, 56, 33, 22, "DNF", "disjunctive normal form");
  row("SpeedButton2", 776, 64, 23, 22, "X", "");
  row("outputbox", 448, 91, 350, 540, "", "");
  row("outputscrollbar", 808, 88, 19, 545, "", "");
  row("Label5", 840, 72, 0, 0, "info", "");
  row("DBxlate", 888, 64, 57, 17, "Xlate", "");
  row("DBscan", 952, 64, 57, 17, "Scan", "");
  row("SpeedButton1", 1192, 64, 23, 22, "X", "");
  row("DBbox", 840, 91, 380, 540, "", "");
  row("msglabel", 8, 640, 1193, 25, "enter formula...", "");
}

void WindowLayoutTest::componentsStandAtTheirPlaces() {
  QFETCH(QString, name);
  QFETCH(QRect, geometry);
  QFETCH(QString, text);
  QFETCH(QString, hint);
  auto form = ShownWindow();
  QWidget* w = Child<QWidget>(*form, name.toLatin1().constData());
  if (geometry.isEmpty())
    QCOMPARE(w->pos(), geometry.topLeft());
  else
    QCOMPARE(w->geometry(), geometry);
  QCOMPARE(w->focusPolicy(), Qt::NoFocus);
  QCOMPARE(w->toolTip(), hint);
  if (auto* label = qobject_cast<QLabel*>(w)) QCOMPARE(label->text(), text);
  if (auto* button = qobject_cast<QAbstractButton*>(w)) QCOMPARE(button->text(), text);
  // Every label shows its whole text.
  if (auto* label = qobject_cast<QLabel*>(w); label && !text.isEmpty())
    QVERIFY2(label->fontMetrics().horizontalAdvance(text) <= label->width(), qPrintable(name));
}

void WindowLayoutTest::fontsAndColoursFollowTheLook_data() {
  QTest::addColumn<QString>("name");
  QTest::addColumn<int>("pixels");
  QTest::addColumn<bool>("bold");
  QTest::addColumn<QColor>("colour");
  const QColor text = QApplication::palette().color(QPalette::WindowText);
  const QColor blue(0, 0, 255), red(255, 0, 0), grey(128, 128, 128);
  QTest::newRow("GObtn") << "GObtn" << 24 << true << blue;
  QTest::newRow("Label11") << "Label11" << 13 << true << text;
  QTest::newRow("Label1") << "Label1" << 13 << false << grey;
  QTest::newRow("insertlabel") << "insertlabel" << 16 << false << blue;
  QTest::newRow("inclearBtn") << "inclearBtn" << 21 << true << red;
  QTest::newRow("msglabel") << "msglabel" << 16 << false << text;
  QTest::newRow("cnfBtn") << "cnfBtn" << 13 << false << text;
}

void WindowLayoutTest::fontsAndColoursFollowTheLook() {
  QFETCH(QString, name);
  QFETCH(int, pixels);
  QFETCH(bool, bold);
  QFETCH(QColor, colour);
  auto form = ShownWindow();
  QWidget* w = Child<QWidget>(*form, name.toLatin1().constData());
  w->ensurePolished();
  QCOMPARE(w->font().pixelSize(), pixels);
  QCOMPARE(w->font().bold(), bold);
  QCOMPARE(QFontInfo(w->font()).family(), QStringLiteral("Liberation Sans"));
  const QPalette::ColorRole role = qobject_cast<QAbstractButton*>(w) ? QPalette::ButtonText : QPalette::WindowText;
  QCOMPARE(w->palette().color(role), colour);
}

void WindowLayoutTest::paneFramesLieOutsideThePanes() {
  auto form = ShownWindow();
  const QImage img = Grab(form.get());
  const QColor black(0, 0, 0), silver(192, 192, 192);
  for (const char* name : {"inputbox", "outputbox", "DBbox"}) {
    const QRect g = Child<QWidget>(*form, name)->geometry();
    const int l = g.x(), t = g.y(), w = g.width(), h = g.height();
    // Top and left edges black, bottom and right silver, one pixel outside.
    for (int x = l - 1; x < l + w; ++x) QCOMPARE(img.pixelColor(x, t - 1), black);
    for (int y = t - 1; y < t + h; ++y) QCOMPARE(img.pixelColor(l - 1, y), black);
    for (int x = l; x <= l + w; ++x) QCOMPARE(img.pixelColor(x, t + h), silver);
    for (int y = t; y <= t + h; ++y) QCOMPARE(img.pixelColor(l + w, y), silver);
    // The pane itself starts right inside.
    QCOMPARE(img.pixelColor(l, t), kPaneColor);
    QCOMPARE(img.pixelColor(l + w - 1, t + h - 1), kPaneColor);
  }
}

void WindowLayoutTest::startsWithTheStartUpSettings() {
  auto form = ShownWindow();
  const tervo::Engine& e = form->engine();
  QCOMPARE(e.RunState, 0);
  QCOMPARE(e.FormulaMode, 1);
  QCOMPARE(e.CnfMode, 1);
  QCOMPARE(e.ReduceOn, 1);
  QCOMPARE(e.TraceXlate, 0);
  QCOMPARE(e.TraceScan, 0);
  QVERIFY(Child<QAbstractButton>(*form, "forminbtn")->isChecked());
  QVERIFY(Child<QAbstractButton>(*form, "cnfBtn")->isChecked());
  QVERIFY(Child<QAbstractButton>(*form, "reducecheckbox")->isChecked());
  QVERIFY(!Child<QAbstractButton>(*form, "DBxlate")->isChecked());
  QVERIFY(!Child<QAbstractButton>(*form, "DBscan")->isChecked());
  QVERIFY(!Child<QWidget>(*form, "inputscrollbar")->isVisible());
  QVERIFY(!Child<QWidget>(*form, "arrow")->isVisible());
  QCOMPARE(Child<QLabel>(*form, "insertlabel")->text(), QStringLiteral("insert"));
  QCOMPARE(form->Message(), QStringLiteral("enter formula..."));
  QCOMPARE(QPoint(form->editor().CursorCol, form->editor().CursorRow), QPoint(0, 0));
  QVERIFY(form->editor().CursorVisible);
  QCOMPARE(Child<QScrollBar>(*form, "inputscrollbar")->maximum(), 71);
  for (QWidget* pane : {Child<QWidget>(*form, "inputbox"), Child<QWidget>(*form, "DBbox")}) {
    const QImage img = Grab(pane);
    QVERIFY(!HasInk(img, img.rect().adjusted(3, 0, 0, 0), kPaneColor));  // right of the cursor bar
  }
}

void WindowLayoutTest::pictureButtonsShowTheirArtwork() {
  auto form = ShownWindow();
  for (const char* name : {"loadBtn", "saveBtn", "printBtn", "prsetupBtn", "helpBtn", "Image1"}) {
    auto* b = Child<QAbstractButton>(*form, name);
    QCOMPARE(b->cursor().shape(), Qt::PointingHandCursor);
    const QPixmap art = b->icon().pixmap(b->size());
    QVERIFY2(!art.isNull(), name);
    QCOMPARE(art.size(), b->size());
    const QImage img = art.toImage();
    QVERIFY2(img.hasAlphaChannel() && img.pixelColor(0, 0).alpha() == 0, name);  // transparent corner
  }
  const QPixmap arrow = Child<QLabel>(*form, "arrow")->pixmap();
  QCOMPARE(arrow.size(), QSize(24, 20));
  // Without a desktop the web address does not open; the message line says
  // so, and nothing else changes.
  const std::string grid = FormulaRow(form->engine(), 0);
  Click(*form, "Image1");
  QVERIFY(form->Message().startsWith(QLatin1String("no web browser could be started: ")));
  QCOMPARE(FormulaRow(form->engine(), 0), grid);
  QCOMPARE(QUrl(QString::fromLatin1(kProjectHomepage)).isValid(), true);
}

void WindowLayoutTest::traceBoxesSetTheirFlags() {
  auto form = ShownWindow();
  Click(*form, "DBxlate");
  QCOMPARE(form->engine().TraceXlate, 1);
  QCOMPARE(form->engine().TraceScan, 0);
  Click(*form, "DBscan");
  QCOMPARE(form->engine().TraceScan, 1);
  Click(*form, "DBxlate");
  QCOMPARE(form->engine().TraceXlate, 0);
  QCOMPARE(Child<QCheckBox>(*form, "DBxlate")->property("tag").toInt(), 1);
  QCOMPARE(Child<QCheckBox>(*form, "DBscan")->property("tag").toInt(), 2);
  Click(*form, "reducecheckbox");
  QCOMPARE(form->engine().ReduceOn, 0);
  Click(*form, "reducecheckbox");
  QCOMPARE(form->engine().ReduceOn, 1);
  QTest::mouseClick(Child<QWidget>(*form, "insertlabel"), Qt::LeftButton);
  QVERIFY(!form->editor().InsertMode);
  QCOMPARE(Child<QLabel>(*form, "insertlabel")->text(), QStringLiteral("overwrite"));
}

// With TERVO_SCREENSHOT_DIR set, saves the window after GO on A.B+/A.C and
// in table mode with a typed table.
namespace {

// Pixels of rect r in exactly this colour.
int CountColour(const QImage& img, QColor c) {
  int n = 0;
  for (int y = 0; y < img.height(); ++y)
    for (int x = 0; x < img.width(); ++x)
      if (img.pixelColor(x, y) == c) ++n;
  return n;
}

// The tooltip shown for w, as the desktop shows it on hovering.
QLabel* ShowTooltip(QWidget* w) {
  QHelpEvent help(QEvent::ToolTip, w->rect().center(), w->mapToGlobal(w->rect().center()));
  QCoreApplication::sendEvent(w, &help);
  for (QWidget* top : QApplication::topLevelWidgets())
    if (top->objectName() == QLatin1String("qtooltip_label") && top->isVisible()) return qobject_cast<QLabel*>(top);
  return nullptr;
}

}  // namespace

void WindowLayoutTest::tooltipsWearTheDesktopsLook_data() {
  QTest::addColumn<QString>("name");
  QTest::addColumn<QColor>("ownColour");  // the control's text colour, which the tip must not take
  QTest::newRow("GO") << "GObtn" << QColor(0, 0, 255);
  QTest::newRow("insert label") << "insertlabel" << QColor(0, 0, 255);
  QTest::newRow("reduce box") << "reducecheckbox" << QColor();
  QTest::newRow("load picture") << "loadBtn" << QColor();
}

void WindowLayoutTest::tooltipsWearTheDesktopsLook() {
  QFETCH(QString, name);
  QFETCH(QColor, ownColour);
  auto form = ShownWindow();
  QWidget* w = Child<QWidget>(*form, name.toLatin1().constData());
  QLabel* tip = ShowTooltip(w);
  QVERIFY(tip != nullptr);
  QCOMPARE(tip->text(), w->toolTip());
  const QFont expected = QToolTip::font();
  QCOMPARE(tip->font().pixelSize(), expected.pixelSize());
  QCOMPARE(tip->font().pointSizeF(), expected.pointSizeF());
  QCOMPARE(tip->font().bold(), expected.bold());
  QCOMPARE(tip->palette().color(QPalette::ToolTipText), QToolTip::palette().color(QPalette::ToolTipText));
  QCOMPARE(tip->palette().color(QPalette::ToolTipBase), QToolTip::palette().color(QPalette::ToolTipBase));
  if (ownColour.isValid()) QCOMPARE(CountColour(Grab(tip), ownColour), 0);
  QToolTip::hideText();
}

// Controls that take no clicks show it: the red X buttons and the file and
// print pictures during a run, the insert label in table mode.
void WindowLayoutTest::disabledControlsLookDisabled() {
  const QColor red(255, 0, 0), blue(0, 0, 255);
  const char* xButtons[] = {"inclearBtn", "SpeedButton2"};
  const char* pictures[] = {"loadBtn", "saveBtn", "printBtn", "prsetupBtn"};
  auto form = ShownWindow();
  std::map<std::string, QImage> idle;
  for (const char* name : xButtons) {
    idle[name] = Grab(Child<QWidget>(*form, name));
    QVERIFY2(CountColour(idle[name], red) > 0, name);
  }
  for (const char* name : pictures) idle[name] = Grab(Child<QWidget>(*form, name));

  TypeFormula(*form, "A.B+/A.C");
  Click(*form, "DBxlate");
  bool looked = false;
  RunWithStops(*form, [&](const QString&, int n) {
    if (n == 0) {
      looked = true;
      for (const char* name : xButtons) {
        const QImage busy = Grab(Child<QWidget>(*form, name));
        QVERIFY2(CountColour(busy, red) == 0, name);
        QVERIFY2(HasInk(busy, busy.rect(), busy.pixelColor(0, 0)), name);  // still drawn, in grey
      }
      for (const char* name : pictures) {
        QVERIFY2(!Child<QWidget>(*form, name)->isEnabled(), name);
        QVERIFY2(Grab(Child<QWidget>(*form, name)) != idle[name], name);
      }
    }
    Key(*form, Qt::Key_Escape);
  });
  QVERIFY(looked);
  for (const char* name : xButtons) QVERIFY2(Grab(Child<QWidget>(*form, name)) == idle[name], name);
  for (const char* name : pictures) QVERIFY2(Grab(Child<QWidget>(*form, name)) == idle[name], name);

  QWidget* insert = Child<QWidget>(*form, "insertlabel");
  QVERIFY(CountColour(Grab(insert), blue) > 0);
  Click(*form, "tablebtn");
  const QImage greyed = Grab(insert);
  QCOMPARE(CountColour(greyed, blue), 0);
  QVERIFY(HasInk(greyed, greyed.rect(), greyed.pixelColor(0, 0)));
  Click(*form, "forminbtn");
  QVERIFY(CountColour(Grab(insert), blue) > 0);
}

// The help button opens the help modally: the click returns only once the
// help is closed, the editor's cursor hidden all the while.
void WindowLayoutTest::helpIsModalAndOnTheScreen() {
  auto form = ShownWindow();
  QVERIFY(form->editor().CursorVisible);
  QWidget* help = nullptr;
  for (QWidget* top : QApplication::topLevelWidgets())
    if (top->objectName() == QLatin1String("helpform")) help = top;
  QVERIFY(help != nullptr);
  bool sawHelp = false, modal = false, cursorShown = false, closed = false;
  QRect frame;
  QTimer poll;
  int ticks = 0;
  QObject::connect(&poll, &QTimer::timeout, [&] {
    if (!help->isVisible()) return;
    sawHelp = true;
    modal = QApplication::activeModalWidget() == help;
    frame = help->frameGeometry();
    if (form->editor().CursorVisible) cursorShown = true;
    // A blink cycle and a half passes with the help open: the cursor stays off.
    if (++ticks * 10 >= 1500) {
      closed = true;
      help->close();
    }
  });
  poll.start(10);
  Click(*form, "helpBtn");
  poll.stop();
  QVERIFY(sawHelp);
  QVERIFY(closed);  // the click came back only after the help had closed
  QVERIFY(modal);
  QVERIFY(!cursorShown);
  QVERIFY(form->editor().CursorVisible);
  const QRect area = form->screen()->availableGeometry();
  QCOMPARE(frame.topLeft(), Thelpform::PlaceInside(area, frame.size(), QPoint(320, 138)));
  if (frame.width() <= area.width() && frame.height() <= area.height()) QVERIFY(area.contains(frame));
}

// Screenshots for docs/screenshots, when TERVO_SCREENSHOT_DIR names a folder.
// Run under xvfb-run for the tooltip; window-scale-2.png is
// window-formula-result.png taken with QT_SCALE_FACTOR=2 on a 2560 x 1440 screen.
void WindowLayoutTest::saveScreenshots() {
  const QString dir = ScreenshotDir();
  if (dir.isEmpty()) QSKIP("TERVO_SCREENSHOT_DIR not set");
  auto form = ShownWindow();
  TypeFormula(*form, "A.B+/A.C");
  Click(*form, "GObtn");
  Key(*form, Qt::Key_Insert);  // the bar visible
  Key(*form, Qt::Key_Insert);
  QVERIFY(form->grab().save(dir + "/window-formula-result.png"));

  auto table = ShownWindow();
  Click(*table, "tablebtn");
  Type(*table, "abcd");
  const QStringList lines = {"11 0", "1 01", "0 1 ", "0010", "1111"};
  for (int l = 0; l < lines.size(); ++l) {
    QTest::mouseClick(Child<QWidget>(*table, "inputbox"), Qt::LeftButton, {}, QPoint(65, 18 * (l + 1) + 9));
    Type(*table, lines[l]);
  }
  Click(*table, "GObtn");
  QTest::mouseClick(Child<QWidget>(*table, "inputbox"), Qt::LeftButton, {}, QPoint(145, 18 * 6 + 9));
  QVERIFY(table->grab().save(dir + "/window-table-input.png"));
  table->close();

  // A run at a stop: the X buttons and the file and print pictures greyed.
  auto running = ShownWindow();
  TypeFormula(*running, "A.B+/A.C+D");
  Click(*running, "DBxlate");
  bool shot = false;
  RunWithStops(*running, [&](const QString&, int n) {
    if (n == 2) shot = running->grab().save(dir + "/window-run-in-progress.png");
    Key(*running, Qt::Key_Space);
  });
  QVERIFY(shot);
  running->close();

  // GO's hint, as the desktop shows it: the screen around the button.
  auto hinted = ShownWindow();
  QWidget* go = Child<QWidget>(*hinted, "GObtn");
  QHelpEvent help(QEvent::ToolTip, QPoint(25, 25), go->mapToGlobal(QPoint(25, 25)));
  QCoreApplication::sendEvent(go, &help);
  QTest::qWait(300);
  const QPoint corner = hinted->mapToGlobal(QPoint(0, 0));
  const QPixmap around = hinted->screen()->grabWindow(0, corner.x() + 200, corner.y() + 20, 320, 110);
  QVERIFY(around.save(dir + "/window-go-tooltip.png"));
  QToolTip::hideText();
}

QTEST_MAIN(WindowLayoutTest)
#include "window_layout_test.moc"
