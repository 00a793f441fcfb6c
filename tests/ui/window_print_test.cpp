// Printing through the real window, into PDF files: the warning before a long print, the pages written, the refused
// jobs, and that printing leaves every table as it was.
#include <QtTest>

#include <QComboBox>
#include <QFile>
#include <QLineEdit>
#include <QSpinBox>
#include <QPrintDialog>
#include <QPrinter>
#include <QRegularExpression>
#include <QTemporaryDir>

#include "print_render.h"
#include "window_test_access.h"
#include "window_test_support.h"

using namespace wt;

namespace {

struct Questions {
  bool proceed = true;     // the warning's answer
  QString pdfAnswer;       // the PDF dialog's answer; "" cancels
  QStringList asked;       // warnings shown
  QStringList suggested;   // PDF paths suggested
};

// The pages go into a PDF file, also where a printer is installed.
void Answer(TForm1& form, Questions& q) {
  form.printer().setOutputFormat(QPrinter::PdfFormat);
  tervo::WindowTestAccess::AskProceed(form) = [&q](const QString& text) {
    q.asked << text;
    return q.proceed;
  };
  tervo::WindowTestAccess::AskPdfPath(form) = [&q](const QString& suggested) {
    q.suggested << suggested;
    return q.pdfAnswer;
  };
}

// An unreduced result of the formula; terms: its row count.
void ShowResult(TForm1& form, const QString& formula) {
  if (formula.isEmpty()) return;
  TypeFormula(form, formula);
  Click(form, "reducecheckbox");
  Click(form, "GObtn");
}

// Pages of a PDF file: its page objects, not the page tree.
int PdfPages(const QString& path) {
  QFile f(path);
  if (!f.open(QIODevice::ReadOnly)) return -1;
  static const QRegularExpression page(QStringLiteral("/Type\\s*/Page(?![a-zA-Z])"));
  return static_cast<int>(QString::fromLatin1(f.readAll()).count(page));
}

// The rest of the engine that printing must not touch, beside StateOf.
std::vector<uint8_t> Marks(const tervo::Engine& e) {
  return {e.TermMark.begin(), e.TermMark.begin() + e.TermCount + 1};
}

}  // namespace

class WindowPrintTest : public QObject {
  Q_OBJECT
 private slots:
  void printsIntoAPdfFile_data();
  void printsIntoAPdfFile();
  void cancelledWarningOrFileDialogPrintsNothing_data();
  void cancelledWarningOrFileDialogPrintsNothing();
  void aRefusedJobSaysSo_data();
  void aRefusedJobSaysSo();
  void printingDuringARunDoesNothing();
  void printerSetupOpensThePrintDialog();
  void theDateIsDayMonthYear();
  void smallPaperPrintsEveryPage_data();
  void smallPaperPrintsEveryPage();
  void printerSetupCopiesAndFileAreUsed();
  void theDateSeparatorComesFromTheFormat_data();
  void theDateSeparatorComesFromTheFormat();
};

void WindowPrintTest::printsIntoAPdfFile_data() {
  QTest::addColumn<QString>("formula");
  QTest::addColumn<int>("terms");
  QTest::addColumn<QStringList>("warnings");
  QTest::addColumn<int>("pages");
  // One formula row: 102 terms on page 1, 122 on each further page.
  QTest::newRow("nothing to print") << "" << 0 << QStringList() << 1;
  QTest::newRow("155 terms") << "(A+B.C).(D+E+F+G+H)" << 155 << QStringList() << 2;
  QTest::newRow("511 terms, after the warning")
      << "A+B+C+D+E+F+G+H+I" << 511 << QStringList{"output is 5 pages. Proceed?"} << 5;
}

void WindowPrintTest::printsIntoAPdfFile() {
  QFETCH(QString, formula);
  QFETCH(int, terms);
  QFETCH(QStringList, warnings);
  QFETCH(int, pages);
  QTemporaryDir dir;
  auto form = ShownWindow();
  ShowResult(*form, formula);
  QCOMPARE(int(form->engine().TermCount), terms);
  const WorkingState state = StateOf(*form);
  const std::vector<uint8_t> marks = Marks(form->engine());

  Questions q;
  Answer(*form, q);
  q.pdfAnswer = dir.filePath("out.pdf");
  Click(*form, "printBtn");
  QCOMPARE(q.asked, warnings);
  QCOMPARE(form->Message(), QStringLiteral("OK: printed to ") + q.pdfAnswer);
  QCOMPARE(PdfPages(q.pdfAnswer), pages);
  QVERIFY(StateOf(*form) == state);
  QVERIFY(Marks(form->engine()) == marks);
  QVERIFY(form->editor().CursorVisible);

  // The next print suggests the same file and replaces it.
  Click(*form, "printBtn");
  QCOMPARE(q.suggested.last(), q.pdfAnswer);
  QCOMPARE(PdfPages(q.pdfAnswer), pages);
}

