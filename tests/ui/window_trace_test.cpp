// The trace panel in the real window: the translation columns at the Xlate
// stops, every reduction step at the Scan stops, the info pane's repaints
// and the output pane's markers.
#include <QApplication>
#include <QDir>
#include <QKeyEvent>
#include <functional>
#include <utility>

#include "grid_text.h"
#include "DBG_unit.h"
#include "output_pane.h"
#include "window_test_access.h"
#include "window_test_support.h"

using namespace wt;

class WindowTraceTest : public QObject {
  Q_OBJECT
 private slots:
  void xlateStopsShowTheColumnsOneAfterTheOther();
  void scanMakesNoStopForOneTerm();
  void firstScanStopOfTheDnfReductionOfAAndB();
  void virtualTermCompareAndStack();
  void escapeAtAnyScanStopLeavesAnEmptyResult_data();
  void escapeAtAnyScanStopLeavesAnEmptyResult();
  void infoClearAndRepaints();
  void steppingKeysNeverReachTheEditor_data();
  void steppingKeysNeverReachTheEditor();
  void escapeAtAScanStopLeavesNoStepInTheInfoPane();
  void saveScreenshots();
};

namespace {

// The pane's texts after a repaint, as "x,y:text" for the texts on line y.
QStringList LineAt(TForm1& form, int y, int fromX = 0, int toX = 10000) {
  Info(form)->repaint();
  QStringList line;
  for (const auto& t : tervo::WindowTestAccess::ShownTexts(*Info(form)))
    if (t.y == y && t.x >= fromX && t.x < toX) line << QString::fromStdString(t.text);
  return line;
}

bool Shows(TForm1& form, const char* text) {
  Info(form)->repaint();
  for (const auto& t : tervo::WindowTestAccess::ShownTexts(*Info(form)))
    if (t.text == text) return true;
  return false;
}

void TypeTable(TForm1& form, const char* text) {
  Click(form, "tablebtn");
  tervo::test::SetTableText(form.engine(), text);
}

// Acts once, when the widget it watches is enabled again after a run.
class AtRunEnd : public QObject {
 public:
  AtRunEnd(const tervo::Engine& e, std::function<void()> act) : e_(e), act_(std::move(act)) {}
  bool eventFilter(QObject* watched, QEvent* event) override {
    if (event->type() == QEvent::EnabledChange && static_cast<QWidget*>(watched)->isEnabled() &&
        e_.RunState == tervo::kRunIdle && act_) {
      act_();
      act_ = nullptr;
    }
    return false;
  }

 private:
  const tervo::Engine& e_;
  std::function<void()> act_;
};

}  // namespace

void WindowTraceTest::xlateStopsShowTheColumnsOneAfterTheOther() {
  auto form = ShownWindow();
  TypeFormula(*form, "A+B");
  Click(*form, "DBxlate");
  QStringList headings;
  const QStringList stops = RunWithStops(*form, [&](const QString&, int n) {
    headings << LineAt(*form, 0).join(QLatin1Char(','));
    if (n == 0) {
      QCOMPARE(LineAt(*form, 35, 0, 100), (QStringList{"A", "+", "2"}));
      QCOMPARE(LineAt(*form, 53, 0, 100), (QStringList{"B", " ", "0"}));
      QCOMPARE(LineAt(*form, 71, 0, 100), (QStringList{" ", " ", "0"}));  // the open row
    }
    if (n == 2) {
      QCOMPARE(LineAt(*form, 35, 200), (QStringList{"+", "20", "1", "2"}));
      QCOMPARE(LineAt(*form, 53, 200), (QStringList{"Q", "20", "0", "0"}));
      // the postfix column keeps its letters although the live table was numbered
      QCOMPARE(LineAt(*form, 35, 0, 100), (QStringList{"A", "+", "2"}));
    }
    Key(*form, Qt::Key_Space);
  });
  QCOMPARE(stops.size(), 4);
  QCOMPARE(stops[0], QStringLiteral("stop: PostfixTable <space> to step  <ESC> to continue"));
  QCOMPARE(stops[1], QStringLiteral("stop: Variables <space> to step  <ESC> to continue"));
  QCOMPARE(stops[2], QStringLiteral("stop: Directors <space> to step  <ESC> to continue"));
  QCOMPARE(stops[3], QStringLiteral("stop: initial Truth Table <space> to step  <ESC> to continue"));
  QCOMPARE(headings, (QStringList{"postfix", "postfix,variables", "postfix,variables,directors",
                                  "postfix,variables,directors"}));
  QVERIFY(form->Message().startsWith(QLatin1String("OK: ")));
}

