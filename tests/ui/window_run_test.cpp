// The GO pipeline driven through the real window: results and messages,
// the stops of a traced run and the keys that answer them, and the controls
// that must not touch the tables while a run is in progress.
#include <QtTest>

#include "pipeline.h"
#include "output_pane.h"
#include "window_test_support.h"

using namespace wt;

class WindowRunTest : public QObject {
  Q_OBJECT
 private slots:
  void goShowsTheResultOrTheStageMessage_data();
  void goShowsTheResultOrTheStageMessage();
  void goOnATypedTableReducesIt();
  void goWithoutReduceReportsZeroSeconds();
  void goInDnfListsTheZeroRows();
  void outputFormSwitchEmptiesTheResult();
  void tableInputForcesCnfAndDropsADnfResult();
  void longResultSetsTheScrollRange();
  void xlateRunStopsFourTimesAndGoSteps();
  void escapeAtVariablesStopEndsTheRun();
  void escapeAtAReductionStopEndsTheRun();
  void reductionShowsProgressBetweenSlices();
  void escapeDuringTheReductionEndsTheRun();
  void controlsCannotChangeTablesDuringARun();
  void closingTheWindowAtAStopEndsTheRun();
  void closingDuringARunEndsTheProgram_data();
  void closingDuringARunEndsTheProgram();
  void closingDuringTheReductionEndsQuickly();
  void secondsAreFormattedWithTheLocaleSeparator_data();
  void secondsAreFormattedWithTheLocaleSeparator();
};

void WindowRunTest::goShowsTheResultOrTheStageMessage_data() {
  QTest::addColumn<QString>("formula");
  QTest::addColumn<QString>("message");  // exact, or the start of an "OK: " line
  QTest::addColumn<QStringList>("rows");
  QTest::newRow("empty editor") << "" << "EMPTY WINDOW" << QStringList();
  QTest::newRow("two terms") << "A.B+/A.C" << "OK: time = " << QStringList{"1 1 x", "0 x 1"};
  QTest::newRow("over two rows") << "A.B\n+/A.C" << "OK: time = " << QStringList{"1 1 x", "0 x 1"};
  QTest::newRow("syntax") << "A+" << "SYNTAX ERROR" << QStringList();
  QTest::newRow("open bracket") << "(A+B" << "PRIORITY ERROR" << QStringList();
  QTest::newRow("never true") << "A./A" << "INCONSISTENT" << QStringList();
  QTest::newRow("always true") << "A+/A" << "TAUTOLOGY" << QStringList();
  QTest::newRow("sixteen variables") << "A.B.C.D.E.F.G.H.I.J.K.L.M.N.O.P" << "TOO MANY VARIABLES" << QStringList();
  QTest::newRow("always true, longer") << "A.B+A./B+/A" << "TAUTOLOGY" << QStringList();
}

void WindowRunTest::goShowsTheResultOrTheStageMessage() {
  QFETCH(QString, formula);
  QFETCH(QString, message);
  QFETCH(QStringList, rows);
  auto form = ShownWindow();
  TypeFormula(*form, formula);
  Click(*form, "GObtn");
  const tervo::Engine& e = form->engine();
  QCOMPARE(e.RunState, 0);
  if (message.startsWith(QLatin1String("OK: "))) {
    QVERIFY2(form->Message().startsWith(message), qPrintable(form->Message()));
    QVERIFY(form->Message().endsWith(QLatin1String(" secs")));
    QCOMPARE(ResultRows(e), rows);
    QVERIFY(Child<OutputPane>(*form, "outputbox")->ShowsResult());
  } else {
    QCOMPARE(form->Message(), message);
  }
  if (message == QLatin1String("EMPTY WINDOW")) QVERIFY(!Child<OutputPane>(*form, "outputbox")->ShowsResult());
  // The editor is back: cursor at the start and blinking.
  QCOMPARE(QPoint(form->editor().CursorCol, form->editor().CursorRow), QPoint(0, 0));
  QVERIFY(form->editor().CursorVisible);
}

