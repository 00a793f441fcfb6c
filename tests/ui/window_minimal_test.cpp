// The "minimal" box through the real window: where it stands and how it
// starts, GO with it in the reduction's place and the message line it
// leaves, the cases where it does nothing (no "reduce", the Scan trace),
// ESC during the search, and formula files that do not keep it.
#include <QtTest>

#include <QCheckBox>
#include <QDir>
#include <QFile>
#include <QTemporaryDir>

#include "minimal_cover.h"
#include "output_pane.h"
#include "window_test_access.h"
#include "window_test_support.h"

using namespace wt;

namespace {

QCheckBox* MinimalBox(TForm1& form) { return Child<QCheckBox>(form, "minimalcheckbox"); }

// A result line "OK: time = <seconds> secs<rest>": its rest.
QString AfterSeconds(const QString& message) {
  const int at = message.indexOf(QLatin1String(" secs"));
  return at < 0 ? QString() : message.mid(at + 5);
}

}  // namespace

class WindowMinimalTest : public QObject {
  Q_OBJECT
 private slots:
  void boxStandsRightOfDnfAndStartsClear();
  void goComputesTheMinimalCover_data();
  void goComputesTheMinimalCover();
  void withoutReduceNothingIsReduced();
  void scanTraceShowsTheReductionOnly();
  void escapeDuringTheSearchKeepsTheBestCover();
  void formulaFilesDoNotKeepTheBox();
  void saveScreenshot();
};

void WindowMinimalTest::boxStandsRightOfDnfAndStartsClear() {
  auto form = ShownWindow();
  QCheckBox* box = MinimalBox(*form);
  QCOMPARE(box->geometry(), QRect(668, 58, 72, 17));
  QCOMPARE(box->text(), QStringLiteral("minimal"));
  QCOMPARE(box->focusPolicy(), Qt::NoFocus);
  QVERIFY(!box->isChecked());
  QVERIFY(!form->MinimalOn());
  // in the free space of the header row, clear of its neighbours
  for (const char* other : {"dnfBtn", "SpeedButton2", "outputbox"})
    QVERIFY2(!box->geometry().intersects(Child<QWidget>(*form, other)->geometry()), other);
  QVERIFY(box->fontMetrics().horizontalAdvance(box->text()) + 20 <= box->width());
  Click(*form, "minimalcheckbox");
  QVERIFY(form->MinimalOn());
  Click(*form, "minimalcheckbox");
  QVERIFY(!form->MinimalOn());
}

void WindowMinimalTest::goComputesTheMinimalCover_data() {
  QTest::addColumn<QString>("formula");
  QTest::addColumn<bool>("dnf");
  QTest::addColumn<int>("terms");
  // a cycle of six implications: the reduction keeps 7 terms, 6 suffice
  QTest::newRow("cycle of six") << "A./B+B./C+C./D+D./E+E./F+F./A" << false << 6;
  QTest::newRow("cycle of six, DNF") << "A./B+B./C+C./D+D./E+E./F+F./A" << true << 2;
  QTest::newRow("consensus") << "A.B+/A.C+B.C" << false << 2;
  QTest::newRow("parity") << "A-B-C-D-E" << false << 16;
}

void WindowMinimalTest::goComputesTheMinimalCover() {
  QFETCH(QString, formula);
  QFETCH(bool, dnf);
  QFETCH(int, terms);
  auto plain = ShownWindow();
  TypeFormula(*plain, formula);
  if (dnf) Click(*plain, "dnfBtn");
  Click(*plain, "GObtn");
  const int reduced = plain->engine().TermCount;
  QCOMPARE(AfterSeconds(plain->Message()), QString());  // the reduction adds nothing

  auto form = ShownWindow();
  TypeFormula(*form, formula);
  if (dnf) Click(*form, "dnfBtn");
  Click(*form, "minimalcheckbox");
  Click(*form, "GObtn");
  QVERIFY2(form->Message().startsWith(QLatin1String("OK: time = ")), qPrintable(form->Message()));
  QCOMPARE(AfterSeconds(form->Message()), QStringLiteral(", minimum"));
  QCOMPARE(form->engine().TermCount, terms);
  QVERIFY(terms <= reduced);
  QCOMPARE(form->engine().RunState, 0);
  // what the pane shows is the engine's table
  QCOMPARE(ResultRows(form->engine()).size(), terms);
}

void WindowMinimalTest::withoutReduceNothingIsReduced() {
  auto form = ShownWindow();
  TypeFormula(*form, "A.B+/A.C+B.C");
  Click(*form, "minimalcheckbox");
  Click(*form, "reducecheckbox");
  Click(*form, "GObtn");
  QCOMPARE(form->Message(), QStringLiteral("OK: time = 0 secs"));
  QCOMPARE(form->engine().TermCount, 4);  // the collected rows
}