void WindowPrintTest::cancelledWarningOrFileDialogPrintsNothing_data() {
  QTest::addColumn<QString>("formula");
  QTest::addColumn<bool>("proceed");
  QTest::addColumn<int>("fileQuestions");
  QTest::newRow("warning cancelled") << "A+B+C+D+E+F+G+H+I" << false << 0;
  QTest::newRow("file dialog cancelled") << "A.B+C" << true << 1;
}

void WindowPrintTest::cancelledWarningOrFileDialogPrintsNothing() {
  QFETCH(QString, formula);
  QFETCH(bool, proceed);
  QFETCH(int, fileQuestions);
  QTemporaryDir dir;
  auto form = ShownWindow();
  ShowResult(*form, formula);
  const QString message = form->Message();
  const WorkingState state = StateOf(*form);
  Questions q;
  Answer(*form, q);
  q.proceed = proceed;
  q.pdfAnswer = fileQuestions ? QString() : dir.filePath("out.pdf");
  Click(*form, "printBtn");
  QCOMPARE(int(q.suggested.size()), fileQuestions);
  QCOMPARE(form->Message(), message);
  QVERIFY(StateOf(*form) == state);
  QVERIFY(QDir(dir.path()).isEmpty());
  QVERIFY(form->editor().CursorVisible);
}

void WindowPrintTest::aRefusedJobSaysSo_data() {
  QTest::addColumn<QString>("name");
  QTest::newRow("missing folder") << "missing/out.pdf";
  QTest::newRow("a folder in the way") << "folder.pdf";
}

void WindowPrintTest::aRefusedJobSaysSo() {
  QFETCH(QString, name);
  QTemporaryDir dir;
  QVERIFY(QDir(dir.path()).mkdir("folder.pdf"));
  auto form = ShownWindow();
  ShowResult(*form, "A.B+C");
  const WorkingState state = StateOf(*form);
  Questions q;
  Answer(*form, q);
  q.pdfAnswer = dir.filePath(name);
  Click(*form, "printBtn");
  QCOMPARE(form->Message(), QStringLiteral("PRINT ERROR: cannot write ") + q.pdfAnswer);
  QVERIFY(StateOf(*form) == state);
  QCOMPARE(QDir(dir.path()).entryList(QDir::AllEntries | QDir::Hidden | QDir::NoDotAndDotDot),
           QStringList{"folder.pdf"});
}

void WindowPrintTest::printingDuringARunDoesNothing() {
  auto form = ShownWindow();
  TypeFormula(*form, "A.B+/A.C");
  Click(*form, "DBxlate");
  Questions q;
  Answer(*form, q);
  q.pdfAnswer = QDir::temp().filePath("never.pdf");
  QString stopMessage, after;
  RunWithStops(*form, [&](const QString& msg, int n) {
    if (n == 0) {
      stopMessage = msg;
      Click(*form, "printBtn");
      Click(*form, "prsetupBtn");  // no dialog opens; the test would hang otherwise
      after = form->Message();
    }
    Key(*form, Qt::Key_Space);
  });
  QVERIFY(q.asked.isEmpty() && q.suggested.isEmpty());
  QCOMPARE(after, stopMessage);
  QVERIFY(form->Message().startsWith(QLatin1String("OK: time = ")));
}

void WindowPrintTest::printerSetupOpensThePrintDialog() {
  auto form = ShownWindow();
  const QPageLayout layout = form->printer().pageLayout();
  QString title;
  bool cursorHidden = false;
  QTimer poll;
  QObject::connect(&poll, &QTimer::timeout, [&] {
    auto* dialog = qobject_cast<QPrintDialog*>(QApplication::activeModalWidget());
    if (dialog == nullptr) return;
    title = dialog->windowTitle();
    cursorHidden = !form->editor().CursorVisible;
    dialog->reject();
  });
  poll.start(10);
  Click(*form, "prsetupBtn");
  poll.stop();
  QCOMPARE(title, QStringLiteral("printer setup"));
  QVERIFY(cursorHidden);
  QVERIFY(form->editor().CursorVisible);
  QVERIFY(form->printer().pageLayout().isEquivalentTo(layout));
}