void WindowRunTest::goOnATypedTableReducesIt() {
  auto form = ShownWindow();
  TypeTable(*form, {"abc", "11 ", "110", "0 1"});
  Click(*form, "GObtn");
  QVERIFY2(form->Message().startsWith(QLatin1String("OK: time = ")), qPrintable(form->Message()));
  QCOMPARE(ResultRows(form->engine()), (QStringList{"1 1 x", "0 x 1"}));
  QCOMPARE(OutputPane::HeaderText(form->engine()), QStringLiteral("A.B.C"));
  // The table mode and its prompt come back for the next edit.
  QCOMPARE(form->engine().FormulaMode, 0);

  Click(*form, "inclearBtn");
  TypeTable(*form, {"aba", "1 1"});
  Click(*form, "GObtn");
  QCOMPARE(form->Message(), QStringLiteral("DUPLICATE VARIABLES"));

  // Two terms that merge into one covering everything.
  Click(*form, "inclearBtn");
  TypeTable(*form, {"a", "1", "0"});
  Click(*form, "GObtn");
  QCOMPARE(form->Message(), QStringLiteral("TAUTOLOGY"));
  QCOMPARE(form->engine().TermCount, 0);
}

void WindowRunTest::goWithoutReduceReportsZeroSeconds() {
  auto form = ShownWindow();
  TypeFormula(*form, "A.B+/A.C");
  Click(*form, "reducecheckbox");
  QCOMPARE(form->engine().ReduceOn, 0);
  Click(*form, "GObtn");
  QCOMPARE(form->Message(), QStringLiteral("OK: time = 0 secs"));
  // Every collected assignment, ascending, variable A the lowest bit.
  QCOMPARE(ResultRows(form->engine()), (QStringList{"1 1 0", "0 0 1", "0 1 1", "1 1 1"}));
}

void WindowRunTest::goInDnfListsTheZeroRows() {
  auto form = ShownWindow();
  TypeFormula(*form, "A.B");
  Click(*form, "dnfBtn");
  Click(*form, "reducecheckbox");
  Click(*form, "GObtn");
  QCOMPARE(OutputPane::HeaderText(form->engine()), QStringLiteral("A+B"));
  QCOMPARE(ResultRows(form->engine()), (QStringList{"1 1", "0 1", "1 0"}));
  QCOMPARE(form->Message(), QStringLiteral("OK: time = 0 secs"));
  Click(*form, "reducecheckbox");
  Click(*form, "GObtn");
  QVERIFY2(form->Message().startsWith(QLatin1String("OK: time = ")), qPrintable(form->Message()));
  QCOMPARE(ResultRows(form->engine()), (QStringList{"x 1", "1 x"}));
}

void WindowRunTest::outputFormSwitchEmptiesTheResult() {
  auto form = ShownWindow();
  TypeFormula(*form, "A-B-C-D-E-F");
  Click(*form, "GObtn");
  QCOMPARE(form->engine().TermCount, 32);
  Child<QScrollBar>(*form, "outputscrollbar")->setValue(7);
  Click(*form, "dnfBtn");
  const tervo::Engine& e = form->engine();
  QCOMPARE(e.CnfMode, 0);
  QCOMPARE(e.TermCount, 0);
  QCOMPARE(e.TermValue[1], 0);
  QCOMPARE(e.TermMask[32], 0);
  QCOMPARE(Child<QScrollBar>(*form, "outputscrollbar")->value(), 0);
  // The header keeps the letters, joined the DNF way.
  QCOMPARE(OutputPane::HeaderText(e), QStringLiteral("A+B+C+D+E+F"));
  Click(*form, "cnfBtn");
  QCOMPARE(e.CnfMode, 1);
  QCOMPARE(OutputPane::HeaderText(e), QStringLiteral("A.B.C.D.E.F"));

  // The output "X" drops the variables and the terms.
  Click(*form, "GObtn");
  Click(*form, "SpeedButton2");
  QCOMPARE(e.TermCount, 0);
  QCOMPARE(e.VariableCount, 0);
  QVERIFY(!Child<OutputPane>(*form, "outputbox")->ShowsResult());
}

void WindowRunTest::tableInputForcesCnfAndDropsADnfResult() {
  auto form = ShownWindow();
  TypeFormula(*form, "A.B");
  Click(*form, "dnfBtn");
  Click(*form, "GObtn");
  QVERIFY(form->engine().TermCount > 0);
  Click(*form, "tablebtn");
  QCOMPARE(form->engine().CnfMode, 1);
  QVERIFY(Child<QAbstractButton>(*form, "cnfBtn")->isChecked());
  QCOMPARE(form->engine().TermCount, 0);
  Click(*form, "forminbtn");
  QVERIFY(Child<QWidget>(*form, "dnfBtn")->isEnabled());
  QVERIFY(Child<QAbstractButton>(*form, "cnfBtn")->isChecked());
}

