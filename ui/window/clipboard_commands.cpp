// The clipboard in the main window: Ctrl+V pastes into the editor (a formula
// in common notations put into ours, a table read as a table); Ctrl+C and
// the output pane's menu copy the result as a formula or as the table text.
#include <QClipboard>
#include <QGuiApplication>
#include <QMenu>
#include <QWidget>
#include <string>

#include "commands.h"
#include "editor_model.h"
#include "engine.h"
#include "result_text.h"

namespace tervo {

void PasteCommand(CommandHost& host, const QString& text) {
  if (host.engine().RunState != kRunIdle || text.isEmpty()) return;
  host.HideCursor();
  const int col = host.editorView().CursorCol, row = host.editorView().CursorRow;
  const std::u32string chars = text.toStdU32String();
  const PasteResult pasted = host.editorModel().Paste(chars);
  host.ShowEdit({EditResult::kAllRows, 0}, col, row);
  QStringList said;
  if (!pasted.refusal.empty())
    said << QString::fromStdString(pasted.refusal) + QStringLiteral("; nothing pasted");
  if (!pasted.note.empty()) said << QString::fromStdString(pasted.note);
  if (pasted.leftOut > 0) said << QStringLiteral("%1 characters left out: no room").arg(pasted.leftOut);
  if (!said.isEmpty()) host.SetMessage(QStringLiteral("paste: ") + said.join(QStringLiteral("; ")));
  host.ShowCursor();
}

QString ResultFormulaText(CommandHost& host) {
  if (!host.ShowsResult()) return {};
  return QString::fromStdString(ResultFormula(host.engine()));
}

QString ResultTableText(CommandHost& host) {
  if (!host.ShowsResult() || host.engine().TermCount == 0) return {};
  return QString::fromStdString(ResultTableText(host.engine()));
}

void CopyResultCommand(CommandHost& host, bool asFormula) {
  if (host.engine().RunState != kRunIdle) return;
  const QString text = asFormula ? ResultFormulaText(host) : ResultTableText(host);
  if (text.isEmpty()) {
    host.SetMessage(QStringLiteral("nothing to copy: no result terms"));
    return;
  }
  QGuiApplication::clipboard()->setText(text);
}

void OutputMenuCommand(CommandHost& host, QWidget& pane, QPoint at) {
  // A menu is a loop of its own: during a run it would hold the run up.
  if (host.engine().RunState != kRunIdle) return;
  QMenu menu(&host.windowWidget());
  menu.setObjectName(QStringLiteral("copymenu"));
  QAction* formula = menu.addAction(QStringLiteral("copy as formula"));
  formula->setShortcut(QKeySequence(Qt::CTRL | Qt::Key_C));
  formula->setShortcutVisibleInContextMenu(true);
  QAction* table = menu.addAction(QStringLiteral("copy as table"));
  formula->setEnabled(!ResultFormulaText(host).isEmpty());
  table->setEnabled(!ResultTableText(host).isEmpty());
  QObject::connect(formula, &QAction::triggered, &menu, [&host] { CopyResultCommand(host, true); });
  QObject::connect(table, &QAction::triggered, &menu, [&host] { CopyResultCommand(host, false); });
  // Always offered: when there is no map, choosing it says why.
  QAction* map = menu.addAction(QStringLiteral("Karnaugh map"));
  map->setShortcut(QKeySequence(Qt::Key_F2));
  map->setShortcutVisibleInContextMenu(true);
  QObject::connect(map, &QAction::triggered, &menu, [&host] { KarnaughCommand(host); });
  menu.addSeparator();
  QAction* exporting = menu.addAction(QStringLiteral("export..."));
  exporting->setShortcut(QKeySequence(Qt::CTRL | Qt::Key_E));
  exporting->setShortcutVisibleInContextMenu(true);
  exporting->setEnabled(host.memory().result != CommandMemory::ResultKind::kNone && host.engine().VariableCount > 0);
  QObject::connect(exporting, &QAction::triggered, &menu, [&host] { ExportCommand(host); });
  menu.exec(pane.mapToGlobal(at));
}

}  // namespace tervo
