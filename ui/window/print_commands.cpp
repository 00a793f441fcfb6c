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

#include "Unit1.h"
#include "dialog_looks.h"
#include "help_code.h"
#include "print_layout.h"
#include "print_render.h"

namespace {

// The layout is made for a page about 2400 pixels wide: A4 or Letter at 300 dpi.
constexpr int kPrintDpi = 300;
// The pause after "printing..." in which the message line gets painted.
constexpr int kPrintingPauseMs = 700;

const QString kPrintError = QStringLiteral("PRINT ERROR: ");

}  // namespace

void TForm1::InstallPrintDialogs() {
  AskProceed = [this](const QString& question) {
    return QMessageBox::warning(this, QStringLiteral("tervo42"), question, QMessageBox::Ok | QMessageBox::Cancel,
                                QMessageBox::Ok) == QMessageBox::Ok;
  };
  AskPdfPath = [this](const QString& suggested) {
    QFileDialog dialog(this, QStringLiteral("print to PDF file"));
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

QPrinter& TForm1::printer() {
  if (!Printer) Printer = std::make_unique<QPrinter>(QPrinter::HighResolution);
  return *Printer;
}

// The last PDF file printed to, else the file chosen in the printer-setup
// dialog, else one named after the current formula file.
QString TForm1::SuggestedPdfPath() {
  if (!LastPdfPath.isEmpty()) return LastPdfPath;
  if (!printer().outputFileName().isEmpty()) return printer().outputFileName();
  const QString folder = RememberedFolder.isEmpty() ? QDir::currentPath() + QLatin1Char('/') : RememberedFolder;
  return folder + (RememberedName.isEmpty() ? QStringLiteral("tervo42") : RememberedName) + QStringLiteral(".pdf");
}

// Lay out the input and the result for the device's page, scaled down to
// fit a small one, and draw them copies times. False when the device
// refused a new page.
bool TForm1::PrintPages(QPainter& painter, QPagedPaintDevice& device, int copies) {
  SetMessage(QStringLiteral("printing..."));
  // Let the message be painted; clicks and keys wait until the print is done.
  QEventLoop pause;
  QTimer::singleShot(kPrintingPauseMs, &pause, &QEventLoop::quit);
  pause.exec(QEventLoop::ExcludeUserInputEvents);

  tervo::PrintInput in;
  in.title = windowTitle().toStdString();
  in.date = tervo::PrintDate(QDate::currentDate()).toStdString();
  in.credit = tervo::DecodeGroups(tervo::kStoredCredit);
  in.pageWidth = device.width();
  in.pageHeight = device.height();
  const tervo::FittedPrint fitted = tervo::LayoutPrintFitted(*engine_, in);
  return tervo::RenderPrint(painter, device, fitted.ops, fitted.scale, copies);
}

void TForm1::printBtnClick() {
  if (engine_->RunState != tervo::kRunIdle) return;
  HideCursor();
  const int pages = tervo::EstimatePages(*engine_);
  if (pages > 3 && !AskProceed(QStringLiteral("output is %1 pages. Proceed?").arg(pages))) {
    ShowCursor();
    return;
  }

  QPrinter& pr = printer();
  pr.setPageOrientation(QPageLayout::Portrait);
  pr.setResolution(kPrintDpi);
  QString report;

  if (pr.outputFormat() == QPrinter::NativeFormat) {
    QPainter painter;
    if (!painter.begin(&pr)) {
      report = kPrintError + QStringLiteral("the printer %1 refused the job").arg(pr.printerName());
    } else if (!PrintPages(painter, pr, pr.supportsMultipleCopies() ? 1 : pr.copyCount())) {
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
    const QString path = AskPdfPath(SuggestedPdfPath());
    if (path.isEmpty()) {
      ShowCursor();
      return;
    }
    QSaveFile file(path);
    QPdfWriter writer(&file);
    writer.setPageLayout(pr.pageLayout());
    writer.setResolution(kPrintDpi);
    writer.setTitle(windowTitle());
    writer.setCreator(QStringLiteral("tervo42"));
    const QString cannotWrite = kPrintError + QStringLiteral("cannot write ") + QDir::toNativeSeparators(path);
    QPainter painter;
    if (!file.open(QIODevice::WriteOnly) || !painter.begin(&writer)) {
      report = cannotWrite;
    } else if (!PrintPages(painter, writer, pr.copyCount())) {
      painter.end();
      report = cannotWrite;
    } else {
      painter.end();
      if (file.commit()) {
        LastPdfPath = QFileInfo(path).absoluteFilePath();
        report = QStringLiteral("OK: printed to ") + QDir::toNativeSeparators(LastPdfPath);
      } else {
        report = cannotWrite;
      }
    }
  }
  SetMessage(report);
  ShowCursor();
}

void TForm1::prsetupBtnClick() {
  if (engine_->RunState != tervo::kRunIdle) return;
  HideCursor();
  QPrintDialog dialog(&printer(), this);
  dialog.setWindowTitle(QStringLiteral("printer setup"));
  // The choice of printer, paper, file and copies; page ranges belong to no
  // print of this program.
  dialog.setOptions(QAbstractPrintDialog::PrintToFile | QAbstractPrintDialog::PrintShowPageSize);
  // The dialog stores the choice; it prints nothing, so its button says OK.
  if (auto* box = dialog.findChild<QDialogButtonBox*>())
    if (QPushButton* ok = box->button(QDialogButtonBox::Ok)) ok->setText(QStringLiteral("OK"));
  // A file chosen here is the one the next print offers.
  if (dialog.exec() == QDialog::Accepted && printer().outputFormat() == QPrinter::PdfFormat &&
      !printer().outputFileName().isEmpty())
    LastPdfPath = QFileInfo(printer().outputFileName()).absoluteFilePath();
  ShowCursor();
}