void WindowRunTest::longResultSetsTheScrollRange() {
  auto form = ShownWindow();
  auto* bar = Child<QScrollBar>(*form, "outputscrollbar");
  QCOMPARE(bar->maximum(), 32750);
  TypeFormula(*form, "A-B-C-D-E-F");  // 32 terms that cannot be merged
  Click(*form, "GObtn");
  QCOMPARE(form->engine().TermCount, 32);
  QCOMPARE(bar->maximum(), 22);
  QCOMPARE(bar->pageStep(), 20);
  bar->setValue(5);
  QCOMPARE(Child<OutputPane>(*form, "outputbox")->ScrollPos(), 5);
  Click(*form, "inclearBtn");
  TypeFormula(*form, "A.B");
  Click(*form, "GObtn");
  QCOMPARE(bar->maximum(), 10);
  QCOMPARE(bar->value(), 0);
}

void WindowRunTest::xlateRunStopsFourTimesAndGoSteps() {
  auto form = ShownWindow();
  TypeFormula(*form, "A+B");
  Click(*form, "DBxlate");
  QCOMPARE(form->engine().TraceXlate, 1);
  const QStringList stops = RunWithStops(*form, [&](const QString&, int n) {
    QCOMPARE(form->engine().RunState, 1);
    if (n % 2)
      Key(*form, Qt::Key_Space);
    else
      Click(*form, "GObtn");  // GO at a stop steps like <space>
  });
  QCOMPARE(stops, (QStringList{"stop: PostfixTable <space> to step  <ESC> to continue",
                               "stop: Variables <space> to step  <ESC> to continue",
                               "stop: Directors <space> to step  <ESC> to continue",
                               "stop: initial Truth Table <space> to step  <ESC> to continue"}));
  QVERIFY2(form->Message().startsWith(QLatin1String("OK: ")), qPrintable(form->Message()));

  // Table input has only the truth-table stop.
  TypeTable(*form, {"ab", "1"});
  const QStringList tableStops = RunWithStops(*form, [&](const QString&, int) { Key(*form, Qt::Key_Space); });
  QCOMPARE(tableStops, QStringList{"stop: initial Truth Table <space> to step  <ESC> to continue"});
}

void WindowRunTest::escapeAtVariablesStopEndsTheRun() {
  auto form = ShownWindow();
  TypeFormula(*form, "A-B-C-D-E-F");
  Click(*form, "GObtn");
  Child<QScrollBar>(*form, "outputscrollbar")->setValue(5);
  Click(*form, "inclearBtn");
  TypeFormula(*form, "A.B+/A.C");
  Click(*form, "DBxlate");
  tervo::Engine& e = form->engine();
  e.DirectorCount = 77;  // a run that generates directors resets it
  const QStringList stops = RunWithStops(*form, [&](const QString& msg, int) {
    Key(*form, msg.contains(QLatin1String("Variables")) ? Qt::Key_Escape : Qt::Key_Space);
  });
  QCOMPARE(stops.size(), 2);
  QCOMPARE(form->Message(), QStringLiteral("process terminated"));
  QCOMPARE(e.DirectorCount, 77);
  QCOMPARE(e.RunState, 0);
  QCOMPARE(e.StepWait, 0);
  QVERIFY(Child<QWidget>(*form, "cnfBtn")->isEnabled());
  // The old terms are not shown under the new letters.
  QVERIFY(!Child<OutputPane>(*form, "outputbox")->ShowsResult());

  // The next GO starts a fresh run at once.
  Click(*form, "DBxlate");
  Click(*form, "GObtn");
  QVERIFY2(form->Message().startsWith(QLatin1String("OK: ")), qPrintable(form->Message()));
  QCOMPARE(ResultRows(e), (QStringList{"1 1 x", "0 x 1"}));
}

