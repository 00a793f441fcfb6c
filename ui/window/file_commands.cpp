// Loading and saving formula files from the main window: the dialogs, the
// caption and the remembered folder and name. The file format itself is the
// engine's (formula_file.h).
#include <QFile>
#include <QFileDialog>
#include <QFileInfo>
#include <QMessageBox>
#include <QWidget>
#include <filesystem>

#include "commands.h"
#include "dialog_looks.h"
#include "engine.h"
#include "formula_file.h"

namespace tervo {

namespace {

std::filesystem::path ToPath(const QString& path) { return std::filesystem::path(QFile::encodeName(path).toStdString()); }

QString FromPath(const std::filesystem::path& path) { return QFile::decodeName(QByteArray::fromStdString(path.string())); }

// The message of a failed save or load with its cause after it, as in
// "FILE I/O ERROR: No space left on device".
QString WithCause(const QString& message, const FileCause& cause) {
  const std::string text = cause.Text();
  return text.empty() ? message : message + QStringLiteral(": ") + QString::fromLocal8Bit(text.c_str());
}

// A file dialog that starts in folder with name filled in. It offers no file
// filter and adds no suffix: formula files carry a prefix instead.
QString AskFilePath(QWidget* parent, const QString& caption, QFileDialog::AcceptMode mode, const QString& folder,
                    const QString& name) {
  QFileDialog dialog(parent, caption, folder);
  dialog.setOption(QFileDialog::DontUseNativeDialog);
  dialog.setAcceptMode(mode);
  // A typed name need not exist as it stands: "abc" opens tervo42_abc.
  dialog.setFileMode(QFileDialog::AnyFile);
  // The dialog sees the typed name, not the prefixed file that will be
  // written, so its own question about overwriting would name the wrong file.
  dialog.setOption(QFileDialog::DontConfirmOverwrite);
  if (!name.isEmpty()) dialog.selectFile(name);
  ShowFileColumnsWhole(dialog);
  if (dialog.exec() != QDialog::Accepted || dialog.selectedFiles().isEmpty()) return QString();
  return dialog.selectedFiles().constFirst();
}

// The save dialog's question before an existing file is replaced, asked
// about the file that will be written (the name with its prefix). True when
// there is no such file or the user agrees; a name the save refuses anyway
// (one with a ".") needs no question.
bool ConfirmReplace(QWidget* parent, const QString& chosen) {
  const std::filesystem::path path = ToPath(chosen);
  const std::string name = path.filename().string();
  if (name.empty() || tervo::HasExtension(name)) return true;
  const std::filesystem::path target = tervo::FormulaFilePath(path.parent_path(), name);
  std::error_code ec;
  if (!std::filesystem::exists(std::filesystem::symlink_status(target, ec))) return true;
  const QString shown = QFileInfo(FromPath(target)).fileName();
  QMessageBox box(QMessageBox::Warning, QStringLiteral("save formula and tables"),
                  QStringLiteral("%1 already exists.\nDo you want to replace it?").arg(shown),
                  QMessageBox::Yes | QMessageBox::No, parent);
  box.setDefaultButton(QMessageBox::No);
  FitTitle(box);
  return box.exec() == QMessageBox::Yes;
}

}  // namespace

}  // namespace tervo

const QString kStoredResultUnfitFormula =
    QStringLiteral("loaded, but the stored result does not fit the formula: press GO for the result");
const QString kStoredResultUnfitTable =
    QStringLiteral("loaded, but the stored result does not fit the table: press GO for the result");

