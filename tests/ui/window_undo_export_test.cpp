// Undo, redo and export through the real window: Ctrl+Z and Ctrl+Shift+Z
// over typing, the line keys, a paste, a mode switch and a file load, with
// the input's X forgetting them; Ctrl+E with the export dialog answered by
// the test, the refusals, and the file written whole or not at all.
#include <QApplication>
#include <QClipboard>
#include <QComboBox>
#include <QFileDialog>
#include <QLineEdit>
#include <QContextMenuEvent>
#include <QMenu>
#include <QGuiApplication>
#include <QTemporaryDir>
#include <QtTest>

#include <cerrno>

#include "formula_file.h"
#include "window_test_access.h"
#include "window_test_support.h"

using namespace wt;

class WindowUndoExportTest : public QObject {
  Q_OBJECT
 private slots:
  void initTestCase() { QVERIFY(dir_.isValid()); }
  void undoAndRedoWalkBackAndForthOverEdits();
  void undoBringsBackTheInputModeAndALoad();
  void clearingTheInputForgetsTheSteps();
  void exportWritesTheChosenFormat_data();
  void exportWritesTheChosenFormat();
  void exportIsRefusedWithoutAResultOrDuringARun();
  void aFailedExportLeavesTheOlderFile();
  void theOutputPaneMenuExportsToo();
  void aLoadedConstantExportsAsItsConstant();
  void theExportDialogAddsTheSuffixOfTheChosenKind_data();
  void theExportDialogAddsTheSuffixOfTheChosenKind();

 private:
  QTemporaryDir dir_;
};

namespace {

void Undo(TForm1& form) { Key(form, Qt::Key_Z, Qt::ControlModifier); }
void Redo(TForm1& form) { Key(form, Qt::Key_Z, Qt::ControlModifier | Qt::ShiftModifier); }

// Export dialog answers: the path given, counting the questions.
int AnswerExport(TForm1& form, const QString& path, int* asked) {
  tervo::WindowTestAccess::AskExportPath(form) = [path, asked](const QString&, const QString&) {
    ++*asked;
    return path;
  };
  return 0;
}

}  // namespace

void WindowUndoExportTest::undoAndRedoWalkBackAndForthOverEdits() {
  auto form = ShownWindow();
  const tervo::Engine& e = form->engine();
  TypeFormula(*form, "A+B\nC");  // four typed characters and an Enter
  Key(*form, Qt::Key_Up);
  Key(*form, Qt::Key_Y, Qt::ControlModifier);  // Ctrl+Y still deletes the line
  QCOMPARE(FormulaRow(e, 0), std::string("C"));
  QGuiApplication::clipboard()->setText(QStringLiteral("/D\n.E"));
  Key(*form, Qt::Key_V, Qt::ControlModifier);
  const std::string pasted0 = FormulaRow(e, 0), pasted1 = FormulaRow(e, 1);
  QCOMPARE(pasted1, std::string(".EC"));

  // The Enter after A+B moved nothing but the cursor: no step of its own.
  const struct {
    std::string row0, row1;
  } back[] = {
      {"C", ""},     // the paste, all of it
      {"A+B", "C"},  // Ctrl+Y
      {"A+B", ""},   // the C typed
      {"A+", ""},    // the B
  };
  for (const auto& b : back) {
    Undo(*form);
    QCOMPARE(FormulaRow(e, 0), b.row0);
    QCOMPARE(FormulaRow(e, 1), b.row1);
  }
  QCOMPARE(int(form->editor().CursorCol), 2);  // where the B was typed
  QCOMPARE(int(form->editor().CursorRow), 0);
  for (int i = 0; i < 4; ++i) Redo(*form);
  QCOMPARE(FormulaRow(e, 0), pasted0);
  QCOMPARE(FormulaRow(e, 1), pasted1);
  Redo(*form);
  QCOMPARE(form->Message(), QStringLiteral("nothing to redo"));
  // Ctrl+Z is no editing key: the grid gets no Z.
  QVERIFY(FormulaRow(e, 0).find('Z') == std::string::npos);
}

