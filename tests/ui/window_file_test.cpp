// Formula files through the real window: save and load with the dialogs
// answered by the tests, the caption and the remembered name, the refusals
// that leave the working state alone, and the commands' silence during a run.
#include <QtTest>
#include <unistd.h>

#include <algorithm>
#include <cerrno>

#include <QClipboard>
#include <QFile>
#include <QGuiApplication>
#include <QFileDialog>
#include <QLineEdit>
#include <QMessageBox>
#include <QTemporaryDir>

#include "formula_file.h"
#include "window_test_access.h"
#include "window_test_support.h"

using namespace wt;

namespace {

// The dialogs answer with a path in the test folder; each records what it
// was offered.
struct Dialogs {
  QString openAnswer, saveAnswer;
  QStringList offered;  // "folder|name" per question
  int asked = 0;
};

void Answer(TForm1& form, Dialogs& d) {
  tervo::WindowTestAccess::AskOpenPath(form) = [&d](const QString& folder, const QString& name) {
    ++d.asked;
    d.offered << folder + QLatin1Char('|') + name;
    return d.openAnswer;
  };
  tervo::WindowTestAccess::AskSavePath(form) = [&d](const QString& folder, const QString& name) {
    ++d.asked;
    d.offered << folder + QLatin1Char('|') + name;
    return d.saveAnswer;
  };
}

// Input, options and a result of one of three kinds.
void MakeWorkingState(TForm1& form, const QString& kind) {
  if (kind == QLatin1String("table")) {
    // (A "1" under a blank header cell would end the run with MISSING
    // VARIABLES, and what such a run leaves is no result a load shows.)
    TypeTable(form, {"ABC", "1 1", "1 0", " 11"});
  } else if (kind == QLatin1String("dnf unreduced")) {
    TypeFormula(form, "A.B+/A.C\n+D.(E+/B)");
    Click(form, "dnfBtn");
    Click(form, "reducecheckbox");
  } else {  // 155 terms, more than the scroll range of a short result
    TypeFormula(form, "(A+B.C).(D+E+F+G+H)");
    Click(form, "reducecheckbox");
  }
  Click(form, "GObtn");
}

// A shown window with a DNF result of a formula, unreduced, whose file
// dialogs answer from d.
std::unique_ptr<TForm1> WindowAnswering(Dialogs& d) {
  auto form = ShownWindow();
  MakeWorkingState(*form, "dnf unreduced");
  Answer(*form, d);
  return form;
}

void SetClipboard(const QString& text) { QGuiApplication::clipboard()->setText(text); }
QString Clipboard() { return QGuiApplication::clipboard()->text(); }

bool WriteBytes(const QString& path, const QByteArray& bytes) {
  QFile f(path);
  return f.open(QIODevice::WriteOnly) && f.write(bytes) == bytes.size();
}

// Writes the first 1000 bytes of a file, then fails as a full disk does.
struct FailingSink : tervo::FileSink {
  long Write(int fd, const uint8_t* data, std::size_t size) override {
    const off_t at = ::lseek(fd, 0, SEEK_CUR);
    if (at < 0 || at >= 1000) {
      errno = ENOSPC;
      return -1;
    }
    return static_cast<long>(::write(fd, data, std::min<std::size_t>(size, 1000 - at)));
  }
  int Sync(int fd) override { return ::fsync(fd); }
};

}  // namespace

class WindowFileTest : public QObject {
  Q_OBJECT
 private slots:
  void saveThenLoadRestoresTheWorkingState_data();
  void saveThenLoadRestoresTheWorkingState();
  void aChosenPrefixIsNotDoubled();
  void refusalsChangeNothing_data();
  void refusalsChangeNothing();
  void storedResultIsShownOnlyWhenItFitsItsInput_data();
  void storedResultIsShownOnlyWhenItFitsItsInput();
  void cancelledDialogsChangeNothing();
  void loadAndSaveDoNothingDuringARun();
  void saveDialogAsksBeforeReplacing_data();
  void saveDialogAsksBeforeReplacing();
};

void WindowFileTest::saveThenLoadRestoresTheWorkingState_data() {
  QTest::addColumn<QString>("kind");
  QTest::addColumn<QString>("typedOnLoad");
  QTest::newRow("formula, DNF, unreduced; load by name") << "dnf unreduced" << "abc";
  QTest::newRow("long result; load by file name") << "long" << "tervo42_abc";
  QTest::newRow("typed table") << "table" << "abc";
}

