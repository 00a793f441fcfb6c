#include "Unit1.h"

#include <QApplication>
#include <QCheckBox>
#include <QCloseEvent>
#include <QDesktopServices>
#include <QIcon>
#include <QKeyEvent>
#include <QLocale>
#include <QPainter>
#include <QPrinter>
#include <QScreen>
#include <QSignalBlocker>
#include <QUrl>
#include <algorithm>

#include "DBG_unit.h"
#include "help_unit.h"
#include "logic_unit.h"
#include "minimal_cover.h"
#include "ui_Unit1.h"
#include "xlate_unit.h"

// Resources compiled into a static library must be registered by name, from
// the global namespace.
static void InitWindowResources() { Q_INIT_RESOURCE(window); }

QIcon TForm1::ProgramIcon() {
  InitWindowResources();
  QIcon icon;
  for (int size : {16, 32, 48, 64, 128, 256})
    icon.addFile(QStringLiteral(":/icons/tervo42-%1.png").arg(size), QSize(size, size));
  return icon;
}

using tervo::Engine;
using tervo::MessageTable;

namespace {
QString MessageText(int code) {
  const std::string_view m = MessageTable[code];
  return QString::fromLatin1(m.data(), static_cast<qsizetype>(m.size()));
}
const QColor kFrameDark(0, 0, 0);
const QColor kFrameLight(192, 192, 192);
constexpr int kCursorOn = 800;   // blink: bar shown (ms)
constexpr int kBlinkCycle = 1000;  // on + off
constexpr int kLastScroll = 71;  // table view: highest scroll position
}  // namespace

TForm1::TForm1(QWidget* parent)
    : QWidget(parent),
      engine_(std::make_unique<Engine>()),
      cover_(std::make_unique<tervo::CoverSearch>()),
      ui_(new Ui::TForm1) {
  InitWindowResources();
  ui_->setupUi(this);
  setWindowIcon(ProgramIcon());

  setWindowFlags(Qt::Window | Qt::CustomizeWindowHint | Qt::WindowTitleHint | Qt::WindowSystemMenuHint |
                 Qt::WindowMinimizeButtonHint | Qt::WindowCloseButtonHint);
  setFixedSize(1233, 682);
  QFont base(QStringLiteral("Arial"));
  base.setPixelSize(13);
  setFont(base);
  if (const QScreen* screen = QGuiApplication::primaryScreen())
    move(screen->availableGeometry().center() - QPoint(width() / 2, height() / 2));

  ui_->inputbox->setEngine(engine_.get(), &view_);
  ui_->outputbox->setEngine(engine_.get());
  ui_->outputbox->setArrow(ui_->arrow->pixmap());

  connect(ui_->GObtn, &QAbstractButton::clicked, this, &TForm1::GObtnClick);
  connect(ui_->inputbox, &InputPane::mouseDown, this, &TForm1::inputboxMouseDown);
  connect(ui_->inputscrollbar, &QScrollBar::valueChanged, this, &TForm1::inputscrollbarChange);
  connect(ui_->outputscrollbar, &QScrollBar::valueChanged, this, &TForm1::outputscrollbarChange);
  connect(ui_->insertlabel, &ClickLabel::clicked, this, &TForm1::insertlabelClick);
  connect(ui_->forminbtn, &QAbstractButton::clicked, this, &TForm1::forminbtnClick);
  connect(ui_->tablebtn, &QAbstractButton::clicked, this, &TForm1::forminbtnClick);
  connect(ui_->inclearBtn, &QAbstractButton::clicked, this, &TForm1::inclearBtnClick);
  connect(ui_->cnfBtn, &QAbstractButton::clicked, this, &TForm1::cnfBtnClick);
  connect(ui_->dnfBtn, &QAbstractButton::clicked, this, &TForm1::cnfBtnClick);
  connect(ui_->reducecheckbox, &QAbstractButton::clicked, this, &TForm1::reducecheckboxClick);
  connect(ui_->minimalcheckbox, &QAbstractButton::clicked, this, &TForm1::minimalcheckboxClick);
  connect(ui_->DBxlate, &QAbstractButton::clicked, this, [this] { DBxlateMouseUp(ui_->DBxlate); });
  connect(ui_->DBscan, &QAbstractButton::clicked, this, [this] { DBxlateMouseUp(ui_->DBscan); });
  connect(ui_->SpeedButton1, &QAbstractButton::clicked, this, &TForm1::SpeedButton1Click);
  ui_->DBbox->setProvider([this] { return DBboxTexts(); });
  connect(ui_->SpeedButton2, &QAbstractButton::clicked, this, &TForm1::SpeedButton2Click);
  connect(ui_->Image1, &QAbstractButton::clicked, this, &TForm1::Image1Click);
  connect(ui_->helpBtn, &QAbstractButton::clicked, this, &TForm1::helpBtnClick);
  connect(ui_->loadBtn, &QAbstractButton::clicked, this, &TForm1::loadBtnClick);
  connect(ui_->saveBtn, &QAbstractButton::clicked, this, &TForm1::saveBtnClick);
  connect(ui_->printBtn, &QAbstractButton::clicked, this, &TForm1::printBtnClick);
  connect(ui_->prsetupBtn, &QAbstractButton::clicked, this, &TForm1::prsetupBtnClick);
  connect(&Timer1, &QTimer::timeout, this, &TForm1::Timer1Timer);
  InstallFileDialogs();
  InstallPrintDialogs();

  // The window sees every key before any of its controls.
  qApp->installEventFilter(this);

  FormCreate();
  helpform_ = new Thelpform(this);
  helpform_->setWindowIcon(windowIcon());
  helpform_->hide();
}

