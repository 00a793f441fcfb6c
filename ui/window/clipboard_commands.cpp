// The clipboard in the main window: Ctrl+V pastes into the editor (a formula
// in common notations put into ours, a table read as a table); Ctrl+C and
// the output pane's menu copy the result as a formula or as the table text.
#include <QClipboard>
#include <QGuiApplication>
#include <QMenu>
#include <QScrollBar>
#include <string>

#include "Unit1.h"
#include "result_text.h"
#include "ui_Unit1.h"

void TForm1::PasteText(const QString& text) {
  if (engine_->RunState != tervo::kRunIdle || text.isEmpty()) return;
  HideCursor();
  const int col = view_.CursorCol, row = view_.CursorRow;
  const std::u32string chars = text.toStdU32String();
  const tervo::PasteResult pasted = editor_.Paste(chars);
  ShowEdit({tervo::EditResult::kAllRows, 0}, col, row);
  QStringList said;
  if (!pasted.refusal.empty())
    said << QString::fromStdString(pasted.refusal) + QStringLiteral("; nothing pasted");
  if (!pasted.note.empty()) said << QString::fromStdString(pasted.note);
  if (pasted.leftOut > 0) said << QStringLiteral("%1 characters left out: no room").arg(pasted.leftOut);
  if (!said.isEmpty()) SetMessage(QStringLiteral("paste: ") + said.join(QStringLiteral("; ")));
  ShowCursor();
}

QString TForm1::ResultFormulaText() const {
  if (!ui_->outputbox->ShowsResult()) return {};
  return QString::fromStdString(tervo::ResultFormula(*engine_));
}

QString TForm1::ResultTableText() const {
  if (!ui_->outputbox->ShowsResult() || engine_->TermCount == 0) return {};
  return QString::fromStdString(tervo::ResultTableText(*engine_));
}

void TForm1::CopyResult(bool asFormula) {
  if (engine_->RunState != tervo::kRunIdle) return;
  const QString text = asFormula ? ResultFormulaText() : ResultTableText();
  if (text.isEmpty()) {
    SetMessage(QStringLiteral("nothing to copy: no result terms"));
    return;
  }
  QGuiApplication::clipboard()->setText(text);
}

void TForm1::outputboxContextMenu(const QPoint& at) {
  // A menu is a loop of its own: during a run it would hold the run up.
  if (engine_->RunState != tervo::kRunIdle) return;
  QMenu menu(this);
  menu.setObjectName(QStringLiteral("copymenu"));
  QAction* formula = menu.addAction(QStringLiteral("copy as formula"));
  formula->setShortcut(QKeySequence(Qt::CTRL | Qt::Key_C));
  formula->setShortcutVisibleInContextMenu(true);
  QAction* table = menu.addAction(QStringLiteral("copy as table"));
  formula->setEnabled(!ResultFormulaText().isEmpty());
  table->setEnabled(!ResultTableText().isEmpty());
  connect(formula, &QAction::triggered, this, [this] { CopyResult(true); });
  connect(table, &QAction::triggered, this, [this] { CopyResult(false); });
  // Always offered: when there is no map, choosing it says why.
  QAction* map = menu.addAction(QStringLiteral("Karnaugh map"));
  map->setShortcut(QKeySequence(Qt::Key_F2));
  map->setShortcutVisibleInContextMenu(true);
  connect(map, &QAction::triggered, this, &TForm1::KarnaughCommand);
  menu.addSeparator();
  QAction* exporting = menu.addAction(QStringLiteral("export..."));
  exporting->setShortcut(QKeySequence(Qt::CTRL | Qt::Key_E));
  exporting->setShortcutVisibleInContextMenu(true);
  exporting->setEnabled(Result_ != ResultKind::kNone && engine_->VariableCount > 0);
  connect(exporting, &QAction::triggered, this, &TForm1::ExportResult);
  menu.exec(ui_->outputbox->mapToGlobal(at));
}