void WindowFileTest::saveThenLoadRestoresTheWorkingState() {
  QFETCH(QString, kind);
  QFETCH(QString, typedOnLoad);
  QTemporaryDir dir;
  QVERIFY(dir.isValid());
  const QString folder = dir.path() + QLatin1Char('/');

  auto saver = ShownWindow();
  QCOMPARE(saver->windowTitle(), QStringLiteral("tervo42 V2.0"));
  MakeWorkingState(*saver, kind);
  QVERIFY(saver->engine().TermCount > 0);
  Dialogs d;
  Answer(*saver, d);
  d.saveAnswer = folder + "abc";
  Click(*saver, "saveBtn");
  QCOMPARE(saver->Message(), QStringLiteral("file saved"));
  QCOMPARE(saver->windowTitle(), QStringLiteral("tervo42:abc"));
  QCOMPARE(saver->rememberedFolder(), folder);
  QCOMPARE(saver->rememberedName(), QStringLiteral("abc"));
  QCOMPARE(d.offered, QStringList{"|"});
  const tervo::Engine& se = saver->engine();
  QCOMPARE(QFileInfo(folder + "tervo42_abc").size(),
           qint64(tervo::FormulaFileSize(se.VariableCount, se.TermCount)));
  const WorkingState saved = StateOf(*saver);

  // Clearing the input leaves only the prefix in the caption.
  Click(*saver, "inclearBtn");
  QCOMPARE(saver->windowTitle(), QStringLiteral("tervo42:"));
  QCOMPARE(saver->rememberedName(), QStringLiteral("abc"));

  // A fresh window, with other options and a result of its own.
  auto loader = ShownWindow();
  TypeFormula(*loader, "X+Y./Z");
  Click(*loader, "GObtn");
  Child<QScrollBar>(*loader, "outputscrollbar")->setValue(5);
  Dialogs l;
  Answer(*loader, l);
  l.openAnswer = folder + typedOnLoad;
  Click(*loader, "loadBtn");
  QCOMPARE(loader->engine().ErrorCode, tervo::kOk);
  QVERIFY(StateOf(*loader) == saved);  // grids byte for byte, options, result, caption
  QCOMPARE(loader->rememberedName(), QStringLiteral("abc"));
  QCOMPARE(loader->rememberedFolder(), folder);

  const tervo::Engine& le = loader->engine();
  const bool formula = le.FormulaMode != 0;
  QCOMPARE(loader->Message(), formula ? QStringLiteral("enter formula...") : QStringLiteral("enter truth table..."));
  QCOMPARE(int(loader->editor().CursorCol), 0);
  QCOMPARE(int(loader->editor().CursorRow), 0);
  QCOMPARE(loader->editor().InsertMode, formula);
  QCOMPARE(Child<QAbstractButton>(*loader, formula ? "forminbtn" : "tablebtn")->isChecked(), true);
  QCOMPARE(Child<QWidget>(*loader, "dnfBtn")->isEnabled(), formula);
  const QScrollBar* sb = Child<QScrollBar>(*loader, "outputscrollbar");
  QCOMPARE(sb->value(), 0);
  QCOMPARE(sb->maximum(), le.TermCount >= 30 ? le.TermCount - 10 : 10);

  // The next dialog starts at the file just loaded.
  Click(*loader, "saveBtn");
  QCOMPARE(l.offered.last(), folder + "|abc");
}

void WindowFileTest::aChosenPrefixIsNotDoubled() {
  QTemporaryDir dir;
  const QString folder = dir.path() + QLatin1Char('/');
  Dialogs d;
  auto form = WindowAnswering(d);
  d.saveAnswer = folder + "tervo42_abc";  // an existing file picked in the dialog
  Click(*form, "saveBtn");
  Click(*form, "saveBtn");
  QCOMPARE(form->Message(), QStringLiteral("file saved"));
  QCOMPARE(QDir(folder).entryList(QDir::Files | QDir::Hidden), QStringList{"tervo42_abc"});
  QCOMPARE(form->windowTitle(), QStringLiteral("tervo42:abc"));
  QCOMPARE(d.offered.last(), folder + "|abc");

  // The remembered name opens the file that was written.
  const WorkingState saved = StateOf(*form);
  Click(*form, "inclearBtn");
  d.openAnswer = folder + form->rememberedName();
  Click(*form, "loadBtn");
  QVERIFY(StateOf(*form) == saved);
}