void WindowRunTest::escapeAtAReductionStopEndsTheRun() {
  auto form = ShownWindow();
  TypeFormula(*form, "A.B+/A.C");
  Click(*form, "DBscan");
  QCOMPARE(form->engine().TraceScan, 1);
  auto* pane = Child<OutputPane>(*form, "outputbox");
  const QStringList stops = RunWithStops(*form, [&](const QString&, int n) {
    QCOMPARE(form->engine().RunState, 2);
    // The compared entries carry the markers.
    QVERIFY(pane->Marker(1) != 0);
    Key(*form, n == 1 ? Qt::Key_Escape : Qt::Key_Space);
  });
  QCOMPARE(stops.size(), 2);
  QCOMPARE(stops[0], QStringLiteral("stop: <space> to continue  <ESC> to end"));
  QCOMPARE(form->Message(), QStringLiteral("process terminated"));
  QCOMPARE(form->engine().RunState, 0);
}

void WindowRunTest::reductionShowsProgressBetweenSlices() {
  auto form = ShownWindow();
  TypeFormula(*form, "A-B-C-D-E-F-G-H");  // 128 terms, none mergeable
  form->engine().SliceBudget = 1;         // a slice per entry
  QStringList seen;
  QTimer poll;
  QObject::connect(&poll, &QTimer::timeout, [&] {
    if (form->engine().RunState == 2 && !seen.contains(form->Message())) seen << form->Message();
  });
  poll.start(0);
  Click(*form, "GObtn");
  poll.stop();
  QVERIFY(seen.contains(QStringLiteral("scanning truth table ")));
  for (int marks = 1; marks <= 9; ++marks)
    QVERIFY2(seen.contains(QStringLiteral("scanning truth table ") + QString(marks, QLatin1Char('>'))),
             qPrintable(seen.join(" | ")));
  QVERIFY(!seen.contains(QStringLiteral("scanning truth table ") + QString(10, QLatin1Char('>'))));
  QVERIFY2(form->Message().startsWith(QLatin1String("OK: ")), qPrintable(form->Message()));
  QCOMPARE(form->engine().TermCount, 128);
}

void WindowRunTest::escapeDuringTheReductionEndsTheRun() {
  auto form = ShownWindow();
  TypeFormula(*form, "A-B-C-D-E-F-G-H");
  form->engine().SliceBudget = 1;
  QTimer poll;
  bool sent = false;
  QObject::connect(&poll, &QTimer::timeout, [&] {
    if (!sent && form->Message().startsWith(QLatin1String("scanning truth table >>>"))) {
      sent = true;
      Click(*form, "GObtn");  // no second run, no effect
      Key(*form, Qt::Key_Escape);
    }
  });
  poll.start(0);
  Click(*form, "GObtn");
  poll.stop();
  QVERIFY(sent);
  QCOMPARE(form->Message(), QStringLiteral("process terminated"));
  QCOMPARE(form->engine().RunState, 0);
}

void WindowRunTest::controlsCannotChangeTablesDuringARun() {
  auto form = ShownWindow();
  TypeFormula(*form, "A.B+/A.C");
  Click(*form, "GObtn");
  tervo::Engine& e = form->engine();
  const uint16_t terms = e.TermCount;
  Click(*form, "DBxlate");
  const char* changers[] = {"cnfBtn", "dnfBtn", "forminbtn", "tablebtn", "inclearBtn", "SpeedButton2"};
  RunWithStops(*form, [&](const QString&, int n) {
    if (n == 3) {  // the truth table is built
      for (const char* name : changers) {
        QVERIFY2(!Child<QWidget>(*form, name)->isEnabled(), name);
        Click(*form, name);
      }
      Type(*form, "xyz");
      Key(*form, Qt::Key_Return);
      Key(*form, Qt::Key_Y, Qt::ControlModifier);
      QTest::mouseClick(Child<QWidget>(*form, "inputbox"), Qt::LeftButton, {}, QPoint(200, 200));
      Click(*form, "GObtn");  // steps on
      return;
    }
    Key(*form, Qt::Key_Space);
  });
  QCOMPARE(e.CnfMode, 1);
  QCOMPARE(e.FormulaMode, 1);
  QCOMPARE(FormulaRow(e, 0), std::string("A.B+/A.C"));
  QCOMPARE(FormulaRow(e, 1), std::string());
  QCOMPARE(e.TermCount, terms);
  QCOMPARE(e.VariableCount, 3);
  QVERIFY2(form->Message().startsWith(QLatin1String("OK: ")), qPrintable(form->Message()));
  for (const char* name : changers) QVERIFY2(Child<QWidget>(*form, name)->isEnabled(), name);
}

