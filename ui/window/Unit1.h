// The main window: the input editor, the output and info panes, the buttons
// and check boxes, and the GO pipeline that runs the engine. The window owns
// the one Engine of the program, is the engine's RunHost and the host of its
// commands (commands.h), which it calls from its buttons, keys and menus.
#pragma once

#include <QIcon>
#include <QString>
#include <QWidget>
#include <cstdint>
#include <functional>
#include <memory>
#include <string>
#include <string_view>

#include "DBG_unit.h"
#include "command_host.h"
#include "commands.h"
#include "editor_model.h"
#include "engine.h"
#include "input_editor.h"
#include "input_pane.h"
#include "pipeline.h"
#include "run_keys.h"

namespace tervo {
class CoverSearch;
}
namespace Ui {
class TForm1;
}
class QPrinter;
class Thelpform;
namespace tervo {
struct WindowTestAccess;
}

// The web address that the picture Image1 opens.
inline constexpr char kProjectHomepage[] = "https://tervo42.github.io/";

class TForm1 : public QWidget, public tervo::GoHost, public tervo::CommandHost {
  Q_OBJECT
 public:
  explicit TForm1(QWidget* parent = nullptr);
  ~TForm1() override;

  // The program's icon, at the sizes the desktop asks for.
  static QIcon ProgramIcon();

  tervo::Engine& engine() override { return *engine_; }
  const tervo::EditorView& editor() const { return input_->view(); }
  // The text of the message line.
  QString Message() const override;

  // ------------------------------------------------------------ run
  // A whole run (RunGo): translate or read the input, evaluate, reduce,
  // draw, verify and report. During a run it only releases a stop.
  void GObtnClick();
  // The MessageTable text of ErrorCode into the message line.
  void ShowErrorMessage() override;

  // ------------------------------------------------------------ RunHost
  void ShowProgress(std::string_view text) override;
  void ProcessPendingEvents() override;
  void DrawTraceStep(const tervo::TraceRecord& record) override;
  void WaitAtStop() override;
  void ClearTraceRecord() override;
  // ------------------------------------------------------------ GoHost
  void ClearPanes() override;
  void ShowMessage(std::string_view text) override;
  void RunStateChanged(uint8_t from) override;
  void DrawStop(tervo::GoStop stop) override;
  void TableFilled() override;
  void DrawResult() override;
  std::string_view DecimalPoint() const override;

  // ------------------------------------------------------------ CommandHost
  tervo::EditorModel& editorModel() override { return input_->model(); }
  tervo::EditorView& editorView() override { return input_->view(); }
  tervo::CommandQuestions& questions() override { return questions_; }
  tervo::CommandMemory& memory() override { return memory_; }
  QWidget& windowWidget() override { return *this; }
  void SetMessage(const QString& text) override;
  void OpenHelp() override;
  void ShowEdit(const tervo::EditResult& edit, int oldCol, int oldRow) override {
    input_->ShowEdit(edit, oldCol, oldRow);
  }
  void PlaceCursor(int col, int row) override { input_->PlaceCursor(col, row); }
  void CellAt(int x, int y, int& col, int& row) const override;
  bool FormulaButtonDown() const override;
  bool ShowsResult() const override;
  void SetOutputForm(bool cnf) override;

  // ------------------------------------------------------------ editor
  void SetInputMode(bool formula) override;
  void SetInsertMode(bool on) override { input_->SetInsertMode(on); }
  void ShowScrollPos() override { input_->ShowScrollPos(); }
  void SetReduce(bool on) override;
  // The "minimal" box: with "reduce" ticked, GO computes a minimal cover in
  // the reduction's place. Off at start-up; not part of formula files.
  void SetMinimal(bool on);
  bool MinimalOn() const { return MinimalOn_ != 0; }
  void ClearFormula() override { input_->ClearFormula(); }
  void ClearTable() override { input_->ClearTable(); }
  void ShowCursor() override { input_->ShowCursor(); }
  void HideCursor() override { input_->HideCursor(); }
  void DrawAllRows() override { input_->DrawAllRows(); }

  // ------------------------------------------------------------ output and info panes
  // Empty the truth table and scroll the output pane to the top.
  void ClearResult() override;
  // Scroll the output pane to the top with a range for the current table, without drawing.
  void ResetOutputScroll() override;
  // Show the result tables in the output pane at the current scroll position.
  void DrawOutputPane() override;
  void ClearOutputPane() override;
  void ClearInfoPane();
  // Keep the postfix table as the translation left it, for the info pane
  // to show at the stop after it (TracePanel).
  void SnapshotPostfix();
  void SetRowMarkers(uint16_t a, uint16_t b);

  // The result as the table text that Copy puts on the clipboard; empty
  // when the output pane shows no result to copy.
  QString ResultTableText() { return tervo::ResultTableText(*this); }
  // Paste text into the editor, as Ctrl+V does with the clipboard's.
  void PasteText(const QString& text) { tervo::PasteCommand(*this, text); }

  // What the info pane shows while a reduction runs without the traces.
  const tervo::ReduceProgress& progress() const { return Trace.progress(); }

  // ------------------------------------------------------------ files and printing
  // Folder (with its trailing separator) and name without the prefix of the
  // last file loaded or saved; empty until then.
  const QString& rememberedFolder() const { return memory_.rememberedFolder; }
  const QString& rememberedName() const { return memory_.rememberedName; }
  // Remember the folder and name of a file and show the name in the caption.
  void ShowFileName(const QString& path) { tervo::ShowFileName(*this, path); }
  // The printer of all print jobs; the printer-setup dialog changes it.
  QPrinter& printer() { return tervo::PrinterOf(memory_); }

 protected:
  bool eventFilter(QObject* watched, QEvent* event) override;
  void paintEvent(QPaintEvent* event) override;
  void closeEvent(QCloseEvent* event) override;

 private:
  friend struct tervo::WindowTestAccess;  // tests answer the questions and fail saves

  tervo::CommandQuestions questions_;  // dialogs by default; tests answer them
  tervo::CommandMemory memory_;

  // start-up settings
  void FormCreate();
  void ResetTraceOptions();
  // controls
  void Image1Click();
  // run helpers
  void SetTableChangersEnabled(bool enabled);
  // The info pane shows one more of the translation stops' tables.
  void ShowInfoTable(TracePanel::InfoTable table);

  std::unique_ptr<tervo::Engine> engine_;
  std::unique_ptr<tervo::CoverSearch> cover_;  // the minimal cover's tables, made once with the window
  uint8_t MinimalOn_ = 0;                      // the "minimal" box
  std::unique_ptr<Ui::TForm1> ui_;
  Thelpform* helpform_ = nullptr;  // child window, deleted with this one
  std::unique_ptr<InputEditor> input_;  // the editor's view, cursor and blink
  RunKeys runKeys_;  // Space and ESC of a run, until they are let go
  mutable std::string DecimalPoint_;  // the locale's, read for each result line
  // trace panel
  TracePanel Trace;  // what the info pane shows
};