void WindowFileTest::refusalsChangeNothing_data() {
  QTest::addColumn<QString>("command");
  QTest::addColumn<QString>("name");     // answered by the dialog, in the test folder
  QTest::addColumn<QString>("prepare");  // what stands in the folder beforehand
  QTest::addColumn<QString>("message");
  QTest::newRow("save with an extension") << "save" << "abc.txt" << "" << "NO EXTENSION ALLOWED IN FILE NAME";
  QTest::newRow("save into a missing folder") << "save" << "missing/abc" << ""
                                             << "FILE I/O ERROR: No such file or directory";
  QTest::newRow("save where a folder stands") << "save" << "abc" << "folder" << "FILE I/O ERROR: Is a directory";
  QTest::newRow("save that breaks off") << "save" << "abc" << "write fault" << "FILE I/O ERROR: No space left on device";
  QTest::newRow("load a missing file") << "load" << "abc" << "" << "FILE NOT FOUND";
  QTest::newRow("load another file type") << "load" << "abc" << "signature" << "WRONG FILE TYPE";
  QTest::newRow("load a cut-off file") << "load" << "abc" << "100 bytes" << "FILE I/O ERROR: the file ends early";
  QTest::newRow("load a folder") << "load" << "abc" << "folder" << "FILE I/O ERROR: Is a directory";
  QTest::newRow("load a grid with a refused byte")
      << "load" << "abc" << "hash"
      << "WRONG FILE TYPE: formula row 1, column 5 holds \"#\", which the editor does not take there";
}

void WindowFileTest::refusalsChangeNothing() {
  QFETCH(QString, command);
  QFETCH(QString, name);
  QFETCH(QString, prepare);
  QFETCH(QString, message);
  QTemporaryDir dir;
  const QString folder = dir.path() + QLatin1Char('/');
  const QString target = folder + "tervo42_abc";

  // A window showing a result and the name of a file saved before.
  Dialogs d;
  auto form = WindowAnswering(d);
  d.saveAnswer = folder + "prev";
  Click(*form, "saveBtn");
  QCOMPARE(form->windowTitle(), QStringLiteral("tervo42:prev"));

  // A good file of other content, to be cut short or damaged.
  auto other = ShownWindow();
  MakeWorkingState(*other, "long");
  Dialogs od;
  Answer(*other, od);
  od.saveAnswer = folder + "good";
  Click(*other, "saveBtn");
  const QByteArray good = FileBytes(folder + "tervo42_good");
  QVERIFY(good.size() > 2800);

  if (prepare == QLatin1String("folder")) QVERIFY(QDir(folder).mkdir("tervo42_abc"));
  if (prepare == QLatin1String("signature")) QVERIFY(WriteBytes(target, QByteArray("tervqmxK") + good.mid(8)));
  if (prepare == QLatin1String("100 bytes")) QVERIFY(WriteBytes(target, good.left(100)));
  if (prepare == QLatin1String("hash")) QVERIFY(WriteBytes(target, QByteArray(good).replace(12 + 4, 1, "#")));
  FailingSink failing;
  if (prepare == QLatin1String("write fault")) {
    QVERIFY(WriteBytes(target, good));
    tervo::WindowTestAccess::SetSaveSink(*form, &failing);
  }
  const QByteArray before = FileBytes(target);
  const WorkingState state = StateOf(*form);

  (command == QLatin1String("save") ? d.saveAnswer : d.openAnswer) = folder + name;
  Click(*form, command == QLatin1String("save") ? "saveBtn" : "loadBtn");
  tervo::WindowTestAccess::SetSaveSink(*form, nullptr);

  QCOMPARE(form->Message(), message);
  QVERIFY(StateOf(*form) == state);
  QCOMPARE(form->rememberedName(), QStringLiteral("prev"));
  QCOMPARE(form->rememberedFolder(), folder);
  QCOMPARE(FileBytes(target), before);
  // No temporary or second file is left behind.
  QStringList expected{"tervo42_good", "tervo42_prev"};
  if (QFileInfo::exists(target)) expected.prepend("tervo42_abc");
  QCOMPARE(QDir(folder).entryList(QDir::AllEntries | QDir::Hidden | QDir::NoDotAndDotDot, QDir::Name), expected);
}

void WindowFileTest::storedResultIsShownOnlyWhenItFitsItsInput_data() {
  QTest::addColumn<QString>("input");   // typed before GO and the save
  QTest::addColumn<QString>("damage");  // done to the saved file's result
  QTest::addColumn<bool>("shown");
  QTest::newRow("formula, as saved") << "A.B+C" << "" << true;
  QTest::newRow("formula, a bit of a term flipped") << "A.B+C" << "flip" << false;
  QTest::newRow("formula, a row without a variable added") << "A.B+C" << "empty row" << false;
  QTest::newRow("table, as saved") << "table" << "" << true;
  QTest::newRow("table, a bit of a term flipped") << "table" << "flip" << false;
}