namespace tervo {

void InstallFileDialogs(CommandQuestions& questions, QWidget* window) {
  questions.openPath = [window](const QString& folder, const QString& name) {
    return AskFilePath(window, QStringLiteral("load formula and tables"), QFileDialog::AcceptOpen, folder, name);
  };
  questions.savePath = [window](const QString& folder, const QString& name) {
    QString start = folder, typed = name;
    for (;;) {
      const QString path = AskFilePath(window, QStringLiteral("save formula and tables"), QFileDialog::AcceptSave,
                                       start, typed);
      if (path.isEmpty() || ConfirmReplace(window, path)) return path;
      // Not to be replaced: back to the dialog, where the user was.
      const QFileInfo info(path);
      start = info.path();
      typed = info.fileName();
    }
  };
}

void ShowFileName(CommandHost& host, const QString& path) {
  CommandMemory& m = host.memory();
  const QFileInfo info(path);
  m.rememberedFolder = info.path();
  if (!m.rememberedFolder.endsWith(QLatin1Char('/'))) m.rememberedFolder += QLatin1Char('/');
  m.rememberedName = QString::fromStdString(FormulaDisplayName(info.fileName().toStdString()));
  host.windowWidget().setWindowTitle(QStringLiteral("tervo42:") + m.rememberedName);
}

void SaveFormulaCommand(CommandHost& host) {
  Engine& e = host.engine();
  if (e.RunState != kRunIdle) return;
  host.HideCursor();
  e.ErrorCode = kOk;
  CommandQuestions& ask = host.questions();
  const QString chosen = ask.savePath(host.memory().rememberedFolder, host.memory().rememberedName);
  if (!chosen.isEmpty()) {
    // The file is written whole or not at all; an older file of the name
    // stays as it was when the save fails.
    std::filesystem::path written;
    FileCause cause;
    e.ErrorCode =
        SaveFormulaFile(e, ToPath(chosen), &written, ask.saveSink ? *ask.saveSink : SystemFileSink(), &cause);
    if (e.ErrorCode != kOk) {
      host.ShowErrorMessage();
      host.SetMessage(WithCause(host.Message(), cause));
    } else {
      host.SetMessage(QStringLiteral("file saved"));
      ShowFileName(host, FromPath(written));
    }
  }
  host.ShowCursor();
}

void LoadFormulaCommand(CommandHost& host) {
  Engine& e = host.engine();
  if (e.RunState != kRunIdle) return;
  host.HideCursor();
  e.ErrorCode = kOk;
  const QString chosen = host.questions().openPath(host.memory().rememberedFolder, host.memory().rememberedName);
  if (!chosen.isEmpty()) {
    // The whole file is checked before any of it replaces the working state,
    // so a refused file changes nothing.
    std::filesystem::path opened;
    // The grids and input mode that a load replaces come back with one undo.
    const EditorModel::Step step(host.editorModel());
    FileCause cause;
    e.ErrorCode = LoadFormulaFile(e, ToPath(chosen), &opened, &cause);
    if (e.ErrorCode != kOk) {
      host.ShowErrorMessage();
      host.SetMessage(WithCause(host.Message(), cause));
    } else {
      // The stored result is shown only when it is what the stored input
      // gives; any other is dropped, so that copy, print and save do not
      // pass it on, and GO makes it anew.
      const bool resultFits = CheckStoredResult(e) != StoredResult::kUnverified;
      if (!resultFits) {
        e.ClearTruthTable();
        e.VariableTable.fill(0);
        e.VariableCount = 0;
      }
      ShowFileName(host, FromPath(opened));
      CommandMemory& m = host.memory();
      m.result = resultFits ? CommandMemory::ResultKind::kLoaded : CommandMemory::ResultKind::kNone;
      m.resultInput = CaptureEditor(e, host.editorView());
      host.SetReduce(e.ReduceOn != 0);
      host.SetInputMode(e.FormulaMode != 0);  // table input has been loaded as CNF
      host.SetOutputForm(e.CnfMode != 0);
      host.ResetOutputScroll();
      host.ClearOutputPane();
      if (resultFits)
        host.DrawOutputPane();
      else
        host.SetMessage(e.FormulaMode ? kStoredResultUnfitFormula : kStoredResultUnfitTable);
    }
  }
  host.ShowCursor();
}

}  // namespace tervo