TForm1::~TForm1() {
  qApp->removeEventFilter(this);
  Timer1.stop();
}

QString TForm1::Message() const { return ui_->msglabel->text(); }

void TForm1::SetMessage(const QString& text) { ui_->msglabel->setText(text); }

void TForm1::ShowErrorMessage() { SetMessage(MessageText(engine_->ErrorCode)); }

// ---------------------------------------------------------------- start-up

void TForm1::FormCreate() {
  Engine& e = *engine_;
  e.RunState = 0;
  SetInputMode(true);
  ResetTraceOptions();
  SetReduce(true);
  SetMinimal(false);
  e.CnfMode = 1;
  e.EvalDone = 0;
  PlaceCursor(0, 0);
  e.ErrorCode = tervo::kOk;
  ShowCursor();
  SetMessage(MessageText(tervo::kEnterFormula));
  ui_->cnfBtn->setChecked(true);
  SetInsertMode(true);
  ClearResult();
  ClearFormula();
  ClearTable();
  // No control keeps the focus; the window itself takes the keys.
  setFocus(Qt::OtherFocusReason);
}

void TForm1::ResetTraceOptions() {
  ui_->DBxlate->setChecked(false);
  ui_->DBscan->setChecked(false);
  engine_->TraceXlate = 0;
  engine_->TraceScan = 0;
}

// ---------------------------------------------------------------- GO pipeline