// A loaded result is checked as a run checks its own: one that does not fit
// the stored input is not shown, not copied and not saved again, and the
// message line asks for GO.
void WindowFileTest::storedResultIsShownOnlyWhenItFitsItsInput() {
  QFETCH(QString, input);
  QFETCH(QString, damage);
  QFETCH(bool, shown);
  QTemporaryDir dir;
  const QString folder = dir.path() + QLatin1Char('/');
  const bool table = input == QLatin1String("table");
  {
    auto maker = ShownWindow();
    if (table)
      TypeTable(*maker, {"AB", "11", "01"});
    else
      TypeFormula(*maker, input);
    Click(*maker, "GObtn");
    QVERIFY(maker->Message().startsWith(QLatin1String("OK: ")));
    Dialogs d;
    Answer(*maker, d);
    d.saveAnswer = folder + "f";
    Click(*maker, "saveBtn");
  }
  QByteArray bytes = FileBytes(folder + "tervo42_f");
  const int terms = static_cast<int>(tervo::FormulaFileTermOffset(table ? 2 : 3));
  QVERIFY(bytes.size() >= terms + 8);
  // The low byte of the first term's mask: variable A comes or goes.
  if (damage == QLatin1String("flip")) bytes[terms + 6] = static_cast<char>(bytes[terms + 6] ^ 1);
  if (damage == QLatin1String("empty row")) {
    bytes[terms] = static_cast<char>(bytes[terms] + 1);
    bytes.append(4, '\0');
  }
  QVERIFY(WriteBytes(folder + "tervo42_f", bytes));

  auto form = ShownWindow();
  Dialogs d;
  Answer(*form, d);
  d.openAnswer = folder + "f";
  Click(*form, "loadBtn");
  // The input is loaded either way.
  QCOMPARE(form->engine().FormulaMode, table ? 0 : 1);
  QCOMPARE(table ? TableLine(form->engine(), 1) : FormulaRow(form->engine(), 0), table ? "11" : "A.B+C");
  SetClipboard(QStringLiteral("before"));
  if (shown) {
    QCOMPARE(form->Message(), table ? QStringLiteral("enter truth table...") : QStringLiteral("enter formula..."));
    Key(*form, Qt::Key_C, Qt::ControlModifier);
    QVERIFY(Clipboard() != QLatin1String("before") && !Clipboard().isEmpty());
    return;
  }
  QCOMPARE(form->Message(), table ? kStoredResultUnfitTable : kStoredResultUnfitFormula);
  QCOMPARE(form->engine().TermCount, 0);
  QVERIFY(form->ResultTableText().isEmpty());
  Key(*form, Qt::Key_C, Qt::ControlModifier);
  QCOMPARE(Clipboard(), QStringLiteral("before"));
  QCOMPARE(form->Message(), QStringLiteral("nothing to copy: no result terms"));
  // A save writes the input without the dropped result; GO makes it anew.
  d.saveAnswer = folder + "again";
  Click(*form, "saveBtn");
  QCOMPARE(FileBytes(folder + "tervo42_again").size(), 2736);
  Click(*form, "GObtn");
  QVERIFY(form->Message().startsWith(QLatin1String("OK: ")));
}

void WindowFileTest::cancelledDialogsChangeNothing() {
  auto form = ShownWindow();
  MakeWorkingState(*form, "dnf unreduced");
  const QString message = form->Message();
  const WorkingState state = StateOf(*form);
  Dialogs d;  // answers "" as a cancelled dialog does
  Answer(*form, d);
  Click(*form, "loadBtn");
  Click(*form, "saveBtn");
  QCOMPARE(d.asked, 2);
  QCOMPARE(form->Message(), message);
  QVERIFY(StateOf(*form) == state);
  QCOMPARE(form->windowTitle(), QStringLiteral("tervo42 V2.0"));
  QVERIFY(form->editor().CursorVisible);
}

void WindowFileTest::loadAndSaveDoNothingDuringARun() {
  QTemporaryDir dir;
  const QString folder = dir.path() + QLatin1Char('/');
  Dialogs d;
  auto form = WindowAnswering(d);
  d.saveAnswer = folder + "abc";
  Click(*form, "saveBtn");
  TypeFormula(*form, "+E");
  d.openAnswer = folder + "abc";
  d.saveAnswer = folder + "def";
  d.asked = 0;
  Click(*form, "DBxlate");
  QString stopMessage, after;
  RunWithStops(*form, [&](const QString& msg, int n) {
    if (n == 0) {
      stopMessage = msg;
      Click(*form, "loadBtn");
      Click(*form, "saveBtn");
      after = form->Message();
    }
    Key(*form, Qt::Key_Escape);
  });
  QCOMPARE(d.asked, 0);
  QCOMPARE(after, stopMessage);
  QVERIFY(!QFileInfo::exists(folder + "tervo42_def"));
  QCOMPARE(FormulaRow(form->engine(), 0), std::string("+EA.B+/A.C"));
}

