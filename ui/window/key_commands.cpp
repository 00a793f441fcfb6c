// The keys of the main window that are commands rather than edits: during
// a run, Space steps on, ESC ends the run, and F2 and Ctrl+E say that the
// map and the export wait; in an idle window F1, F2 and the Ctrl shortcuts. The window hands every
// other key of an idle window to the editor (editor_commands.cpp).
#include <QClipboard>
#include <QGuiApplication>

#include "commands.h"
#include "engine.h"

namespace tervo {

void RunControlKey(CommandHost& host, int key, Qt::KeyboardModifiers modifiers, QChar typed) {
  Engine& e = host.engine();
  // Export is refused during a run, with a word why.
  if (key == Qt::Key_E && (modifiers & ~Qt::KeypadModifier) == Qt::ControlModifier) ExportCommand(host);
  if (key == Qt::Key_Space || typed == QLatin1Char(' ')) e.StepWait = 0;
  if (key == Qt::Key_Escape || typed == QChar(27)) e.GoOn = 0;
  if (key == Qt::Key_F2) KarnaughCommand(host);  // says that it waits for the run's end
}

// F1, F2, Ctrl with C, E, O, P, S, V or Z (and no other modifier) and
// Ctrl+Shift+Z are commands; none of these keys does anything in the
// editor. Called only while the window is idle: during a run they are
// refused as every other key is.
bool CommandKey(CommandHost& host, int key, Qt::KeyboardModifiers modifiers) {
  const Qt::KeyboardModifiers mods = modifiers & (Qt::ControlModifier | Qt::ShiftModifier | Qt::AltModifier);
  if (key == Qt::Key_F1 && mods == Qt::NoModifier) {
    host.OpenHelp();
    return true;
  }
  if (key == Qt::Key_F2 && mods == Qt::NoModifier) {
    KarnaughCommand(host);
    return true;
  }
  if (key == Qt::Key_Z && mods == (Qt::ControlModifier | Qt::ShiftModifier)) {
    UndoCommand(host, true);
    return true;
  }
  if (mods != Qt::ControlModifier) return false;
  switch (key) {
    case Qt::Key_Z: UndoCommand(host, false); return true;
    case Qt::Key_C: CopyResultCommand(host, true); return true;
    case Qt::Key_E: ExportCommand(host); return true;
    case Qt::Key_V: PasteCommand(host, QGuiApplication::clipboard()->text()); return true;
    case Qt::Key_O: LoadFormulaCommand(host); return true;
    case Qt::Key_S: SaveFormulaCommand(host); return true;
    case Qt::Key_P: PrintCommand(host); return true;
    default: return false;
  }
}

}  // namespace tervo