void TForm1::GObtnClick() {
  Engine& e = *engine_;
  if (e.StepWait == 1) {  // a run waits at a stop: GO steps on
    e.StepWait = 0;
    return;
  }
  if (e.RunState != 0) return;  // a run is busy; no second run

  HideCursor();
  e.GoOn = 1;
  StartStamp = EndStamp = 0;
  ClearOutputPane();
  ClearInfoPane();
  e.ErrorCode = tervo::kOk;
  ShowErrorMessage();
  SetRunState(1);

  if (e.FormulaMode) {
    tervo::CollectFormula(e);
    if (e.ErrorCode) return FailureExit();
    tervo::ScanFormula(e);
    if (e.ErrorCode) return FailureExit();
    tervo::BuildVariableTable(e);
    if (e.TraceXlate) {
      SnapshotPostfix();
      DrawPostfixTable();
      SetMessage(QStringLiteral("stop: PostfixTable <space> to step  <ESC> to continue"));
      WaitAtStop();
      DrawVariableTable();
      SetMessage(QStringLiteral("stop: Variables <space> to step  <ESC> to continue"));
      WaitAtStop();
    }
    // After "TOO MANY VARIABLES" this writes only the EndDirector.
    if (e.GoOn) tervo::GenerateDirectors(e);
    if (e.ErrorCode) return FailureExit();
    if (e.TraceXlate) {
      DrawDirectorTable();
      SetMessage(QStringLiteral("stop: Directors <space> to step  <ESC> to continue"));
      WaitAtStop();
    }
    if (e.GoOn) tervo::EvaluateTruthTable(e);
    if (e.ErrorCode) return FailureExit();
  } else if (e.GoOn) {
    tervo::ReadTable(e);
    if (e.ErrorCode) return FailureExit();
  }

  // Only the stages below draw the new table; the pane stays as it is.
  ResetOutputScroll();

  // An ended run has no new truth table to show.
  if (e.TraceXlate && e.GoOn) {
    DrawOutputPane();
    SetMessage(QStringLiteral("stop: initial Truth Table <space> to step  <ESC> to continue"));
    WaitAtStop();
  }

  // With "minimal" ticked the cover search takes the reduction's place (not
  // under the Scan trace, which shows the reduction itself).
  tervo::CoverInfo cover;
  bool coverRan = false;
  if (e.ReduceOn && e.GoOn) {
    SetRunState(2);
    tervo::ReadCycleCounter(StartStamp);
    coverRan = tervo::ReduceOrCover(e, *this, MinimalOn_ ? cover_.get() : nullptr, tervo::kMinimalSeconds, cover);
    tervo::ReadCycleCounter(EndStamp);
  }

  SetRunState(0);

  // ESC during the cover search keeps the best cover found so far.
  const bool keptCover = coverRan && cover.stopped;
  if (keptCover) e.StepWait = 0;
  if (e.GoOn || keptCover) {
    DrawOutputPane();
    if (e.TermCount == 0) {
      e.ErrorCode = tervo::kTautology;
      ShowErrorMessage();
    } else {
      const bool ok = tervo::VerifyResult(e);
      const double seconds = tervo::TicksToMicroseconds(EndStamp - StartStamp) * 0.000001;
      SetMessage(QString(ok ? QStringLiteral("OK: ") : QStringLiteral("TT Verify ERROR: ")) +
                 QStringLiteral("time = ") + tervo::FormatSeconds(seconds, QLocale().decimalPoint()) +
                 QStringLiteral(" secs") +
                 (coverRan ? QString::fromStdString(tervo::CoverOutcomeText(cover)) : QString()));
    }
  } else {
    SetMessage(QStringLiteral("process terminated"));
    e.StepWait = 0;
  }
  ShowCursor();
}

void TForm1::FailureExit() {
  SetRunState(0);
  ShowErrorMessage();
}

void TForm1::SetRunState(uint8_t s) {
  Engine& e = *engine_;
  if (e.RunState == 0) HideCursor();
  if (e.RunState == 1) e.InfoShown = 0;
  e.RunState = s;
  // While a run uses the tables, nothing else may change them.
  SetTableChangersEnabled(s == 0);
  if (s == 0) {
    SetInputMode(e.FormulaMode != 0);
    ShowCursor();
  }
  if (s == 1) e.InfoShown = 0;
}

void TForm1::SetTableChangersEnabled(bool enabled) {
  for (QWidget* w : {static_cast<QWidget*>(ui_->cnfBtn), static_cast<QWidget*>(ui_->dnfBtn),
                     static_cast<QWidget*>(ui_->forminbtn), static_cast<QWidget*>(ui_->tablebtn),
                     static_cast<QWidget*>(ui_->inclearBtn), static_cast<QWidget*>(ui_->SpeedButton2)})
    w->setEnabled(enabled);
}

void TForm1::WaitAtStop() {
  Engine& e = *engine_;
  if (!e.GoOn) {
    e.StepWait = 0;
    return;
  }
  e.StepWait = 1;
  while (e.StepWait && e.GoOn) QCoreApplication::processEvents(QEventLoop::AllEvents | QEventLoop::WaitForMoreEvents);
  e.StepWait = 0;
}

void TForm1::ShowProgress(std::string_view text) {
  SetMessage(QString::fromLatin1(text.data(), static_cast<qsizetype>(text.size())));
}

void TForm1::ProcessPendingEvents() { QCoreApplication::processEvents(QEventLoop::AllEvents); }

void TForm1::DrawTraceStep(const tervo::TraceRecord& record) {
  DrawOutputPane();
  TraceRecordRef = record;
  ui_->DBbox->Redraw();  // the pane shows the step from TraceRecordRef
  if (record.kind == 1)
    SetRowMarkers(record.i, record.j);
  else
    SetRowMarkers(record.k, 0);
  SetMessage(QStringLiteral("stop: <space> to continue  <ESC> to end"));
}