void WindowTraceTest::scanMakesNoStopForOneTerm() {
  auto form = ShownWindow();
  TypeFormula(*form, "A.B");
  Click(*form, "DBscan");
  const QStringList stops = RunWithStops(*form, [&](const QString&, int) { Key(*form, Qt::Key_Space); });
  QVERIFY(stops.isEmpty());
  QVERIFY(form->Message().startsWith(QLatin1String("OK: ")));
}

void WindowTraceTest::firstScanStopOfTheDnfReductionOfAAndB() {
  auto form = ShownWindow();
  TypeFormula(*form, "A.B");
  Click(*form, "dnfBtn");
  Click(*form, "DBscan");
  auto* out = Child<OutputPane>(*form, "outputbox");
  bool checked = false;
  RunWithStops(*form, [&](const QString& msg, int n) {
    if (n == 0) {
      QCOMPARE(msg, QStringLiteral("stop: <space> to continue  <ESC> to end"));
      QCOMPARE(LineAt(*form, 5), (QStringList{"truth table compare"}));
      QCOMPARE(LineAt(*form, 40), (QStringList{"i=    1:", "0", "0"}));
      QCOMPARE(LineAt(*form, 60), (QStringList{"j=    2:", "1", "0"}));
      QCOMPARE(LineAt(*form, 160), (QStringList{"(2)"}));
      QCOMPARE(LineAt(*form, 180), (QStringList{"delete [j] , drop [i] diff"}));
      QCOMPARE(out->Marker(1), 1);
      QCOMPARE(out->Marker(2), 2);
      // the markers are drawn beside rows 1 and 2 of the output pane
      const QImage img = Grab(out);
      QVERIFY(HasInk(img, QRect(2, 18, 24, 18), kPaneColor));
      QVERIFY(HasInk(img, QRect(2, 36, 24, 18), kPaneColor));
      QVERIFY(!HasInk(img, QRect(0, 58, 26, 14), kPaneColor));
      checked = true;
    }
    Key(*form, Qt::Key_Space);
  });
  QVERIFY(checked);
  QCOMPARE(form->engine().TermCount, 2);
  // after the run a repaint leaves the info pane empty
  QVERIFY(LineAt(*form, 5).isEmpty());
}

void WindowTraceTest::virtualTermCompareAndStack() {
  auto form = ShownWindow();
  TypeTable(*form, "ABCD\n11  \n0 1 \n 0 1");
  Click(*form, "DBscan");
  int newVt = -1, stack = -1, red = -1;
  auto* out = Child<OutputPane>(*form, "outputbox");
  RunWithStops(*form, [&](const QString&, int n) {
    if (newVt < 0 && Shows(*form, "new VT")) {
      newVt = n;
      QCOMPARE(LineAt(*form, 5), (QStringList{"virtual term compare"}));
      QCOMPARE(LineAt(*form, 160), (QStringList{"new VT", "x", "x", "1", "1"}));
      QCOMPARE(out->Marker(1), 3);
      QCOMPARE(out->Marker(2), 0);
    }
    if (stack < 0 && Shows(*form, "virtual stack")) stack = n;
    // the parents of the current virtual term are drawn in red
    if (red < 0 && form->engine().Trace.kind == 2) {
      const QImage img = Grab(out);
      for (int x = 40; x < 120; ++x)
        if (img.pixelColor(x, 18 + 9) == QColor(255, 0, 0) || img.pixelColor(x, 18 + 10) == QColor(255, 0, 0)) red = n;
    }
    Key(*form, Qt::Key_Space);
  });
  QVERIFY(newVt >= 0);
  QVERIFY2(stack > newVt, qPrintable(QString::number(stack)));
  QVERIFY(red >= 0);
  QVERIFY(form->Message().startsWith(QLatin1String("OK: ")));
}

