// The main window: the input editor, the output and info panes, the buttons
// and check boxes, and the GO pipeline that runs the engine. The window owns
// the one Engine of the program and is the engine's RunHost.
#pragma once

#include <QEvent>
#include <QIcon>
#include <QString>
#include <QTimer>
#include <QWidget>
#include <cstdint>
#include <functional>
#include <memory>
#include <string>
#include <string_view>

#include "DBG_unit.h"
#include "editor_model.h"
#include "engine.h"
#include "input_pane.h"
#include "pipeline.h"

namespace tervo {
class CoverSearch;
}
namespace Ui {
class TForm1;
}
class KarnaughWindow;
class QCheckBox;
class QPagedPaintDevice;
class QPainter;
class QPrinter;
class Thelpform;
namespace tervo {
class FileSink;
struct WindowTestAccess;
}

// The web address that the picture Image1 opens.
inline constexpr char kProjectHomepage[] = "https://tervo42.github.io/";
// The message line after a load whose stored result fails its check.
extern const QString kStoredResultUnfitFormula;
extern const QString kStoredResultUnfitTable;

class TForm1 : public QWidget, public tervo::GoHost {
  Q_OBJECT
 public:
  explicit TForm1(QWidget* parent = nullptr);
  ~TForm1() override;

  // The program's icon, at the sizes the desktop asks for.
  static QIcon ProgramIcon();

  tervo::Engine& engine() { return *engine_; }
  const tervo::EditorView& editor() const { return view_; }
  // The text of the message line.
  QString Message() const;

  // ------------------------------------------------------------ run
  // A whole run (RunGo): translate or read the input, evaluate, reduce,
  // draw, verify and report. During a run it only releases a stop.
  void GObtnClick();
  // The MessageTable text of ErrorCode into the message line.
  void ShowErrorMessage();

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

  // ------------------------------------------------------------ editor
  void SetInputMode(bool formula);
  void SetInsertMode(bool on);
  void SetReduce(bool on);
  // The "minimal" box: with "reduce" ticked, GO computes a minimal cover in
  // the reduction's place. Off at start-up; not part of formula files.
  void SetMinimal(bool on);
  bool MinimalOn() const { return MinimalOn_ != 0; }
  void ClearFormula();
  void ClearTable();
  // Ctrl+Z and Ctrl+Shift+Z: take back the last edit, or do again the last
  // one taken back (EditorModel::Undo); the message line says when there is
  // none.
  void UndoEdit(bool redo);
  void ShowCursor();
  void HideCursor();
  void DrawAllRows();

  // ------------------------------------------------------------ output and info panes
  // Empty the truth table and scroll the output pane to the top.
  void ClearResult();
  // Scroll the output pane to the top with a range for the current table, without drawing.
  void ResetOutputScroll();
  // Show the result tables in the output pane at the current scroll position.
  void DrawOutputPane();
  void ClearOutputPane();
  void ClearInfoPane();
  // The translation stops' tables: each Show* adds its table to those the
  // info pane shows (TracePanel) and redraws the pane.
  void SnapshotPostfix();
  void ShowPostfixTable();
  void ShowVariableTable();
  void ShowDirectorTable();
  void SetRowMarkers(uint16_t a, uint16_t b);

  // ------------------------------------------------------------ clipboard
  // Paste text into the editor (EditorModel::Paste); a refusal, a table
  // turned into rows where the function is 1, or what found no room is
  // said in the message line.
  void PasteText(const QString& text);
  // The result as a formula and as the table text; empty when the output
  // pane shows no result to copy.
  QString ResultFormulaText() const;
  QString ResultTableText() const;
  // Put one of them on the clipboard; the message line says when there is
  // nothing to copy.
  void CopyResult(bool asFormula);
  // ------------------------------------------------------------ Karnaugh map
  // F2 and the output pane's menu: the result's map in a window of its own,
  // which then follows each new result; the message line says why when
  // there is no map (no result, 0, 1 or more than 6 variables, a run going).
  void KarnaughCommand();

  // Ctrl+E and the output pane's menu: write the result to a file chosen in
  // the export dialog, as Verilog, VHDL, LaTeX or CSV by the file's suffix.
  // Refused, with a message, while a run is going and when there is no
  // result.
  void ExportResult();
  // What the info pane shows while a reduction runs without the traces.
  const tervo::ReduceProgress& progress() const { return Trace.progress(); }

  // ------------------------------------------------------------ files and printing
  // Folder (with its trailing separator) and name without the prefix of the
  // last file loaded or saved; empty until then.
  const QString& rememberedFolder() const { return RememberedFolder; }
  const QString& rememberedName() const { return RememberedName; }
  // Remember the folder and name of a file and show the name in the caption.
  void ShowFileName(const QString& path);
  // The printer of all print jobs; the printer-setup dialog changes it.
  QPrinter& printer();

 protected:
  bool eventFilter(QObject* watched, QEvent* event) override;
  void customEvent(QEvent* event) override;
  void paintEvent(QPaintEvent* event) override;
  void closeEvent(QCloseEvent* event) override;

