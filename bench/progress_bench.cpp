// What the info pane's progress display costs the reduction: the adder carry
// (functions.h) reduced with and without it, in turns (A, B, A, B...) in one
// process, so that a loaded machine weighs on both alike.
//
//   tervo42-progress-bench [rounds]     (default 2 rounds of each)
//
// "with" is what the window does between two slices of an untraced run:
// the message line's text into a label, new figures (ReduceProgress) at most
// four times a second, and a repaint of a real info pane with them, on a
// shown window under whatever platform Qt runs on (offscreen will do).
// "without" sets the label and lets the events run, nothing more.
// Besides the wall-clock and processor seconds of each run, it prints the
// processor time spent taking the figures and letting the events run (the
// pane's paints happen there), which is where the display's cost lies.
#include <QApplication>
#include <QLabel>
#include <QWidget>
#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <ctime>
#include <memory>

#include "bench_table.h"
#include "engine.h"
#include "functions.h"
#include "DBG_unit.h"
#include "logic_unit.h"
#include "reduce_progress.h"

namespace {

using Clock = std::chrono::steady_clock;

double Now() { return std::chrono::duration<double>(Clock::now().time_since_epoch()).count(); }

// The processor time this thread has used, in seconds: what the reduction
// and the display spent, without the waits of a machine shared with others.
double ThreadSeconds() {
  timespec t{};
  clock_gettime(CLOCK_THREAD_CPUTIME_ID, &t);
  return static_cast<double>(t.tv_sec) + static_cast<double>(t.tv_nsec) * 1e-9;
}

struct WindowLikeHost : tervo::NullHost {
  tervo::Engine* engine = nullptr;
  QLabel* message = nullptr;
  InfoPane* info = nullptr;
  tervo::ReduceProgress* progress = nullptr;  // none: no progress display
  int redraws = 0;
  double figuresCpu = 0;  // processor seconds spent taking the figures
  double eventsCpu = 0;   // processor seconds spent letting the events run (the paints among them)
  void ShowProgress(std::string_view text) override {
    message->setText(QString::fromLatin1(text.data(), static_cast<qsizetype>(text.size())));
    if (!progress) return;
    const double start = ThreadSeconds();
    if (progress->Update(*engine, Now())) {
      info->Redraw();
      ++redraws;
    }
    figuresCpu += ThreadSeconds() - start;
  }
  void ProcessPendingEvents() override {
    const double start = ThreadSeconds();
    QCoreApplication::processEvents(QEventLoop::AllEvents);
    eventsCpu += ThreadSeconds() - start;
  }
};

}  // namespace

int main(int argc, char** argv) {
  QApplication app(argc, argv);
  const int rounds = argc > 1 ? std::max(1, std::atoi(argv[1])) : 2;
  QWidget window;
  window.resize(1233, 682);
  auto* message = new QLabel(&window);
  message->setGeometry(8, 640, 1193, 25);
  auto* info = new InfoPane(&window);
  info->setGeometry(840, 91, 380, 540);
  tervo::ReduceProgress progress;
  info->setProvider([&progress] { return progress.Texts(); });
  window.show();

  const tervo::bench::Function f = tervo::bench::AdderCarry15();
  auto e = std::make_unique<tervo::Engine>();
  std::printf("%-8s %10s %10s %8s %8s %9s %11s %10s\n", "display", "seconds", "cpu_s", "passes", "terms", "redraws",
              "figures_ms", "events_ms");
  for (int round = 0; round < rounds; ++round) {
    for (const bool shown : {false, true}) {
      tervo::bench::Load(*e, f);
      e->GoOn = 1;
      e->TraceScan = 0;
      WindowLikeHost host;
      host.engine = e.get();
      host.message = message;
      host.info = info;
      host.progress = shown ? &progress : nullptr;
      const uint32_t passesBefore = e->PassCount;
      const auto start = Clock::now();
      const double cpuStart = ThreadSeconds();
      if (shown) progress.Start(*e, Now());
      tervo::ReduceTruthTable(*e, host);
      const double seconds = std::chrono::duration<double>(Clock::now() - start).count();
      const double cpu = ThreadSeconds() - cpuStart;
      progress.Stop();
      double terms = 0, literals = 0;
      tervo::bench::CountTerms(*e, terms, literals);
      std::printf("%-8s %10.3f %10.3f %8u %8.0f %9d %11.1f %10.1f\n", shown ? "with" : "without", seconds, cpu,
                  e->PassCount - passesBefore, terms, host.redraws, host.figuresCpu * 1000, host.eventsCpu * 1000);
      std::fflush(stdout);
    }
  }
  return 0;
}