void WindowPrintTest::theDateIsDayMonthYear() {
  // The separator is the system's; whatever it is, it stands twice.
  for (const QDate& d : {QDate(2026, 12, 8), QDate(2031, 1, 31), QDate(987, 7, 4)}) {
    const QString text = tervo::PrintDate(d);
    QCOMPARE(text.size(), 10);
    const QChar sep = text.at(2);
    QVERIFY2(!sep.isDigit() && text.at(5) == sep, qPrintable(text));
    QCOMPARE(text, QStringLiteral("%1%2%3%2%4")
                       .arg(QString::number(d.day()).rightJustified(2, QLatin1Char('0')), QString(sep),
                            QString::number(d.month()).rightJustified(2, QLatin1Char('0')),
                            QString::number(d.year()).rightJustified(4, QLatin1Char('0'))));
  }
}

void WindowPrintTest::theDateSeparatorComesFromTheFormat_data() {
  QTest::addColumn<QString>("format");
  QTest::addColumn<QString>("separator");
  QTest::newRow("slash") << "M/d/yy" << "/";
  QTest::newRow("dot") << "dd.MM.yy" << ".";
  QTest::newRow("dash") << "yyyy-MM-dd" << "-";
  QTest::newRow("dot and blank") << "yyyy. MM. dd." << ".";
  QTest::newRow("month name, none") << "d MMM yyyy" << "/";
  QTest::newRow("quoted text first") << "'le' d-M-yy" << "-";
}

void WindowPrintTest::theDateSeparatorComesFromTheFormat() {
  QFETCH(QString, format);
  QFETCH(QString, separator);
  QCOMPARE(QString(tervo::DateSeparator(format)), separator);
}

void WindowPrintTest::smallPaperPrintsEveryPage_data() {
  QTest::addColumn<int>("paper");
  QTest::addColumn<int>("copies");
  QTest::addColumn<int>("pages");
  QTest::newRow("A4") << int(QPageSize::A4) << 1 << 5;
  QTest::newRow("A5: the layout shrinks, the pages stay") << int(QPageSize::A5) << 1 << 5;
  QTest::newRow("A5, 2 copies") << int(QPageSize::A5) << 2 << 10;
  QTest::newRow("A4, 3 copies") << int(QPageSize::A4) << 3 << 15;
}

void WindowPrintTest::smallPaperPrintsEveryPage() {
  QFETCH(int, paper);
  QFETCH(int, copies);
  QFETCH(int, pages);
  QTemporaryDir dir;
  auto form = ShownWindow();
  ShowResult(*form, "A+B+C+D+E+F+G+H+I");
  Questions q;
  Answer(*form, q);
  form->printer().setPageSize(QPageSize(QPageSize::PageSizeId(paper)));
  form->printer().setCopyCount(copies);
  q.pdfAnswer = dir.filePath("small.pdf");
  Click(*form, "printBtn");
  QCOMPARE(form->Message(), QStringLiteral("OK: printed to ") + q.pdfAnswer);
  QCOMPARE(PdfPages(q.pdfAnswer), pages);
}

// The printer setup dialog, filled in as a user would: print to a file, two
// copies. The next print offers that file and prints both copies.
void WindowPrintTest::printerSetupCopiesAndFileAreUsed() {
  QTemporaryDir dir;
  const QString chosen = dir.filePath("from-setup.pdf");
  auto form = ShownWindow();
  ShowResult(*form, "(A+B.C).(D+E+F+G+H)");
  bool filled = false;
  QTimer poll;
  QObject::connect(&poll, &QTimer::timeout, [&] {
    auto* dialog = qobject_cast<QPrintDialog*>(QApplication::activeModalWidget());
    if (dialog == nullptr) return;
    auto* printers = dialog->findChild<QComboBox*>(QStringLiteral("printers"));
    auto* file = dialog->findChild<QLineEdit*>(QStringLiteral("filename"));
    auto* copies = dialog->findChild<QSpinBox*>(QStringLiteral("copies"));
    if (printers && file && copies) {
      printers->setCurrentIndex(printers->count() - 1);  // "Print to File (PDF)" comes last
      file->setText(chosen);
      copies->setValue(2);
      filled = true;
    }
    dialog->accept();
  });
  poll.start(10);
  Click(*form, "prsetupBtn");
  poll.stop();
  QVERIFY(filled);

  Questions q;
  tervo::WindowTestAccess::AskProceed(*form) = [&q](const QString& text) {
    q.asked << text;
    return q.proceed;
  };
  tervo::WindowTestAccess::AskPdfPath(*form) = [&q](const QString& suggested) {
    q.suggested << suggested;
    return suggested;
  };
  Click(*form, "printBtn");
  QCOMPARE(q.suggested, QStringList{chosen});
  QCOMPARE(form->Message(), QStringLiteral("OK: printed to ") + chosen);
  QCOMPARE(PdfPages(chosen), 4);  // 155 terms: 2 pages a copy
}

QTEST_MAIN(WindowPrintTest)
#include "window_print_test.moc"