void WindowTraceTest::escapeAtAnyScanStopLeavesAnEmptyResult_data() {
  QTest::addColumn<int>("at");
  for (int at : {0, 2, 5, 11}) QTest::newRow(qPrintable(QString::number(at))) << at;
}

void WindowTraceTest::escapeAtAnyScanStopLeavesAnEmptyResult() {
  QFETCH(int, at);
  auto form = ShownWindow();
  TypeTable(*form, "ABCD\n11  \n0 1 \n 0 1");
  Click(*form, "DBscan");
  const QStringList stops =
      RunWithStops(*form, [&](const QString&, int n) { Key(*form, n == at ? Qt::Key_Escape : Qt::Key_Space); });
  QCOMPARE(stops.size(), at + 1);
  QCOMPARE(form->Message(), QStringLiteral("process terminated"));
  QCOMPARE(form->engine().TermCount, 0);
  QCOMPARE(form->engine().RunState, 0);
  // a repaint of the output pane shows the header and no row
  auto* out = Child<OutputPane>(*form, "outputbox");
  out->repaint();
  QVERIFY(!HasInk(Grab(out), QRect(30, 18, out->width() - 30, out->height() - 18), kPaneColor));
}

void WindowTraceTest::infoClearAndRepaints() {
  auto form = ShownWindow();
  TypeFormula(*form, "A+B");
  Click(*form, "DBxlate");
  RunWithStops(*form, [&](const QString&, int n) {
    if (n == 1) {
      QVERIFY(Shows(*form, "variables"));
      Click(*form, "SpeedButton1");  // the info "X"
      QTest::qWait(20);
      QVERIFY(tervo::WindowTestAccess::ShownTexts(*Info(*form)).empty());
      QCOMPARE(tervo::WindowTestAccess::InfoShown(*form), 3);
      // covering and uncovering the window repaints the pane: the tables come back
      QVERIFY(Shows(*form, "postfix"));
      QVERIFY(Shows(*form, "variables"));
    }
    Key(*form, Qt::Key_Space);
  });
  QVERIFY(!Shows(*form, "postfix"));
}

void WindowTraceTest::steppingKeysNeverReachTheEditor_data() {
  QTest::addColumn<bool>("table");
  QTest::addColumn<QString>("keys");
  for (const bool table : {true, false})
    for (const char* keys : {"flagged repeats", "release-press pairs", "presses only", "queued at the end"})
      QTest::newRow(qPrintable(QStringLiteral("%1, %2").arg(table ? "table" : "formula", keys))) << table << keys;
}