void TForm1::ClearTraceRecord() { TraceRecordRef.reset(); }

// ---------------------------------------------------------------- trace panel

void TForm1::SnapshotPostfix() { tervo::SnapshotPostfix(*engine_, PostfixSnapshot); }

void TForm1::DrawPostfixTable() {
  engine_->InfoShown |= 1;
  ui_->DBbox->Redraw();
}

void TForm1::DrawVariableTable() {
  engine_->InfoShown |= 2;
  ui_->DBbox->Redraw();
}

void TForm1::DrawDirectorTable() {
  engine_->InfoShown |= 4;
  ui_->DBbox->Redraw();
}

// By the run's state: the translation tables named in InfoShown, the last
// reduction step, or nothing once the run is over.
std::vector<tervo::InfoText> TForm1::DBboxTexts() const {
  const tervo::Engine& e = *engine_;
  std::vector<tervo::InfoText> texts;
  if (e.RunState == 1) {
    if (e.InfoShown & 1) tervo::DrawPostfixTable(texts, PostfixSnapshot);
    if (e.InfoShown & 2) tervo::DrawVariableTable(texts, e);
    if (e.InfoShown & 4) tervo::DrawDirectorTable(texts, e);
  } else if (e.RunState == 2 && TraceRecordRef) {
    texts = tervo::TraceStepTexts(e, *TraceRecordRef);
  }
  return texts;
}

// ---------------------------------------------------------------- keyboard

bool TForm1::eventFilter(QObject* watched, QEvent* event) {
  const QEvent::Type type = event->type();
  if (type != QEvent::KeyPress && type != QEvent::KeyRelease) return QWidget::eventFilter(watched, event);
  auto* target = qobject_cast<QWidget*>(watched);
  if (target == nullptr || target->window() != this) return QWidget::eventFilter(watched, event);
  if (type == QEvent::KeyPress) {
    auto* key = static_cast<QKeyEvent*>(event);
    // Typed characters come with the key; Ctrl and Alt chords type nothing.
    QChar typed;
    if (!key->text().isEmpty() && !(key->modifiers() & (Qt::ControlModifier | Qt::AltModifier)))
      typed = key->text().at(0);
    if (engine_->RunState != 0) {
      RunControlKey(key->key(), typed);
    } else {
      FormKeyDown(key->key(), key->modifiers());
      if (!typed.isNull()) FormKeyPress(typed);
    }
  }
  return true;  // every key is consumed here
}

void TForm1::RunControlKey(int key, QChar typed) {
  Engine& e = *engine_;
  if (key == Qt::Key_Space || typed == QLatin1Char(' ')) e.StepWait = 0;
  if (key == Qt::Key_Escape || typed == QChar(27)) e.GoOn = 0;
}

int TForm1::LineOfRow(int r) const { return r == 0 ? 0 : r + view_.ScrollPos; }

int TForm1::LastCol() const { return engine_->FormulaMode ? tervo::kGridCols - 1 : tervo::kTableCols - 1; }

char* TForm1::RowCells(int r) {
  Engine& e = *engine_;
  return e.FormulaMode ? e.FormulaGrid[r].data() : e.TableGrid[LineOfRow(r)].data();
}

void TForm1::OpenLine(int r) {
  Engine& e = *engine_;
  if (e.FormulaMode) {
    for (int row = tervo::kGridRows - 1; row > r; --row) e.FormulaGrid[row] = e.FormulaGrid[row - 1];
    e.FormulaGrid[r].fill(' ');
  } else {
    if (r == 0) return;  // the header line stays
    const int line = LineOfRow(r);
    for (int l = tervo::kTableLines - 1; l > line; --l) e.TableGrid[l] = e.TableGrid[l - 1];
    e.TableGrid[line].fill(' ');
  }
}

void TForm1::DeleteLine(int r) {
  Engine& e = *engine_;
  if (e.FormulaMode) {
    for (int row = r; row < tervo::kGridRows - 1; ++row) e.FormulaGrid[row] = e.FormulaGrid[row + 1];
    e.FormulaGrid[tervo::kGridRows - 1].fill(' ');
  } else {
    if (r == 0) return;
    for (int l = LineOfRow(r); l < tervo::kTableLines - 1; ++l) e.TableGrid[l] = e.TableGrid[l + 1];
    e.TableGrid[tervo::kTableLines - 1].fill(' ');
  }
}

