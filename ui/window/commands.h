// The main window's commands, each working on the window through
// CommandHost (command_host.h). The window's buttons, keys and menus call
// them; a command that does nothing during a run says so here.
#pragma once

#include <QPoint>
#include <QString>
#include <Qt>

#include "command_host.h"

class QPrinter;
class QWidget;

// The message line after a load whose stored result fails its check.
extern const QString kStoredResultUnfitFormula;
extern const QString kStoredResultUnfitTable;

namespace tervo {

struct RunOutcome;

// ---------------------------------------------------------------- files (file_commands.cpp)
// The load and save dialogs as the questions' defaults, with window as their parent.
void InstallFileDialogs(CommandQuestions& questions, QWidget* window);
// Save and load a formula file; nothing during a run.
void SaveFormulaCommand(CommandHost& host);
void LoadFormulaCommand(CommandHost& host);
// Remember the folder and name of a file and show the name in the caption.
void ShowFileName(CommandHost& host, const QString& path);

// ---------------------------------------------------------------- printing (print_commands.cpp)
// The page warning and the PDF file dialog as the questions' defaults.
void InstallPrintDialogs(CommandQuestions& questions, QWidget* window);
// The printer of all print jobs; the printer-setup dialog changes it.
QPrinter& PrinterOf(CommandMemory& memory);
// Print the input and the result, or write them to a PDF file; nothing during a run.
void PrintCommand(CommandHost& host);
// The printer-setup dialog; nothing during a run.
void PrinterSetupCommand(CommandHost& host);

// ---------------------------------------------------------------- keys (key_commands.cpp)
// A key pressed during a run: Space, ESC, F2 and Ctrl+E do their part, no other.
void RunControlKey(CommandHost& host, int key, Qt::KeyboardModifiers modifiers, QChar typed);
// F1, F2 and the Ctrl shortcuts of the idle window; false for any other key.
bool CommandKey(CommandHost& host, int key, Qt::KeyboardModifiers modifiers);

// ---------------------------------------------------------------- output pane (output_commands.cpp)
// The CNF and DNF buttons: the result goes with the form it was read in.
void OutputFormCommand(CommandHost& host, bool cnf);
// The output's "X": no result and no variables; nothing during a run.
void ClearOutputCommand(CommandHost& host);

// ---------------------------------------------------------------- the editor (editor_commands.cpp)
// A key and a typed character of the idle window, as the editor takes them.
void EditorKeyDown(CommandHost& host, int key, Qt::KeyboardModifiers modifiers);
void EditorKeyPress(CommandHost& host, QChar typed);
// A click into the input pane places the cursor there.
void EditorClick(CommandHost& host, int x, int y);
// The insert label: insert or overwrite.
void ToggleInsertCommand(CommandHost& host);
// The formula and table buttons: the input mode they show.
void InputModeCommand(CommandHost& host);
// The input's "X": blank the input of the current mode.
void ClearInputCommand(CommandHost& host);
// Ctrl+Z and Ctrl+Shift+Z: take back the last edit, or do again the last
// one taken back (EditorModel::Undo); the message line says when there is
// none.
void UndoCommand(CommandHost& host, bool redo);

// ---------------------------------------------------------------- clipboard (clipboard_commands.cpp)
// Paste text into the editor (EditorModel::Paste); a refusal, a table
// turned into rows where the function is 1, or what found no room is said
// in the message line.
void PasteCommand(CommandHost& host, const QString& text);
// The result as a formula and as the table text; empty when the output
// pane shows no result to copy.
QString ResultFormulaText(CommandHost& host);
QString ResultTableText(CommandHost& host);
// Put one of them on the clipboard; the message line says when there is
// nothing to copy.
void CopyResultCommand(CommandHost& host, bool asFormula);
// The output pane's menu at a point of pane: copy, and the Karnaugh map.
void OutputMenuCommand(CommandHost& host, QWidget& pane, QPoint at);

// ---------------------------------------------------------------- export (export_commands.cpp)
// The export dialog as the question's default.
void InstallExportDialog(CommandQuestions& questions, QWidget* window);
// Ctrl+E and the output pane's menu: write the result to a file chosen in
// the export dialog, as Verilog, VHDL, LaTeX or CSV by the file's suffix.
// Refused, with a message, while a run is going and when there is no
// result.
void ExportCommand(CommandHost& host);
// What the result of a run is, kept for the export with the input that
// made it.
void NoteRunResult(CommandHost& host, const RunOutcome& run);

// ---------------------------------------------------------------- Karnaugh map (karnaugh_commands.cpp)
// F2 and the output pane's menu: the result's map in a window of its own,
// which then follows each new result; the message line says why when
// there is no map (no result, 0, 1 or more than 6 variables, a run going).
void KarnaughCommand(CommandHost& host);
// An open map shows the new result, or a note once the result is cleared.
void FollowKarnaugh(CommandHost& host, bool cleared);
// Close the map's window with the main window.
void CloseKarnaugh(CommandHost& host);

}  // namespace tervo
