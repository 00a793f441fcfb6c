// Writes a picture of the help window at a page, for the screenshots in
// docs/screenshots and for looking at the manual while writing it.
//
//   help_screenshot <page> <out.png> [highlight-row]
//   help_screenshot all <folder>       every page, as help-NN.png
//   help_screenshot check              lists layout problems of every page
//
// Run it under a real display (for example xvfb-run) or the offscreen platform.
#include <QApplication>
#include <QMouseEvent>
#include <QPixmap>
#include <QTest>
#include <cstdio>
#include <cstdlib>

#include "help_lint.h"
#include "help_unit.h"

int main(int argc, char** argv) {
  QApplication app(argc, argv);
  if (argc < 2) {
    std::fprintf(stderr, "usage: help_screenshot <page> <out.png> [highlight-row]\n");
    return 2;
  }
  Thelpform help;
  help.OpenHelp();
  if (!QTest::qWaitForWindowExposed(&help)) return 1;
  const QString mode = QString::fromLocal8Bit(argv[1]);
  if (mode == QLatin1String("check") || mode == QLatin1String("all")) {
    int problems = 0;
    for (;;) {
      for (const QString& p : LintHelpPage(help, help.findChild<QWidget*>("helpbox")->width())) {
        std::printf("%s\n", qPrintable(p));
        ++problems;
      }
      if (mode == QLatin1String("all")) {
        QTest::qWait(50);
        help.grab().save(QStringLiteral("%1/help-%2.png").arg(QString::fromLocal8Bit(argv[2])).arg(help.HelpPage, 2, 10, QLatin1Char('0')));
      }
      if (help.HelpPage == help.HelpPageCount) break;
      help.StepPage(Thelpform::kNextPage);
    }
    return problems == 0 ? 0 : 1;
  }
  const int page = std::atoi(argv[1]);
  for (int p = 1; p < page; ++p) help.StepPage(Thelpform::kNextPage);
  if (help.HelpPage != page) {
    std::fprintf(stderr, "the help has only %d pages\n", help.HelpPageCount);
    return 1;
  }
  if (argc > 3) {
    auto* box = help.findChild<QWidget*>("helpbox");
    QTest::mouseMove(box, QPoint(300, 24 * std::atoi(argv[3]) + 10));
  }
  QTest::qWait(100);
  if (!help.grab().save(QString::fromLocal8Bit(argv[2]))) return 1;
  return 0;
}
