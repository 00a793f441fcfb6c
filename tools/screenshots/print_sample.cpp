// Prints a sample through the real window into a PDF file, for looking at
// the printed pages (docs/screenshots/print-*.png come from it):
//
//   print_sample <out.pdf> formula <formula> [reduce]   the formula's result, unreduced unless "reduce"
//   print_sample <out.pdf> table <line> <line> ...      a typed table (first line: the letters)
//
// The caption is made "tervo42:sample" by saving into a temporary folder.
// PRINT_SAMPLE_PAPER=A5 (or A6, Letter, ...) prints on that paper instead of the default.
// Run it under the offscreen platform or a display.
#include <QApplication>
#include <QPageSize>
#include <QPrinter>
#include <QTemporaryDir>
#include <cstdio>

#include "window_test_access.h"
#include "window_test_support.h"

int main(int argc, char** argv) {
  QApplication app(argc, argv);
  if (argc < 4) {
    std::fprintf(stderr, "usage: print_sample <out.pdf> formula <formula> [reduce] | table <line>...\n");
    return 2;
  }
  const QString out = QString::fromLocal8Bit(argv[1]);
  const QString mode = QString::fromLocal8Bit(argv[2]);
  auto form = wt::ShownWindow();
  if (mode == QLatin1String("table")) {
    wt::Click(*form, "tablebtn");
    for (int l = 3; l < argc; ++l) {
      QTest::mouseClick(wt::Child<QWidget>(*form, "inputbox"), Qt::LeftButton, {}, QPoint(65, 18 * (l - 3) + 9));
      wt::Type(*form, QString::fromLocal8Bit(argv[l]));
    }
  } else {
    wt::TypeFormula(*form, QString::fromLocal8Bit(argv[3]).replace(QLatin1String("\\n"), QLatin1String("\n")));
    if (argc < 5 || QLatin1String(argv[4]) != QLatin1String("reduce")) wt::Click(*form, "reducecheckbox");
  }
  wt::Click(*form, "GObtn");
  std::printf("%s: %d terms\n", qPrintable(form->Message()), form->engine().TermCount);

  QTemporaryDir dir;
  tervo::WindowTestAccess::AskSavePath(*form) = [&](const QString&, const QString&) { return dir.filePath("sample"); };
  wt::Click(*form, "saveBtn");
  tervo::WindowTestAccess::AskProceed(*form) = [](const QString& q) {
    std::printf("%s OK\n", qPrintable(q));
    return true;
  };
  tervo::WindowTestAccess::AskPdfPath(*form) = [&](const QString&) { return out; };
  const QByteArray paper = qgetenv("PRINT_SAMPLE_PAPER");
  if (!paper.isEmpty()) {
    int id = -1;
    for (int i = 0; i <= int(QPageSize::LastPageSize) && id < 0; ++i)
      if (QPageSize::key(QPageSize::PageSizeId(i)) == QLatin1String(paper)) id = i;
    if (id < 0) {
      std::fprintf(stderr, "print_sample: unknown paper %s\n", paper.constData());
      return 2;
    }
    form->printer().setPageSize(QPageSize(QPageSize::PageSizeId(id)));
  }
  wt::Click(*form, "printBtn");
  std::printf("%s\n", qPrintable(form->Message()));
  return form->Message().startsWith(QLatin1String("OK")) ? 0 : 1;
}