// Cells c+1..last of row r move one column left; the last cell becomes blank.
void TForm1::CloseUpRow(int c, int r) {
  char* cells = RowCells(r);
  const int last = LastCol();
  for (int i = c; i < last; ++i) cells[i] = cells[i + 1];
  cells[last] = ' ';
}

// The Right key's move: along the row, then to column 0 of the next row.
void TForm1::AdvanceRight(int& c, int& r) const {
  if (c < LastCol()) {
    ++c;
  } else if (r < tervo::kGridRows - 1) {
    ++r;
    c = 0;
  }
}

// Scroll the table view by one line; false at either end.
bool TForm1::ScrollTableBy(int delta) {
  const int p = view_.ScrollPos + delta;
  if (p < 0 || p > kLastScroll) return false;
  ui_->inputscrollbar->setValue(p);
  return true;
}

void TForm1::FormKeyDown(int key, Qt::KeyboardModifiers modifiers) {
  Engine& e = *engine_;
  if (e.RunState != 0) return;
  HideCursor();
  int c = view_.CursorCol;
  int r = view_.CursorRow;
  const bool formula = e.FormulaMode != 0;
  const int last = LastCol();
  const bool ctrlOnly = (modifiers & Qt::ControlModifier) && !(modifiers & (Qt::ShiftModifier | Qt::AltModifier));

  if (ctrlOnly && key == Qt::Key_N) {
    OpenLine(r);
    c = 0;
    DrawAllRows();
  } else if (ctrlOnly && key == Qt::Key_Y) {
    c = 0;
    DeleteLine(r);
    DrawAllRows();
  } else {
    switch (key) {
      case Qt::Key_Left:
        if (c > 0)
          --c;
        else if (r > 0)
          --r;
        break;
      case Qt::Key_Right:
        AdvanceRight(c, r);
        break;
      case Qt::Key_Up:
        if (formula) {
          if (r > 0) --r;
        } else if (r >= 2) {
          --r;
        } else if (r == 1 && !ScrollTableBy(-1)) {
          r = 0;
        }
        break;
      case Qt::Key_Down:
        if (r < tervo::kGridRows - 1)
          ++r;
        else if (!formula)
          ScrollTableBy(1);
        break;
      case Qt::Key_Home:
        if (c != 0)
          c = 0;
        else
          r = formula ? 0 : 1;
        break;
      case Qt::Key_End: {
        const char* cells = RowCells(r);
        c = last;
        while (c > 0 && cells[c] == ' ') --c;
        break;
      }
      case Qt::Key_Insert:
        SetInsertMode(!view_.InsertMode);
        break;
      case Qt::Key_Backspace:
        if (c > 0) {
          --c;
          CloseUpRow(c, r);
          ui_->inputbox->DrawRow(r);
        }
        break;
      case Qt::Key_Delete:
        CloseUpRow(c, r);
        ui_->inputbox->DrawRow(r);
        break;
      case Qt::Key_Return:
      case Qt::Key_Enter:
        if (formula && view_.InsertMode && r < tervo::kGridRows - 1) {
          // Split the row: the cells from the cursor on start a new row below.
          OpenLine(r + 1);
          auto& grid = e.FormulaGrid;
          for (int i = c; i <= last; ++i) {
            grid[r + 1][i - c] = grid[r][i];
            grid[r][i] = ' ';
          }
          c = 0;
          ++r;
        } else {
          c = 0;
          if (r < tervo::kGridRows - 1)
            ++r;
          else if (!formula)
            ScrollTableBy(1);
        }
        DrawAllRows();
        break;
      default:
        break;
    }
  }
  PlaceCursor(c, r);
  ShowCursor();
}