void WindowFileTest::saveDialogAsksBeforeReplacing_data() {
  QTest::addColumn<QStringList>("answers");   // names typed into the save dialog, "yes"/"no" to its question, "cancel"
  QTest::addColumn<QStringList>("questions");  // the questions asked
  QTest::addColumn<QString>("written");        // the file that holds the new state, "" none
  const QString q = QStringLiteral("tervo42_abc already exists.\nDo you want to replace it?");
  QTest::newRow("a new name: no question") << QStringList{"fresh"} << QStringList() << "tervo42_fresh";
  QTest::newRow("replace") << QStringList{"abc", "yes"} << QStringList{q} << "tervo42_abc";
  QTest::newRow("picked with its prefix") << QStringList{"tervo42_abc", "yes"} << QStringList{q} << "tervo42_abc";
  QTest::newRow("keep, then cancel") << QStringList{"abc", "no", "cancel"} << QStringList{q} << "";
  QTest::newRow("keep, then another name") << QStringList{"abc", "no", "other"} << QStringList{q} << "tervo42_other";
  QTest::newRow("a name with a dot: refused, no question") << QStringList{"abc.x"} << QStringList() << "";
}

// The real save dialog, answered through its own widgets.
void WindowFileTest::saveDialogAsksBeforeReplacing() {
  QFETCH(QStringList, answers);
  QFETCH(QStringList, questions);
  QFETCH(QString, written);
  QTemporaryDir dir;
  const QString folder = dir.path() + QLatin1Char('/');
  const QByteArray old("an older file");
  QVERIFY(WriteBytes(folder + "tervo42_abc", old));
  auto form = ShownWindow();
  MakeWorkingState(*form, "dnf unreduced");

  QStringList asked;
  int next = 0;
  QWidget* seen = nullptr;
  int seenFor = 0, unexpected = 0;
  QTimer poll;
  QObject::connect(&poll, &QTimer::timeout, [&] {
    QWidget* modal = QApplication::activeModalWidget();
    if (modal == nullptr) return;
    if (next >= answers.size()) {  // a dialog more than expected: close it rather than hang
      if (auto* dialog = qobject_cast<QDialog*>(modal)) dialog->reject();
      ++unexpected;
      return;
    }
    // Answer a dialog only once it has stood for a while: the file dialog
    // reads its folder in the background and may still change its name line.
    seenFor = modal == seen ? seenFor + 1 : 0;
    seen = modal;
    if (seenFor < 5) return;
    seen = nullptr;
    const QString answer = answers[next++];
    if (auto* dialog = qobject_cast<QFileDialog*>(modal)) {
      if (answer == QLatin1String("cancel")) return dialog->reject();
      auto* name = dialog->findChild<QLineEdit*>(QStringLiteral("fileNameEdit"));
      QVERIFY(name != nullptr);
      name->setText(folder + answer);
      static_cast<QDialog*>(dialog)->accept();  // QFileDialog's own accept, public through QDialog
    } else if (auto* box = qobject_cast<QMessageBox*>(modal)) {
      asked << box->text();
      box->button(answer == QLatin1String("yes") ? QMessageBox::Yes : QMessageBox::No)->click();
    }
  });
  poll.start(10);
  Click(*form, "saveBtn");
  poll.stop();
  QCOMPARE(next, int(answers.size()));
  QCOMPARE(unexpected, 0);
  QCOMPARE(asked, questions);
  if (written != QLatin1String("tervo42_abc")) QCOMPARE(FileBytes(folder + "tervo42_abc"), old);
  QStringList files{"tervo42_abc"};
  if (!written.isEmpty() && !files.contains(written)) files << written;
  files.sort();
  QCOMPARE(QDir(folder).entryList(QDir::AllEntries | QDir::Hidden | QDir::NoDotAndDotDot, QDir::Name), files);
  if (!written.isEmpty()) {
    QCOMPARE(form->Message(), QStringLiteral("file saved"));
    QCOMPARE(FileBytes(folder + written).size(), qint64(tervo::FormulaFileSize(form->engine().VariableCount,
                                                                                form->engine().TermCount)));
  }
}

QTEST_MAIN(WindowFileTest)
#include "window_file_test.moc"
