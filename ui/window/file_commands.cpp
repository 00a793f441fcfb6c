// Loading and saving formula files from the main window: the dialogs, the
// caption and the remembered folder and name. The file format itself is the
// engine's (formula_file.h).
#include <QFile>
#include <QFileDialog>
#include <QFileInfo>
#include <QMessageBox>
#include <QScrollBar>
#include <QSignalBlocker>
#include <filesystem>
#include <string>

#include "Unit1.h"
#include "dialog_looks.h"
#include "formula_file.h"
#include "ui_Unit1.h"

using tervo::Engine;

namespace {

std::filesystem::path ToPath(const QString& path) { return std::filesystem::path(QFile::encodeName(path).toStdString()); }

QString FromPath(const std::filesystem::path& path) { return QFile::decodeName(QByteArray::fromStdString(path.string())); }

// The message of a failed save or load with its cause after it, as in
// "FILE I/O ERROR: No space left on device".
QString WithCause(const QString& message, const tervo::FileCause& cause) {
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

const QString kStoredResultUnfitFormula =
    QStringLiteral("loaded, but the stored result does not fit the formula: press GO for the result");
const QString kStoredResultUnfitTable =
    QStringLiteral("loaded, but the stored result does not fit the table: press GO for the result");

void TForm1::InstallFileDialogs() {
  AskOpenPath = [this](const QString& folder, const QString& name) {
    return AskFilePath(this, QStringLiteral("load formula and tables"), QFileDialog::AcceptOpen, folder, name);
  };
  AskSavePath = [this](const QString& folder, const QString& name) {
    QString start = folder, typed = name;
    for (;;) {
      const QString path = AskFilePath(this, QStringLiteral("save formula and tables"), QFileDialog::AcceptSave, start,
                                       typed);
      if (path.isEmpty() || ConfirmReplace(this, path)) return path;
      // Not to be replaced: back to the dialog, where the user was.
      const QFileInfo info(path);
      start = info.path();
      typed = info.fileName();
    }
  };
}

void TForm1::ShowFileName(const QString& path) {
  const QFileInfo info(path);
  RememberedFolder = info.path();
  if (!RememberedFolder.endsWith(QLatin1Char('/'))) RememberedFolder += QLatin1Char('/');
  RememberedName = QString::fromStdString(tervo::FormulaDisplayName(info.fileName().toStdString()));
  setWindowTitle(QStringLiteral("tervo42:") + RememberedName);
}

void TForm1::saveBtnClick() {
  Engine& e = *engine_;
  if (e.RunState != tervo::kRunIdle) return;
  HideCursor();
  e.ErrorCode = tervo::kOk;
  const QString chosen = AskSavePath(RememberedFolder, RememberedName);
  if (!chosen.isEmpty()) {
    // The file is written whole or not at all; an older file of the name
    // stays as it was when the save fails.
    std::filesystem::path written;
    tervo::FileCause cause;
    e.ErrorCode =
        tervo::SaveFormulaFile(e, ToPath(chosen), &written, SaveSink ? *SaveSink : tervo::SystemFileSink(), &cause);
    if (e.ErrorCode != tervo::kOk) {
      ShowErrorMessage();
      SetMessage(WithCause(Message(), cause));
    } else {
      SetMessage(QStringLiteral("file saved"));
      ShowFileName(FromPath(written));
    }
  }
  ShowCursor();
}

void TForm1::loadBtnClick() {
  Engine& e = *engine_;
  if (e.RunState != tervo::kRunIdle) return;
  HideCursor();
  e.ErrorCode = tervo::kOk;
  const QString chosen = AskOpenPath(RememberedFolder, RememberedName);
  if (!chosen.isEmpty()) {
    // The whole file is checked before any of it replaces the working state,
    // so a refused file changes nothing.
    std::filesystem::path opened;
    // The grids and input mode that a load replaces come back with one undo.
    const tervo::EditorModel::Step step(editor_);
    tervo::FileCause cause;
    e.ErrorCode = tervo::LoadFormulaFile(e, ToPath(chosen), &opened, &cause);
    if (e.ErrorCode != tervo::kOk) {
      ShowErrorMessage();
      SetMessage(WithCause(Message(), cause));
    } else {
      // The stored result is shown only when it is what the stored input
      // gives; any other is dropped, so that copy, print and save do not
      // pass it on, and GO makes it anew.
      const bool resultFits = tervo::CheckStoredResult(e) != tervo::StoredResult::kUnverified;
      if (!resultFits) {
        e.ClearTruthTable();
        e.VariableTable.fill(0);
        e.VariableCount = 0;
      }
      ShowFileName(FromPath(opened));
      Result_ = resultFits ? ResultKind::kLoaded : ResultKind::kNone;
      ResultInput_ = tervo::CaptureEditor(e, view_);
      SetReduce(e.ReduceOn != 0);
      SetInputMode(e.FormulaMode != 0);  // table input has been loaded as CNF
      (e.CnfMode ? ui_->cnfBtn : ui_->dnfBtn)->setChecked(true);
      ResetOutputScroll();
      ClearOutputPane();
      if (resultFits)
        DrawOutputPane();
      else
        SetMessage(e.FormulaMode ? kStoredResultUnfitFormula : kStoredResultUnfitTable);
    }
  }
  ShowCursor();
}