// Thirty Spaces for a run with fewer stops: those after the last stop,
// repeated or waiting in the queue when the run ended, edit nothing. Key
// repeat comes in three forms: presses the toolkit flags as repeats; a
// release and a press with one time stamp, not flagged (as X sends them);
// presses without releases, not flagged.
void WindowTraceTest::steppingKeysNeverReachTheEditor() {
  QFETCH(bool, table);
  QFETCH(QString, keys);
  auto form = ShownWindow();
  if (table)
    wt::TypeTable(*form, {"AB", "11", "01"});
  else
    TypeFormula(*form, "A.B+/A.B");
  Click(*form, "DBscan");
  const tervo::Engine& e = form->engine();
  const auto grids = [&] { return std::make_pair(e.FormulaGrid, e.TableGrid); };
  const auto before = grids();

  quint64 clock = 1000;  // milliseconds, as the window system stamps keys
  auto send = [&](QEvent::Type type, bool repeat, quint64 when) {
    QKeyEvent key(type, Qt::Key_Space, Qt::NoModifier, QStringLiteral(" "), repeat);
    key.setTimestamp(when);
    QApplication::sendEvent(form.get(), &key);
  };
  int spaces = 0;
  // One more Space: the first goes down; the others repeat it, or are
  // separate presses and releases.
  auto space = [&] {
    clock += 40;
    if (keys == QLatin1String("queued at the end")) {
      send(QEvent::KeyPress, false, clock);
      send(QEvent::KeyRelease, false, clock + 20);
    } else if (spaces == 0 || keys == QLatin1String("presses only")) {
      send(QEvent::KeyPress, false, clock);
    } else if (keys == QLatin1String("flagged repeats")) {
      send(QEvent::KeyPress, true, clock);
    } else {
      send(QEvent::KeyRelease, false, clock);
      send(QEvent::KeyPress, false, clock);
    }
    ++spaces;
  };
  // Presses still waiting in the queue when the run ends: posted as the
  // window, back to idle, enables its file buttons again.
  AtRunEnd queue(e, [&] {
    for (; spaces < 30; ++spaces) {
      QCoreApplication::postEvent(form.get(), new QKeyEvent(QEvent::KeyPress, Qt::Key_Space, Qt::NoModifier, " "));
      QCoreApplication::postEvent(form.get(), new QKeyEvent(QEvent::KeyRelease, Qt::Key_Space, Qt::NoModifier, " "));
    }
  });
  if (keys == QLatin1String("queued at the end")) Child<QWidget>(*form, "loadBtn")->installEventFilter(&queue);
  const QStringList stops = RunWithStops(*form, [&](const QString&, int) { space(); });
  QVERIFY(!stops.isEmpty());
  QVERIFY2(stops.size() < 10, qPrintable(QString::number(stops.size())));
  QVERIFY(form->Message().startsWith(QLatin1String("OK: ")));
  while (spaces < 30) space();
  if (keys != QLatin1String("queued at the end")) send(QEvent::KeyRelease, false, clock += 100);  // let go at last
  for (int i = 0; i < 5; ++i) QCoreApplication::processEvents();
  QVERIFY(grids() == before);

  // Once the run's keys are gone, Space is the editor's again.
  QTest::keyClick(form.get(), Qt::Key_Space);
  if (table)
    QCOMPARE(TableLine(e, 0), std::string(" B"));
  else
    QCOMPARE(FormulaRow(e, 0), std::string(" A.B+/A.B"));
}

// ESC at a Scan stop: the step shown there never runs, and the info pane
// does not keep it once the run is over (without a repaint forced here).
void WindowTraceTest::escapeAtAScanStopLeavesNoStepInTheInfoPane() {
  auto form = ShownWindow();
  TypeTable(*form, "ABCD\n11  \n0 1 \n 0 1");
  Click(*form, "DBscan");
  bool stepShown = false;
  RunWithStops(*form, [&](const QString&, int n) {
    if (n == 2) {
      Info(*form)->repaint();
      stepShown = !tervo::WindowTestAccess::ShownTexts(*Info(*form)).empty();
      Key(*form, Qt::Key_Escape);
      return;
    }
    Key(*form, Qt::Key_Space);
  });
  QVERIFY(stepShown);
  QCOMPARE(form->Message(), QStringLiteral("process terminated"));
  for (int i = 0; i < 5; ++i) QCoreApplication::processEvents();
  QVERIFY(tervo::WindowTestAccess::ShownTexts(*Info(*form)).empty());
}

void WindowTraceTest::saveScreenshots() {
  const QString dir = ScreenshotDir();
  if (dir.isEmpty()) QSKIP("TERVO_SCREENSHOT_DIR not set");
  auto form = ShownWindow();
  TypeTable(*form, "ABCD\n11  \n0 1 \n 0 1");
  Click(*form, "DBscan");
  bool saved = false;
  RunWithStops(*form, [&](const QString&, int) {
    if (!saved && Shows(*form, "new VT")) {
      QVERIFY(form->grab().save(dir + "/trace-virtual-compare.png"));
      saved = true;
    }
    Key(*form, saved ? Qt::Key_Escape : Qt::Key_Space);
  });
  QVERIFY(saved);
  auto xlate = ShownWindow();
  TypeFormula(*xlate, "(A+B).C/D");
  Click(*xlate, "DBxlate");
  RunWithStops(*xlate, [&](const QString&, int n) {
    if (n == 2) QVERIFY(xlate->grab().save(dir + "/trace-xlate-tables.png"));
    Key(*xlate, n == 2 ? Qt::Key_Escape : Qt::Key_Space);
  });
}

QTEST_MAIN(WindowTraceTest)
#include "window_trace_test.moc"
