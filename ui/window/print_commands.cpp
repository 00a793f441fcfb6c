// Printing from the main window: the long-print warning, the printer or PDF
// file the pages go to, and the printer-setup dialog. What is printed where
// is laid out in print_layout; print_render draws it.
#include <QDate>
#include <QDialogButtonBox>
#include <QDir>
#include <QEventLoop>
#include <QFileDialog>
#include <QFileInfo>
#include <QMessageBox>
#include <QPainter>
#include <QPdfWriter>
#include <QPrintDialog>
#include <QPrinter>
#include <QPushButton>
#include <QSaveFile>
#include <QTimer>

#include "commands.h"
#include "dialog_looks.h"
#include "engine.h"
#include "help_code.h"
#include "print_layout.h"
#include "print_render.h"

namespace tervo {

namespace {

// The layout is made for a page about 2400 pixels wide: A4 or Letter at 300 dpi.
constexpr int kPrintDpi = 300;
// The pause after "printing..." in which the message line gets painted.
constexpr int kPrintingPauseMs = 700;

const QString kPrintError = QStringLiteral("PRINT ERROR: ");

}  // namespace

CommandMemory::CommandMemory() = default;
CommandMemory::~CommandMemory() = default;

void InstallPrintDialogs(CommandQuestions& questions, QWidget* window) {
  questions.proceed = [window](const QString& question) {
    return QMessageBox::warning(window, QStringLiteral("tervo42"), question, QMessageBox::Ok | QMessageBox::Cancel,
                                QMessageBox::Ok) == QMessageBox::Ok;
  };
  questions.pdfPath = [window](const QString& suggested) {
    QFileDialog dialog(window, QStringLiteral("print to PDF file"));
    dialog.setOption(QFileDialog::DontUseNativeDialog);
    dialog.setAcceptMode(QFileDialog::AcceptSave);
    dialog.setNameFilter(QStringLiteral("PDF files (*.pdf)"));
    dialog.setDefaultSuffix(QStringLiteral("pdf"));
    dialog.selectFile(suggested);
    ShowFileColumnsWhole(dialog);
    if (dialog.exec() != QDialog::Accepted || dialog.selectedFiles().isEmpty()) return QString();
    return dialog.selectedFiles().constFirst();
  };
}

QPrinter& PrinterOf(CommandMemory& m) {
  if (!m.printer) m.printer = std::make_unique<QPrinter>(QPrinter::HighResolution);
  return *m.printer;
}

namespace {

// The last PDF file printed to, else the file chosen in the printer-setup
// dialog, else one named after the current formula file.
QString SuggestedPdfPath(CommandMemory& m) {
  if (!m.lastPdfPath.isEmpty()) return m.lastPdfPath;
  if (!PrinterOf(m).outputFileName().isEmpty()) return PrinterOf(m).outputFileName();
  const QString folder = m.rememberedFolder.isEmpty() ? QDir::currentPath() + QLatin1Char('/') : m.rememberedFolder;
  return folder + (m.rememberedName.isEmpty() ? QStringLiteral("tervo42") : m.rememberedName) + QStringLiteral(".pdf");
}

// Lay out the input and the result for the device's page, scaled down to
// fit a small one, and draw them copies times. False when the device
// refused a new page.
bool PrintPages(CommandHost& host, QPainter& painter, QPagedPaintDevice& device, int copies) {
  host.SetMessage(QStringLiteral("printing..."));
  // Let the message be painted; clicks and keys wait until the print is done.
  QEventLoop pause;
  QTimer::singleShot(kPrintingPauseMs, &pause, &QEventLoop::quit);
  pause.exec(QEventLoop::ExcludeUserInputEvents);

  PrintInput in;
  in.title = host.windowWidget().windowTitle().toStdString();
  in.date = PrintDate(QDate::currentDate()).toStdString();
  in.credit = DecodeGroups(kStoredCredit);
  in.pageWidth = device.width();
  in.pageHeight = device.height();
  const FittedPrint fitted = LayoutPrintFitted(host.engine(), in);
  return RenderPrint(painter, device, fitted.ops, fitted.scale, copies);
}

}  // namespace

void PrintCommand(CommandHost& host) {
  if (host.engine().RunState != kRunIdle) return;
  host.HideCursor();
  CommandMemory& m = host.memory();
  const int pages = EstimatePages(host.engine());
  if (pages > 3 && !host.questions().proceed(QStringLiteral("output is %1 pages. Proceed?").arg(pages))) {
    host.ShowCursor();
    return;
  }

  QPrinter& pr = PrinterOf(m);
  pr.setPageOrientation(QPageLayout::Portrait);
  pr.setResolution(kPrintDpi);
  QString report;

  if (pr.outputFormat() == QPrinter::NativeFormat) {
    QPainter painter;
    if (!painter.begin(&pr)) {
      report = kPrintError + QStringLiteral("the printer %1 refused the job").arg(pr.printerName());
    } else if (!PrintPages(host, painter, pr, pr.supportsMultipleCopies() ? 1 : pr.copyCount())) {
      pr.abort();
      painter.end();
      report = kPrintError + QStringLiteral("the printer refused a page; the job is cancelled");
    } else {
      painter.end();
      report = pr.printerState() == QPrinter::Error
                   ? kPrintError + QStringLiteral("the printer %1 refused the job").arg(pr.printerName())
                   : QStringLiteral("OK");
    }
  } else {
    // No printer, or printing to a file chosen in the printer setup: the
    // pages go into a PDF file, written whole or not at all.
    const QString path = host.questions().pdfPath(SuggestedPdfPath(m));
    if (path.isEmpty()) {
      host.ShowCursor();
      return;
    }
    QSaveFile file(path);
    QPdfWriter writer(&file);
    writer.setPageLayout(pr.pageLayout());
    writer.setResolution(kPrintDpi);
    writer.setTitle(host.windowWidget().windowTitle());
    writer.setCreator(QStringLiteral("tervo42"));
    const QString cannotWrite = kPrintError + QStringLiteral("cannot write ") + QDir::toNativeSeparators(path);
    QPainter painter;
    if (!file.open(QIODevice::WriteOnly) || !painter.begin(&writer)) {
      report = cannotWrite;
    } else if (!PrintPages(host, painter, writer, pr.copyCount())) {
      painter.end();
      report = cannotWrite;
    } else {
      painter.end();
      if (file.commit()) {
        m.lastPdfPath = QFileInfo(path).absoluteFilePath();
        report = QStringLiteral("OK: printed to ") + QDir::toNativeSeparators(m.lastPdfPath);
      } else {
        report = cannotWrite;
      }
    }
  }
  host.SetMessage(report);
  host.ShowCursor();
}

void PrinterSetupCommand(CommandHost& host) {
  if (host.engine().RunState != kRunIdle) return;
  host.HideCursor();
  CommandMemory& m = host.memory();
  QPrinter& printer = PrinterOf(m);
  QPrintDialog dialog(&printer, &host.windowWidget());
  dialog.setWindowTitle(QStringLiteral("printer setup"));
  // The choice of printer, paper, file and copies; page ranges belong to no
  // print of this program.
  dialog.setOptions(QAbstractPrintDialog::PrintToFile | QAbstractPrintDialog::PrintShowPageSize);
  // The dialog stores the choice; it prints nothing, so its button says OK.
  if (auto* box = dialog.findChild<QDialogButtonBox*>())
    if (QPushButton* ok = box->button(QDialogButtonBox::Ok)) ok->setText(QStringLiteral("OK"));
  // A file chosen here is the one the next print offers.
  if (dialog.exec() == QDialog::Accepted && printer.outputFormat() == QPrinter::PdfFormat &&
      !printer.outputFileName().isEmpty())
    m.lastPdfPath = QFileInfo(printer.outputFileName()).absoluteFilePath();
  host.ShowCursor();
}

}  // namespace tervo
