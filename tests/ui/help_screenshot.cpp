// Writes a picture of the help window at a page, for the screenshots in
// docs/screenshots and for looking at the manual while writing it.
//
//   help_screenshot <page> <out.png> [highlight-row]
//
// Run it under a real display (for example xvfb-run) or the offscreen platform.
#include <QApplication>
#include <QMouseEvent>
#include <QPixmap>
#include <QTest>
#include <cstdio>
#include <cstdlib>

#include "help_unit.h"

int main(int argc, char** argv) {
  QApplication app(argc, argv);
  if (argc < 3) {
    std::fprintf(stderr, "usage: help_screenshot <page> <out.png> [highlight-row]\n");
    return 2;
  }
  const int page = std::atoi(argv[1]);
  Thelpform help;
  help.OpenHelp();
  if (!QTest::qWaitForWindowExposed(&help)) return 1;
  for (int p = 1; p < page; ++p) help.StepPage(1);
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