void WindowUndoExportTest::undoBringsBackTheInputModeAndALoad() {
  auto form = ShownWindow();
  const tervo::Engine& e = form->engine();
  const QString path = dir_.filePath(QStringLiteral("undo_load"));
  tervo::WindowTestAccess::AskSavePath(*form) = [&](const QString&, const QString&) { return path; };
  tervo::WindowTestAccess::AskOpenPath(*form) = [&](const QString&, const QString&) { return path; };
  TypeTable(*form, {"AB", "10"});  // a file with table input
  Key(*form, Qt::Key_S, Qt::ControlModifier);
  QCOMPARE(form->Message(), QStringLiteral("file saved"));

  Click(*form, "forminbtn");
  Type(*form, QStringLiteral("X.Y"));
  Key(*form, Qt::Key_O, Qt::ControlModifier);  // the load: table input again
  QCOMPARE(int(e.FormulaMode), 0);
  Undo(*form);  // back to before the load: formula input, X.Y, the cursor after it
  QCOMPARE(int(e.FormulaMode), 1);
  QVERIFY(Child<QAbstractButton>(*form, "forminbtn")->isChecked());
  QCOMPARE(FormulaRow(e, 0), std::string("X.Y"));
  QCOMPARE(int(form->editor().CursorCol), 3);
  Undo(*form);
  Undo(*form);
  Undo(*form);
  QCOMPARE(FormulaRow(e, 0), std::string(""));
  Undo(*form);  // the last typed table cell: table input again, its cursor
  QCOMPARE(int(e.FormulaMode), 0);
  QVERIFY(Child<QAbstractButton>(*form, "tablebtn")->isChecked());
  QCOMPARE(TableLine(e, 1), std::string("1"));
  QCOMPARE(int(form->editor().CursorRow), 1);
  QCOMPARE(int(form->editor().CursorCol), 1);
}

void WindowUndoExportTest::clearingTheInputForgetsTheSteps() {
  auto form = ShownWindow();
  Type(*form, QStringLiteral("A.B"));
  Click(*form, "inclearBtn");
  Undo(*form);
  QCOMPARE(form->Message(), QStringLiteral("nothing to undo"));
  QCOMPARE(FormulaRow(form->engine(), 0), std::string(""));
}

void WindowUndoExportTest::exportWritesTheChosenFormat_data() {
  QTest::addColumn<QString>("formula");
  QTest::addColumn<bool>("dnf");
  QTest::addColumn<QString>("file");
  QTest::addColumn<QStringList>("expected");  // lines the file holds
  QTest::newRow("verilog") << "A./B+C" << false << "half.v"
                           << QStringList{"// from the formula A./B+C", "module half (", "  input wire A,",
                                          "  output wire f",
                                          "  assign f = (A & ~B)", "       | C;"};
  QTest::newRow("vhdl, product of sums") << "(A+B).C" << true << "pos.vhd"
                                         << QStringList{"entity pos is", "    f : out std_logic",
                                                        "  f <= C", "       and (A or B);"};
  QTest::newRow("latex") << "A./B+C" << false << "table.tex"
                         << QStringList{"\\noindent Formula: \\texttt{A./B+C}", "A & B & C \\\\",
                                        "1 & 0 & x \\\\", "x & x & 1 \\\\"};
  QTest::newRow("csv") << "A.B" << false << "and.csv"
                       << QStringList{"A,B,f,f_result\r", "0,0,0,0\r", "1,1,1,1\r"};
  QTest::newRow("constant") << "A+/A" << false << "always.v" << QStringList{"  assign f = 1'b1;"};
}

void WindowUndoExportTest::exportWritesTheChosenFormat() {
  QFETCH(QString, formula);
  QFETCH(bool, dnf);
  QFETCH(QString, file);
  QFETCH(QStringList, expected);
  auto form = ShownWindow();
  TypeFormula(*form, formula);
  if (dnf) Click(*form, "dnfBtn");
  Click(*form, "GObtn");
  Type(*form, QStringLiteral("+Q"));  // edited since: the export is of the run's input
  int asked = 0;
  const QString path = dir_.filePath(file);
  AnswerExport(*form, path, &asked);
  Key(*form, Qt::Key_E, Qt::ControlModifier);
  QCOMPARE(asked, 1);
  QCOMPARE(form->Message(), QStringLiteral("result exported: ") + file);
  const QStringList lines = QString::fromUtf8(FileBytes(path)).split(QLatin1Char('\n'));
  for (const QString& line : expected) QVERIFY2(lines.contains(line), qPrintable(line + " in\n" + lines.join('\n')));
  QVERIFY(!lines.join('\n').contains(QLatin1String("Q")));
}

