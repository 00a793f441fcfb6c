// A long reduction in the real window: ESC at any moment ends it at once
// with "process terminated", and the window keeps processing its events
// (timers, repaints) all the time the reduction runs.
#include <QElapsedTimer>
#include <QKeyEvent>
#include <QtTest>
#include <atomic>
#include <chrono>
#include <thread>

#include "window_test_support.h"

using namespace wt;

namespace {

// Fifteen variables; the reduction of this function runs for seconds.
const char* const kLongFormula = "(A.B+C.D+E.F+G.H)-(I.J+K.L+M.N.O)";

}  // namespace

class WindowEscapeTest : public QObject {
  Q_OBJECT
 private slots:
  void escapeDuringALongReductionEndsItAtOnce_data();
  void escapeDuringALongReductionEndsItAtOnce();
};

void WindowEscapeTest::escapeDuringALongReductionEndsItAtOnce_data() {
  QTest::addColumn<int>("afterMs");  // ESC this long after the reduction began
  QTest::newRow("early") << 150;
  QTest::newRow("later") << 900;
  QTest::newRow("much later") << 2500;
}

void WindowEscapeTest::escapeDuringALongReductionEndsItAtOnce() {
  // The key is posted from another thread, as the window system delivers a
  // key while the reduction runs: it waits in the queue until the
  // reduction next lets events run, and that wait is what is measured.
  using Clock = std::chrono::steady_clock;
  QFETCH(int, afterMs);
  auto form = ShownWindow();
  TypeFormula(*form, QString::fromLatin1(kLongFormula));
  std::atomic<bool> reducing{false}, sent{false};
  Clock::time_point keyAt;
  QElapsedTimer sinceTick;
  qint64 longestGapMs = 0;
  QTimer tick;  // stands for the repaints and animations of the window
  QObject::connect(&tick, &QTimer::timeout, [&] {
    if (form->engine().RunState != 2) return;
    if (!reducing.exchange(true)) sinceTick.start();
    longestGapMs = std::max(longestGapMs, sinceTick.restart());
  });
  TForm1* target = form.get();
  std::thread user([&] {
    while (!reducing) std::this_thread::sleep_for(std::chrono::milliseconds(1));
    std::this_thread::sleep_for(std::chrono::milliseconds(afterMs));
    keyAt = Clock::now();
    sent = true;
    QCoreApplication::postEvent(target, new QKeyEvent(QEvent::KeyPress, Qt::Key_Escape, Qt::NoModifier));
  });
  tick.start(2);
  Click(*form, "GObtn");  // returns when the run is over
  const Clock::time_point endAt = Clock::now();
  reducing = true;  // lets the thread go on if the run never reached the reduction
  user.join();
  tick.stop();
  QVERIFY2(sent && keyAt < endAt, "the reduction ended before the key was sent");
  QCOMPARE(form->Message(), QStringLiteral("process terminated"));
  QCOMPARE(form->engine().RunState, 0);
  for (int t = 1; t <= form->engine().TermCount; ++t) QCOMPARE(form->engine().TermMark[t], uint8_t{0});
  const auto answerMs = std::chrono::duration_cast<std::chrono::milliseconds>(endAt - keyAt).count();
  qInfo("ESC %d ms into the reduction: \"process terminated\" %lld ms after the key; longest gap between two "
        "timer ticks %lld ms",
        afterMs, static_cast<long long>(answerMs), longestGapMs);
  QVERIFY2(answerMs < 1000, qPrintable(QString::number(answerMs)));
  QVERIFY2(longestGapMs < 1000, qPrintable(QString::number(longestGapMs)));
}

QTEST_MAIN(WindowEscapeTest)
#include "window_escape_test.moc"