void WindowRunTest::closingTheWindowAtAStopEndsTheRun() {
  auto form = ShownWindow();
  TypeFormula(*form, "A.B+/A.C");
  Click(*form, "DBxlate");
  const QStringList stops = RunWithStops(*form, [&](const QString&, int) { form->close(); });
  QCOMPARE(stops.size(), 1);
  QVERIFY(!form->isVisible());
  QCOMPARE(form->Message(), QStringLiteral("process terminated"));
  QCOMPARE(form->engine().RunState, 0);
  QCOMPARE(form->engine().StepWait, 0);
}

void WindowRunTest::closingDuringARunEndsTheProgram_data() {
  QTest::addColumn<QString>("trace");
  QTest::newRow("at a translation stop") << "DBxlate";
  QTest::newRow("at a reduction stop") << "DBscan";
}

void WindowRunTest::closingDuringARunEndsTheProgram() {
  QFETCH(QString, trace);
  auto form = ShownWindow();
  TypeFormula(*form, "A.B+/A.C");
  Click(*form, trace.toLatin1().constData());
  // As the program runs: GO from inside the event loop, the window closed
  // while the run waits; the loop must then end.
  QTimer poll;
  QObject::connect(&poll, &QTimer::timeout, [&] {
    if (form->engine().StepWait == 1 && form->isVisible()) form->close();
  });
  poll.start(5);
  QTimer::singleShot(0, [&] { Click(*form, "GObtn"); });
  QTimer watchdog;
  watchdog.setSingleShot(true);
  QObject::connect(&watchdog, &QTimer::timeout, [] { qFatal("the event loop did not end after closing"); });
  watchdog.start(20000);
  QCOMPARE(QApplication::exec(), 0);
  watchdog.stop();
  QCOMPARE(form->engine().RunState, 0);
  QCOMPARE(form->Message(), QStringLiteral("process terminated"));
}

// The window closed while the reduction works, without stops: the event loop
// ends soon after. The figure is printed; the bound is generous, for a
// machine shared with other work.
void WindowRunTest::closingDuringTheReductionEndsQuickly() {
  auto form = ShownWindow();
  TypeFormula(*form, "A-B-C-D-E-F-G-H-I-J-K-L-M-N");
  QElapsedTimer sinceClose;
  QTimer poll;
  QObject::connect(&poll, &QTimer::timeout, [&] {
    if (form->isVisible() && form->engine().RunState == 2) {
      sinceClose.start();
      form->close();
    }
  });
  poll.start(0);  // at every pass of the event loop, the reduction's included
  QTimer::singleShot(0, [&] {
    Click(*form, "GObtn");
    form->close();  // a run too quick to be caught still ends the loop
  });
  QTimer watchdog;
  watchdog.setSingleShot(true);
  QObject::connect(&watchdog, &QTimer::timeout, [] { qFatal("the event loop did not end after closing"); });
  watchdog.start(20000);
  QCOMPARE(QApplication::exec(), 0);
  const qint64 ms = sinceClose.elapsed();
  watchdog.stop();
  QVERIFY(sinceClose.isValid());
  qInfo("closing during the reduction: the event loop ended %lld ms after the close", ms);
  QCOMPARE(form->Message(), QStringLiteral("process terminated"));
  QVERIFY2(ms < 1500, qPrintable(QString::number(ms)));
}

void WindowRunTest::secondsAreFormattedWithTheLocaleSeparator_data() {
  QTest::addColumn<double>("seconds");
  QTest::addColumn<QString>("separator");
  QTest::addColumn<QString>("text");
  QTest::newRow("zero") << 0.0 << "." << "0";
  QTest::newRow("below a millisecond") << 0.0004 << "." << "0";
  QTest::newRow("milliseconds") << 0.016 << "." << "0.016";
  QTest::newRow("trailing zeros dropped") << 0.25 << "," << "0,25";
  QTest::newRow("rounded to three places") << 12.34567 << "," << "12,346";
  QTest::newRow("whole seconds") << 2.0 << "." << "2";
}

void WindowRunTest::secondsAreFormattedWithTheLocaleSeparator() {
  QFETCH(double, seconds);
  QFETCH(QString, separator);
  QFETCH(QString, text);
  QCOMPARE(QString::fromStdString(tervo::FormatSeconds(seconds, 3, separator.toStdString())), text);
}

QTEST_MAIN(WindowRunTest)
#include "window_run_test.moc"