void TForm1::FormKeyPress(QChar typed) {
  Engine& e = *engine_;
  if (e.RunState != 0) return;
  if (typed.unicode() > 127) return;
  char ch = static_cast<char>(typed.unicode());
  if (ch >= 'a' && ch <= 'z') ch = static_cast<char>(ch - 'a' + 'A');
  const bool letter = ch >= 'A' && ch <= 'Z';
  int c = view_.CursorCol;
  int r = view_.CursorRow;

  if (e.FormulaMode) {
    static constexpr std::string_view kOperators = " ()/.=-+>";
    if (!letter && kOperators.find(ch) == std::string_view::npos) return;
    HideCursor();
    char* cells = RowCells(r);
    if (view_.InsertMode)
      for (int i = LastCol(); i > c; --i) cells[i] = cells[i - 1];
    cells[c] = ch;
    ui_->inputbox->DrawRow(r);
  } else {
    const bool accepted = r == 0 ? (ch == ' ' || letter) : (ch == ' ' || ch == '0' || ch == '1');
    if (!accepted) return;
    HideCursor();
    RowCells(r)[c] = ch;
    ui_->inputbox->DrawRow(r);
  }
  AdvanceRight(c, r);
  PlaceCursor(c, r);
  ShowCursor();
}

// ---------------------------------------------------------------- editor

void TForm1::PlaceCursor(int c, int r) {
  if (c == view_.CursorCol && r == view_.CursorRow) return;
  ui_->inputbox->DrawCursorAt(view_.CursorCol, view_.CursorRow);
  view_.CursorCol = static_cast<uint8_t>(c);
  view_.CursorRow = static_cast<uint8_t>(r);
  ui_->inputbox->DrawCursorAt(c, r);
}

void TForm1::ShowCursor() {
  view_.CursorVisible = true;
  ui_->inputbox->DrawCursorAt(view_.CursorCol, view_.CursorRow);
  Timer1.start(kCursorOn);
}

void TForm1::HideCursor() {
  Timer1.stop();
  view_.CursorVisible = false;
  ui_->inputbox->DrawCursorAt(view_.CursorCol, view_.CursorRow);
}

void TForm1::Timer1Timer() {
  const int next = kBlinkCycle - Timer1.interval();
  Timer1.setInterval(next);
  view_.CursorVisible = next != kBlinkCycle - kCursorOn;
  ui_->inputbox->DrawCursorAt(view_.CursorCol, view_.CursorRow);
}

void TForm1::DrawAllRows() { ui_->inputbox->DrawAllRows(); }

void TForm1::SetInputMode(bool formula) {
  Engine& e = *engine_;
  e.FormulaMode = formula ? 1 : 0;
  SetInsertMode(formula);
  (formula ? ui_->forminbtn : ui_->tablebtn)->setChecked(true);
  ui_->inputscrollbar->setValue(0);
  ui_->inputscrollbar->setVisible(!formula);
  ui_->insertlabel->setEnabled(formula);
  SetMessage(MessageText(formula ? tervo::kEnterFormula : tervo::kEnterTable));
  if (!formula) {
    // Tables are read in the CNF sense. A result collected in the DNF sense
    // would read as its opposite, so it goes.
    if (e.CnfMode == 0) {
      e.CnfMode = 1;
      ClearResult();
      DrawOutputPane();
    }
    ui_->cnfBtn->setChecked(true);
  }
  const bool outputFormChoosable = formula && e.RunState == 0;
  ui_->cnfBtn->setEnabled(outputFormChoosable);
  ui_->dnfBtn->setEnabled(outputFormChoosable);
  DrawAllRows();
  PlaceCursor(0, 0);
}

void TForm1::SetInsertMode(bool on) {
  view_.InsertMode = on;
  ui_->insertlabel->setText(on ? QStringLiteral("insert") : QStringLiteral("overwrite"));
}

void TForm1::SetReduce(bool on) {
  ui_->reducecheckbox->setChecked(on);
  engine_->ReduceOn = on ? 1 : 0;
}

void TForm1::SetMinimal(bool on) {
  ui_->minimalcheckbox->setChecked(on);
  MinimalOn_ = on ? 1 : 0;
}

void TForm1::ClearFormula() {
  for (auto& row : engine_->FormulaGrid) row.fill(' ');
  DrawAllRows();
}

void TForm1::ClearTable() {
  for (auto& line : engine_->TableGrid) line.fill(' ');
  ui_->inputscrollbar->setValue(0);
  DrawAllRows();
}

void TForm1::inputboxMouseDown(int x, int y) {
  // The cursor belongs to the editor; a run has hidden it.
  if (engine_->RunState != 0) return;
  HideCursor();
  int c = 0, r = 0;
  ui_->inputbox->CellAt(x, y, c, r);
  PlaceCursor(c, r);
  ShowCursor();
}

void TForm1::inputscrollbarChange(int value) {
  view_.ScrollPos = value;
  DrawAllRows();
}