void WindowUndoExportTest::exportIsRefusedWithoutAResultOrDuringARun() {
  auto form = ShownWindow();
  int asked = 0;
  AnswerExport(*form, dir_.filePath(QStringLiteral("never.v")), &asked);
  Key(*form, Qt::Key_E, Qt::ControlModifier);
  QCOMPARE(form->Message(), QStringLiteral("nothing to export: no result"));

  TypeFormula(*form, QStringLiteral("A.B+C"));
  Click(*form, "GObtn");
  Click(*form, "dnfBtn");  // the switch empties the result
  Key(*form, Qt::Key_E, Qt::ControlModifier);
  QCOMPARE(form->Message(), QStringLiteral("nothing to export: no result"));

  Type(*form, QStringLiteral("+("));
  Click(*form, "GObtn");  // a syntax error: no result either
  Key(*form, Qt::Key_E, Qt::ControlModifier);
  QCOMPARE(form->Message(), QStringLiteral("nothing to export: no result"));

  Click(*form, "cnfBtn");
  Key(*form, Qt::Key_Delete);
  Key(*form, Qt::Key_Delete);
  Click(*form, "DBxlate");
  QString atStop;
  RunWithStops(*form, [&](const QString&, int n) {
    if (n == 0) {
      Key(*form, Qt::Key_E, Qt::ControlModifier);
      atStop = form->Message();
    }
    Key(*form, Qt::Key_Escape);
  });
  QCOMPARE(atStop, QStringLiteral("export: not while a run is going"));
  QCOMPARE(asked, 0);

  // A name of no known kind is refused after the question.
  Click(*form, "DBxlate");
  Click(*form, "GObtn");
  AnswerExport(*form, dir_.filePath(QStringLiteral("result.pdf")), &asked);
  Key(*form, Qt::Key_E, Qt::ControlModifier);
  QCOMPARE(asked, 1);
  QCOMPARE(form->Message(), QStringLiteral("export: name the file .v, .vhd, .tex or .csv"));
  QVERIFY(!QFile::exists(dir_.filePath(QStringLiteral("result.pdf"))));
}

void WindowUndoExportTest::aFailedExportLeavesTheOlderFile() {
  // Writes nothing, as a full disk does.
  struct FullDisk : tervo::FileSink {
    long Write(int, const uint8_t*, std::size_t) override {
      errno = ENOSPC;
      return -1;
    }
    int Sync(int) override { return 0; }
  } full;
  auto form = ShownWindow();
  TypeFormula(*form, QStringLiteral("A.B"));
  Click(*form, "GObtn");
  const QString path = dir_.filePath(QStringLiteral("kept.csv"));
  QFile old(path);
  QVERIFY(old.open(QIODevice::WriteOnly));
  old.write("older\n");
  old.close();
  int asked = 0;
  AnswerExport(*form, path, &asked);
  tervo::WindowTestAccess::SetSaveSink(*form, &full);
  Key(*form, Qt::Key_E, Qt::ControlModifier);
  QCOMPARE(form->Message(), QStringLiteral("export: FILE I/O ERROR: kept.csv not written"));
  QCOMPARE(FileBytes(path), QByteArray("older\n"));
  QCOMPARE(QDir(dir_.path()).entryList(QDir::Hidden | QDir::Files).filter(QStringLiteral(".t42_")).size(), 0);
  tervo::WindowTestAccess::SetSaveSink(*form, nullptr);
}

void WindowUndoExportTest::theOutputPaneMenuExportsToo() {
  auto form = ShownWindow();
  QWidget* out = Child<QWidget>(*form, "outputbox");
  // Open the menu, note whether "export..." is enabled, and trigger it.
  auto viaMenu = [&] {
    bool enabled = false;
    QTimer::singleShot(100, [&] {
      auto* menu = qobject_cast<QMenu*>(QApplication::activePopupWidget());
      if (menu == nullptr) return;
      for (QAction* a : menu->actions())
        if (a->text() == QLatin1String("export...")) {
          enabled = a->isEnabled();
          a->trigger();
        }
      menu->close();
    });
    QContextMenuEvent event(QContextMenuEvent::Mouse, QPoint(100, 40), out->mapToGlobal(QPoint(100, 40)));
    QCoreApplication::sendEvent(out, &event);
    return enabled;
  };
  QVERIFY(!viaMenu());  // no result yet
  TypeFormula(*form, QStringLiteral("A-B"));
  Click(*form, "GObtn");
  int asked = 0;
  const QString path = dir_.filePath(QStringLiteral("xor.vhd"));
  AnswerExport(*form, path, &asked);
  QVERIFY(viaMenu());
  QCOMPARE(asked, 1);
  QCOMPARE(form->Message(), QStringLiteral("result exported: xor.vhd"));
  QVERIFY(FileBytes(path).contains("entity xor_v is"));  // "xor" is a reserved word
}