void WindowMinimalTest::scanTraceShowsTheReductionOnly() {
  auto form = ShownWindow();
  TypeFormula(*form, "A./B+B./C+C./D+D./E+E./F+F./A");
  Click(*form, "minimalcheckbox");
  Click(*form, "DBscan");
  int stops = 0;
  QTimer step;
  QObject::connect(&step, &QTimer::timeout, [&] {
    if (form->engine().StepWait) {
      ++stops;
      Key(*form, Qt::Key_Space);
    }
  });
  step.start(0);
  Click(*form, "GObtn");
  step.stop();
  QVERIFY(stops > 0);
  QVERIFY2(form->Message().startsWith(QLatin1String("OK: ")), qPrintable(form->Message()));
  QCOMPARE(AfterSeconds(form->Message()), QString());
  QCOMPARE(form->engine().TermCount, 7);  // the reduction's result
}

void WindowMinimalTest::escapeDuringTheSearchKeepsTheBestCover() {
  auto form = ShownWindow();
  // fifteen variables: the cube table alone takes a while
  TypeFormula(*form, "(A.B./C+D.E)-(F./G.H+I.J)-(K.L+/M.N.O)+(A-D-G-J).(B+E+H+/K)");
  Click(*form, "minimalcheckbox");
  QTimer poll;
  bool sent = false;
  QObject::connect(&poll, &QTimer::timeout, [&] {
    if (!sent && form->Message().startsWith(QLatin1String("minimal cover"))) {
      sent = true;
      Click(*form, "GObtn");  // no second run
      Key(*form, Qt::Key_Escape);
    }
  });
  poll.start(0);
  Click(*form, "GObtn");
  poll.stop();
  QVERIFY(sent);
  // the verification held: what is left covers exactly the function
  QVERIFY2(form->Message().startsWith(QLatin1String("OK: time = ")), qPrintable(form->Message()));
  QVERIFY2(form->Message().endsWith(QLatin1String(", stopped: best cover so far")), qPrintable(form->Message()));
  QVERIFY2(AfterSeconds(form->Message()).startsWith(QLatin1String(", at least ")), qPrintable(form->Message()));
  QVERIFY(form->engine().TermCount > 0);
  QCOMPARE(form->engine().RunState, 0);
  QCOMPARE(form->engine().StepWait, 0);
  // the next GO starts a fresh run
  Click(*form, "GObtn");
  QVERIFY2(AfterSeconds(form->Message()) == QLatin1String(", minimum"), qPrintable(form->Message()));
}

void WindowMinimalTest::formulaFilesDoNotKeepTheBox() {
  QTemporaryDir dir;
  QVERIFY(dir.isValid());
  auto form = ShownWindow();
  QString answer;
  tervo::WindowTestAccess::AskSavePath(*form) = [&](const QString&, const QString&) { return answer; };
  tervo::WindowTestAccess::AskOpenPath(*form) = [&](const QString&, const QString&) { return answer; };
  TypeFormula(*form, "A.B+/A.C+B.C");
  Click(*form, "GObtn");
  answer = dir.filePath("tervo42_plain");
  Click(*form, "saveBtn");
  Click(*form, "minimalcheckbox");
  answer = dir.filePath("tervo42_ticked");
  Click(*form, "saveBtn");
  QVERIFY(!FileBytes(dir.filePath("tervo42_plain")).isEmpty());
  QCOMPARE(FileBytes(dir.filePath("tervo42_ticked")), FileBytes(dir.filePath("tervo42_plain")));
  // loading leaves the box as it is, ticked or not
  answer = dir.filePath("tervo42_plain");
  Click(*form, "loadBtn");
  QVERIFY(MinimalBox(*form)->isChecked());
  QVERIFY(form->MinimalOn());
  Click(*form, "minimalcheckbox");
  Click(*form, "loadBtn");
  QVERIFY(!MinimalBox(*form)->isChecked());
}

void WindowMinimalTest::saveScreenshot() {
  const QString dir = ScreenshotDir();
  if (dir.isEmpty()) QSKIP("TERVO_SCREENSHOT_DIR not set");
  auto form = ShownWindow();
  TypeFormula(*form, "A./B+B./C+C./D+D./E+E./F+F./A");
  Click(*form, "minimalcheckbox");
  Click(*form, "GObtn");
  QVERIFY(form->grab().save(dir + "/window-minimal.png"));
}

QTEST_MAIN(WindowMinimalTest)
#include "window_minimal_test.moc"