void TForm1::insertlabelClick() { SetInsertMode(!view_.InsertMode); }

void TForm1::forminbtnClick() {
  if (engine_->RunState != 0) return;
  HideCursor();
  SetInputMode(ui_->forminbtn->isChecked());
  ShowCursor();
}

void TForm1::inclearBtnClick() {
  if (engine_->RunState != 0) return;
  if (engine_->FormulaMode)
    ClearFormula();
  else
    ClearTable();
  setWindowTitle(QStringLiteral("tervo42:"));
}

// ---------------------------------------------------------------- output and info panes

void TForm1::ClearResult() {
  engine_->ClearTruthTable();
  ui_->outputscrollbar->setValue(0);
}

// Scroll position 0 and a range that reaches the last term of the table,
// without drawing.
void TForm1::ResetOutputScroll() {
  const Engine& e = *engine_;
  QScrollBar* sb = ui_->outputscrollbar;
  const QSignalBlocker quiet(sb);
  sb->setValue(0);
  sb->setMaximum(e.TermCount >= 30 ? e.TermCount - 10 : 10);
}

void TForm1::DrawOutputPane() { ui_->outputbox->DrawOutputPane(ui_->outputscrollbar->value()); }

void TForm1::ClearOutputPane() { ui_->outputbox->ClearOutputPane(); }

void TForm1::ClearInfoPane() { ui_->DBbox->ClearInfoPane(); }

void TForm1::SetRowMarkers(uint16_t a, uint16_t b) { ui_->outputbox->SetRowMarkers(a, b); }

void TForm1::cnfBtnClick() {
  if (engine_->RunState != 0) return;
  engine_->CnfMode = ui_->cnfBtn->isChecked() ? 1 : 0;
  ClearResult();
  DrawOutputPane();
}

void TForm1::outputscrollbarChange(int) { DrawOutputPane(); }

void TForm1::reducecheckboxClick() { engine_->ReduceOn = ui_->reducecheckbox->isChecked() ? 1 : 0; }

void TForm1::minimalcheckboxClick() { MinimalOn_ = ui_->minimalcheckbox->isChecked() ? 1 : 0; }

void TForm1::DBxlateMouseUp(QCheckBox* box) {
  const int tag = box->property("tag").toInt();
  if (tag == 1) engine_->TraceXlate = ui_->DBxlate->isChecked() ? 1 : 0;
  if (tag == 2) engine_->TraceScan = ui_->DBscan->isChecked() ? 1 : 0;
}

void TForm1::SpeedButton1Click() { ClearInfoPane(); }

void TForm1::SpeedButton2Click() {
  Engine& e = *engine_;
  if (e.RunState != 0) return;
  ClearOutputPane();
  e.TermCount = 0;
  e.VariableTable.fill(0);
  e.VariableCount = 0;
}

void TForm1::Image1Click() { QDesktopServices::openUrl(QUrl(QString::fromLatin1(kProjectHomepage))); }

void TForm1::helpBtnClick() {
  const bool idle = engine_->RunState == 0;
  if (idle) HideCursor();
  helpform_->OpenHelp();
  if (idle) ShowCursor();
}

// The file commands are in file_commands.cpp, printing in print_commands.cpp.

// ---------------------------------------------------------------- window surface

void TForm1::DrawPaneFrame(QPainter& p, const QWidget* pane) {
  const int l = pane->x(), t = pane->y(), w = pane->width(), h = pane->height();
  p.setPen(QPen(kFrameDark, 1));
  p.drawLine(l + w, t - 1, l - 1, t - 1);
  p.drawLine(l - 1, t - 1, l - 1, t + h);
  p.setPen(QPen(kFrameLight, 1));
  p.drawLine(l - 1, t + h, l + w, t + h);
  p.drawLine(l + w, t + h, l + w, t - 1);
}

void TForm1::paintEvent(QPaintEvent*) {
  QPainter p(this);
  DrawPaneFrame(p, ui_->inputbox);
  DrawPaneFrame(p, ui_->outputbox);
  DrawPaneFrame(p, ui_->DBbox);
}

void TForm1::closeEvent(QCloseEvent* event) {
  // A run waiting at a stop or reducing ends at its next test of GoOn.
  engine_->GoOn = 0;
  if (helpform_) helpform_->close();
  event->accept();
}