 private:
  friend struct tervo::WindowTestAccess;  // tests answer the questions and fail saves

  // The questions the file and print commands ask, each a modal dialog by
  // default; tests answer them without a dialog. A path question answers an
  // empty string when it is cancelled.
  std::function<QString(const QString& folder, const QString& name)> AskOpenPath;
  std::function<QString(const QString& folder, const QString& name)> AskSavePath;
  std::function<QString(const QString& suggested)> AskPdfPath;  // where a print goes without a printer
  std::function<bool(const QString& question)> AskProceed;      // OK (true) or Cancel
  std::function<QString(const QString& folder, const QString& name)> AskExportPath;
  // Where saves write their bytes; none: the system's file calls. Tests put
  // in one that fails part way.
  tervo::FileSink* SaveSink = nullptr;

  // start-up settings
  void FormCreate();
  void ResetTraceOptions();
  void SetLooks();
  // keyboard and mouse
  void FormKeyDown(int key, Qt::KeyboardModifiers modifiers);
  void FormKeyPress(QChar typed);
  void RunControlKey(int key, QChar typed);
  // The stepping keys, as bits of RunKeysDown_; 0 for any other key.
  static constexpr uint8_t kSpaceKey = 1, kEscKey = 2;
  static uint8_t SteppingKey(int key, QChar typed);
  // A stepping key went up; true when an idle window's press of one still
  // belongs to the run.
  void RunKeyReleased(uint8_t step, bool autoRepeat, quint64 when);
  bool RunKeyOutlivesRun(uint8_t step, quint64 when);
  void MarkRunEnd();
  static QEvent::Type RunEndMarkerType();
  // F1 and the Ctrl shortcuts of the idle window; false for any other key.
  bool CommandKey(int key, Qt::KeyboardModifiers modifiers);
  void outputboxContextMenu(const QPoint& at);
  void inputboxMouseDown(int x, int y);
  // controls
  void inputscrollbarChange(int value);
  void outputscrollbarChange(int value);
  void insertlabelClick();
  void forminbtnClick();
  void inclearBtnClick();
  void cnfBtnClick();
  void reducecheckboxClick();
  void minimalcheckboxClick();
  void DBxlateMouseUp(QCheckBox* box);
  void SpeedButton1Click();
  void SpeedButton2Click();
  void Image1Click();
  void helpBtnClick();
  void loadBtnClick();
  void saveBtnClick();
  void printBtnClick();
  void prsetupBtnClick();
  void Timer1Timer();
  // drawing on the window surface
  void DrawPaneFrame(QPainter& p, const QWidget* pane);
  // file and print helpers
  void InstallFileDialogs();
  void InstallPrintDialogs();
  void InstallExportDialog();
  void NoteResult(const tervo::RunOutcome& run);
  static constexpr int kNoConstant = -2;
  int LoadedConstant() const;
  QString SuggestedPdfPath();
  bool PrintPages(QPainter& painter, QPagedPaintDevice& device, int copies);
  // run helpers
  void SetMessage(const QString& text);
  void SetTableChangersEnabled(bool enabled);
  // An open map shows the new result, or a note once the result is cleared.
  void FollowKarnaugh(bool cleared);
  // editor helpers
  void ShowEdit(const tervo::EditResult& edit, int oldCol, int oldRow);
  void PlaceCursor(int c, int r);

  std::unique_ptr<tervo::Engine> engine_;
  std::unique_ptr<tervo::CoverSearch> cover_;  // the minimal cover's tables, made once with the window
  uint8_t MinimalOn_ = 0;                      // the "minimal" box
  std::unique_ptr<Ui::TForm1> ui_;
  Thelpform* helpform_ = nullptr;  // child window, deleted with this one
  KarnaughWindow* karnaugh_ = nullptr;  // the map's window, made when first opened; a child
  tervo::EditorView view_;
  tervo::EditorModel editor_;  // edits the grids of engine_ and view_
  QTimer Timer1;
  // run keys
  uint8_t RunKeysDown_ = 0;   // stepping keys pressed during a run, not yet released
  uint8_t RunKeysLetGo_ = 0;  // ... released since, perhaps as half of a repeat
  quint64 RunKeyLetGoAt_[2] = {0, 0};  // the time stamps of those releases: Space, ESC
  int RunEndRounds_ = 0;      // rounds of the run's end marker still to go
  mutable std::string DecimalPoint_;  // the locale's, read for each result line
  // trace panel
  TracePanel Trace;  // what the info pane shows
  // files and printing
  // The result the output pane shows, for the export: none (before a run,
  // after a run that ended without one, after a mode switch emptied it),
  // rows of a run, a constant, or the rows of a loaded file; and the grids
  // and input mode that made it.
  enum class ResultKind : uint8_t { kNone, kRows, kZero, kOne, kLoaded };
  ResultKind Result_ = ResultKind::kNone;
  tervo::EditorState ResultInput_;
  QString RememberedFolder;
  QString RememberedName;
  QString LastPdfPath;                // where the last print to a file went
  std::unique_ptr<QPrinter> Printer;  // made on first use, kept for later jobs
};
