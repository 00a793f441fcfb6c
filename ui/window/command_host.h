// What the main window's commands (files, printing, export, the editor's
// keys, the clipboard, the Karnaugh map) need from the window, and nothing more: the
// engine and the editor, the message line, the cursor, the panes they
// redraw, the option controls a load sets, and the questions they ask. The
// window implements it; the commands see the window only through it, so the
// window calls the commands and never the other way round (commands.h).
#pragma once

#include <QString>
#include <cstdint>
#include <functional>
#include <memory>

#include "editor_model.h"

class KarnaughWindow;
class QPrinter;
class QWidget;

namespace tervo {

class FileSink;

// The questions the commands ask, each a modal dialog by default (the
// Install*Dialogs of commands.h); tests answer them without a dialog. A path question answers an empty string when it is cancelled.
struct CommandQuestions {
  std::function<QString(const QString& folder, const QString& name)> openPath;  // load
  std::function<QString(const QString& folder, const QString& name)> savePath;  // save
  std::function<QString(const QString& folder, const QString& name)> exportPath;  // export
  std::function<QString(const QString& suggested)> pdfPath;  // where a print goes without a printer
  std::function<bool(const QString& question)> proceed;      // OK (true) or Cancel
  // Where saves write their bytes; none: the system's file calls. Tests put
  // in one that fails part way.
  FileSink* saveSink = nullptr;
};

// What the commands keep from one to the next.
struct CommandMemory {
  CommandMemory();
  ~CommandMemory();
  // Folder (with its trailing separator) and name without the prefix of the
  // last file loaded or saved; empty until then.
  QString rememberedFolder;
  QString rememberedName;
  QString lastPdfPath;               // where the last print to a file went
  std::unique_ptr<QPrinter> printer;  // made on first use, kept for later jobs
  KarnaughWindow* karnaugh = nullptr;  // the map's window, made when first opened; a child of the window
  // The result the output pane shows, for the export: none (before a run,
  // after a run that ended without one, after a mode switch emptied it),
  // rows of a run, a constant, or the rows of a loaded file; and the grids
  // and input mode that made it.
  enum class ResultKind : uint8_t { kNone, kRows, kZero, kOne, kLoaded };
  ResultKind result = ResultKind::kNone;
  EditorState resultInput;
};

class CommandHost {
 public:
  // ------------------------------------------------------------ state
  virtual Engine& engine() = 0;
  virtual EditorModel& editorModel() = 0;
  virtual EditorView& editorView() = 0;
  virtual CommandQuestions& questions() = 0;
  virtual CommandMemory& memory() = 0;
  // The window itself: the parent of dialogs and of the map's window, and
  // the owner of the caption.
  virtual QWidget& windowWidget() = 0;

  // ------------------------------------------------------------ message line
  virtual QString Message() const = 0;
  virtual void SetMessage(const QString& text) = 0;
  // The MessageTable text of the engine's ErrorCode.
  virtual void ShowErrorMessage() = 0;
  // The help window; modal in an idle window, which waits until it is closed.
  virtual void OpenHelp() = 0;

  // ------------------------------------------------------------ input editor
  // The cursor is hidden while a command works and shown again after it.
  virtual void HideCursor() = 0;
  virtual void ShowCursor() = 0;
  // Repaint what an edit changed, the cursor's old place included.
  virtual void ShowEdit(const EditResult& edit, int oldCol, int oldRow) = 0;
  virtual void PlaceCursor(int col, int row) = 0;
  // The cell under a point of the input pane.
  virtual void CellAt(int x, int y, int& col, int& row) const = 0;
  virtual void DrawAllRows() = 0;
  virtual void SetInputMode(bool formula) = 0;
  virtual void SetInsertMode(bool on) = 0;
  // The scroll bar of table input at the view's scroll position, without
  // drawing.
  virtual void ShowScrollPos() = 0;
  virtual void ClearFormula() = 0;
  virtual void ClearTable() = 0;
  // The input mode the formula and table buttons show.
  virtual bool FormulaButtonDown() const = 0;

  // ------------------------------------------------------------ output pane and options
  // True when the output pane shows a result (not cleared since).
  virtual bool ShowsResult() const = 0;
  // Empty the truth table and scroll the output pane to the top.
  virtual void ClearResult() = 0;
  virtual void ResetOutputScroll() = 0;
  virtual void ClearOutputPane() = 0;
  virtual void DrawOutputPane() = 0;
  virtual void SetReduce(bool on) = 0;
  // The CNF and DNF buttons.
  virtual void SetOutputForm(bool cnf) = 0;

 protected:
  ~CommandHost() = default;
};

}  // namespace tervo