void WindowUndoExportTest::theExportDialogAddsTheSuffixOfTheChosenKind_data() {
  QTest::addColumn<QString>("typed");
  QTest::addColumn<int>("kindsDown");  // Down presses in the kind list
  QTest::addColumn<QString>("written");
  QTest::newRow("no suffix: the kind shown first") << "plain" << 0 << "plain.v";
  QTest::newRow("no suffix, VHDL chosen") << "chosen" << 1 << "chosen.vhd";
  QTest::newRow("no suffix, CSV chosen") << "table" << 3 << "table.csv";
  QTest::newRow("a suffix of its own") << "own.tex" << 0 << "own.tex";
}

void WindowUndoExportTest::theExportDialogAddsTheSuffixOfTheChosenKind() {
  QFETCH(QString, typed);
  QFETCH(int, kindsDown);
  QFETCH(QString, written);
  QTemporaryDir dir;
  QVERIFY(dir.isValid());
  auto form = ShownWindow();
  TypeFormula(*form, QStringLiteral("A.B+C"));
  Click(*form, "GObtn");
  int answered = 0, stood = 0;
  QTimer poll;
  QObject::connect(&poll, &QTimer::timeout, [&] {
    auto* dialog = qobject_cast<QFileDialog*>(QApplication::activeModalWidget());
    // Answer once the dialog has stood a while: it reads its folder in the
    // background and may still change its name line.
    if (dialog == nullptr || ++stood < 5) return;
    auto* kinds = dialog->findChild<QComboBox*>(QStringLiteral("fileTypeCombo"));
    auto* name = dialog->findChild<QLineEdit*>(QStringLiteral("fileNameEdit"));
    QVERIFY(kinds != nullptr && name != nullptr);
    QCOMPARE(kinds->count(), 4);
    for (int i = 0; i < kindsDown; ++i) QTest::keyClick(kinds, Qt::Key_Down);
    name->setText(dir.filePath(typed));
    ++answered;
    static_cast<QDialog*>(dialog)->accept();
  });
  poll.start(10);
  Key(*form, Qt::Key_E, Qt::ControlModifier);
  poll.stop();
  QCOMPARE(answered, 1);
  QCOMPARE(form->Message(), QStringLiteral("result exported: ") + written);
  QCOMPARE(QDir(dir.path()).entryList(QDir::Files), QStringList{written});
}

void WindowUndoExportTest::aLoadedConstantExportsAsItsConstant() {
  // A run that ends "TAUTOLOGY" or "INCONSISTENT" saves the rows it had
  // then: all of them, or none. A table whose lines cover everything is
  // reduced to no row at all, which read as it stands would be 0. The
  // export after a load gives the constant the saved input is.
  const struct {
    QString formula;  // lines of a table when it has a line break
    bool dnf;
    QString assign;
  } cases[] = {
      {QStringLiteral("A\n1\n0"), false, QStringLiteral("  assign f = 1'b1;")},
      {QStringLiteral("A+/A"), false, QStringLiteral("  assign f = 1'b1;")},
      {QStringLiteral("A+/A"), true, QStringLiteral("  assign f = 1'b1;")},
      {QStringLiteral("A./A"), false, QStringLiteral("  assign f = 1'b0;")},
      {QStringLiteral("A./A"), true, QStringLiteral("  assign f = 1'b0;")},
  };
  for (const auto& c : cases) {
    const QString file = dir_.filePath(QStringLiteral("constant"));
    auto saver = ShownWindow();
    tervo::WindowTestAccess::AskSavePath(*saver) = [&](const QString&, const QString&) { return file; };
    if (c.formula.contains('\n'))
      TypeTable(*saver, c.formula.split('\n'));
    else
      TypeFormula(*saver, c.formula);
    if (c.dnf) Click(*saver, "dnfBtn");
    Click(*saver, "GObtn");
    QCOMPARE(saver->Message(), c.assign.contains(QLatin1String("1'b1")) ? QStringLiteral("TAUTOLOGY") : QStringLiteral("INCONSISTENT"));
    Key(*saver, Qt::Key_S, Qt::ControlModifier);

    auto loader = ShownWindow();
    tervo::WindowTestAccess::AskOpenPath(*loader) = [&](const QString&, const QString&) { return file; };
    Key(*loader, Qt::Key_O, Qt::ControlModifier);
    int asked = 0;
    const QString path = dir_.filePath(QStringLiteral("constant.v"));
    AnswerExport(*loader, path, &asked);
    Key(*loader, Qt::Key_E, Qt::ControlModifier);
    QCOMPARE(loader->Message(), QStringLiteral("result exported: constant.v"));
    QVERIFY2(QString::fromUtf8(FileBytes(path)).split('\n').contains(c.assign), qPrintable(c.formula));
  }
}

QTEST_MAIN(WindowUndoExportTest)
#include "window_undo_export_test.moc"
