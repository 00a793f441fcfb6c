#include "Unit1.h"

#include <QApplication>
#include <QCheckBox>
#include <QClipboard>
#include <QCloseEvent>
#include <QDesktopServices>
#include <QIcon>
#include <QKeyEvent>
#include <QLocale>
#include <QMenu>
#include <QPainter>
#include <QPrinter>
#include <QScreen>
#include <QSignalBlocker>
#include <QUrl>
#include <algorithm>

#include "help_unit.h"
#include "karnaugh_window.h"
#include "logic_unit.h"
#include "minimal_cover.h"
#include "pane_widgets.h"
#include "pipeline.h"
#include "result_text.h"
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
}  // namespace

TForm1::TForm1(QWidget* parent)
    : QWidget(parent),
      engine_(std::make_unique<Engine>()),
      cover_(std::make_unique<tervo::CoverSearch>()),
      ui_(new Ui::TForm1),
      editor_(*engine_, view_) {
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

  SetLooks();
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
  ui_->DBbox->setProvider([this] { return Trace.Texts(*engine_); });
  connect(ui_->SpeedButton2, &QAbstractButton::clicked, this, &TForm1::SpeedButton2Click);
  ui_->outputbox->setContextMenuPolicy(Qt::CustomContextMenu);
  connect(ui_->outputbox, &QWidget::customContextMenuRequested, this, &TForm1::outputboxContextMenu);
  connect(ui_->Image1, &QAbstractButton::clicked, this, &TForm1::Image1Click);
  connect(ui_->helpBtn, &QAbstractButton::clicked, this, &TForm1::helpBtnClick);
  connect(ui_->loadBtn, &QAbstractButton::clicked, this, &TForm1::loadBtnClick);
  connect(ui_->saveBtn, &QAbstractButton::clicked, this, &TForm1::saveBtnClick);
  connect(ui_->printBtn, &QAbstractButton::clicked, this, &TForm1::printBtnClick);
  connect(ui_->prsetupBtn, &QAbstractButton::clicked, this, &TForm1::prsetupBtnClick);
  connect(&Timer1, &QTimer::timeout, this, &TForm1::Timer1Timer);
  new WheelScroller(ui_->outputbox, ui_->outputscrollbar);
  new WheelScroller(ui_->inputbox, ui_->inputscrollbar);
  InstallFileDialogs();
  InstallPrintDialogs();
  InstallExportDialog();

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
  e.RunState = tervo::kRunIdle;
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

// Fonts and colours of the texts and buttons that differ from the window's.
void TForm1::SetLooks() {
  const QColor blue(0, 0, 255), red(255, 0, 0), grey(128, 128, 128);
  SetControlLook(ui_->GObtn, 24, true, blue);
  SetControlLook(ui_->Label11, 13, true);
  SetControlLook(ui_->Label1, 13, false, grey);
  SetControlLook(ui_->Label2, 13, false, grey);
  SetControlLook(ui_->insertlabel, 16, false, blue);
  for (QWidget* x : {ui_->inclearBtn, ui_->SpeedButton2, ui_->SpeedButton1}) SetControlLook(x, 21, true, red);
  SetControlLook(ui_->msglabel, 16, false);
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
  if (e.RunState != tervo::kRunIdle) return;  // a run is busy; no second run

  HideCursor();
  // With "minimal" ticked the cover search takes the reduction's place
  // (the run keeps the reduction under the Scan trace).
  tervo::GoStages stages;
  stages.cover = MinimalOn_ ? cover_.get() : nullptr;
  const tervo::RunOutcome run = tervo::RunGo(e, *this, stages);
  NoteResult(run);
  // Ended at a Scan stop, the engine has emptied the table: the stop's rows,
  // colours and markers are gone with it.
  if (run.ended && ui_->outputbox->ShowsResult()) {
    SetRowMarkers(0, 0);
    DrawOutputPane();
  }
  // A stage error has shown the cursor with the return to idle.
  if (run.drawn || run.ended) ShowCursor();
}

void TForm1::RunStateChanged(uint8_t from) {
  const Engine& e = *engine_;
  Trace.RunStateChanged(from, e.RunState);
  if (from == tervo::kRunIdle) HideCursor();
  // While a run uses the tables, nothing else may change them.
  SetTableChangersEnabled(e.RunState == tervo::kRunIdle);
  if (e.RunState == tervo::kRunReducing && !e.TraceXlate && !e.TraceScan && !MinimalOn_)
    Trace.progress().Start(e, SteadySeconds());
  if (e.RunState == tervo::kRunIdle) {
    MarkRunEnd();
    // The pane shows nothing of a run that is over: not the progress
    // figures, and not the step of a Scan stop that ESC left unrun.
    Trace.progress().Stop();
    Trace.ClearStep();
    ui_->DBbox->Redraw();
    SetInputMode(e.FormulaMode != 0);
    ShowCursor();
  }
}

void TForm1::ClearPanes() {
  ClearOutputPane();
  ClearInfoPane();
}

void TForm1::ShowMessage(std::string_view text) { ShowProgress(text); }

void TForm1::DrawStop(tervo::GoStop stop) {
  switch (stop) {
    case tervo::GoStop::kPostfixTable:
      SnapshotPostfix();
      ShowPostfixTable();
      break;
    case tervo::GoStop::kVariables:
      ShowVariableTable();
      break;
    case tervo::GoStop::kDirectors:
      ShowDirectorTable();
      break;
    case tervo::GoStop::kInitialTruthTable:
      DrawOutputPane();
      break;
  }
}

// Only the stages after the reduction draw the new table; the pane stays as
// it is until then.
void TForm1::TableFilled() { ResetOutputScroll(); }

void TForm1::DrawResult() {
  DrawOutputPane();
  FollowKarnaugh(false);
}

std::string_view TForm1::DecimalPoint() const {
  DecimalPoint_ = QLocale().decimalPoint().toStdString();
  return DecimalPoint_;
}

void TForm1::SetTableChangersEnabled(bool enabled) {
  for (QWidget* w : {static_cast<QWidget*>(ui_->cnfBtn), static_cast<QWidget*>(ui_->dnfBtn),
                     static_cast<QWidget*>(ui_->forminbtn), static_cast<QWidget*>(ui_->tablebtn),
                     static_cast<QWidget*>(ui_->inclearBtn), static_cast<QWidget*>(ui_->SpeedButton2)})
    w->setEnabled(enabled);
  // The file, print and help commands do nothing during a run; they look it.
  for (QWidget* w : {ui_->loadBtn, ui_->saveBtn, ui_->printBtn, ui_->prsetupBtn, ui_->helpBtn}) w->setEnabled(enabled);
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
  // Between two slices of an untraced reduction: new figures a few times a
  // second. Ticking "Scan" during the run hands the pane to the trace.
  const Engine& e = *engine_;
  tervo::ReduceProgress& progress = Trace.progress();
  if (progress.Active() && e.RunState == tervo::kRunReducing && !e.TraceScan && progress.Update(e, SteadySeconds()))
    ui_->DBbox->Redraw();
}

void TForm1::ProcessPendingEvents() { QCoreApplication::processEvents(QEventLoop::AllEvents); }

void TForm1::DrawTraceStep(const tervo::TraceRecord& record) {
  DrawOutputPane();
  Trace.SetStep(record);
  ui_->DBbox->Redraw();  // the pane shows the step
  if (record.kind == tervo::kPairCompare)
    SetRowMarkers(record.i, record.j);
  else
    SetRowMarkers(record.k, 0);
  SetMessage(QStringLiteral("stop: <space> to continue  <ESC> to end"));
}

void TForm1::ClearTraceRecord() { Trace.ClearStep(); }

// ---------------------------------------------------------------- trace panel

void TForm1::SnapshotPostfix() { Trace.SnapshotPostfix(*engine_); }

void TForm1::ShowPostfixTable() {
  Trace.ShowTable(TracePanel::kInfoPostfix);
  ui_->DBbox->Redraw();
}

void TForm1::ShowVariableTable() {
  Trace.ShowTable(TracePanel::kInfoVariables);
  ui_->DBbox->Redraw();
}

void TForm1::ShowDirectorTable() {
  Trace.ShowTable(TracePanel::kInfoDirectors);
  ui_->DBbox->Redraw();
}

// ---------------------------------------------------------------- keyboard

bool TForm1::eventFilter(QObject* watched, QEvent* event) {
  const QEvent::Type type = event->type();
  if (type != QEvent::KeyPress && type != QEvent::KeyRelease) return QWidget::eventFilter(watched, event);
  auto* target = qobject_cast<QWidget*>(watched);
  if (target == nullptr || target->window() != this) return QWidget::eventFilter(watched, event);
  auto* key = static_cast<QKeyEvent*>(event);
  // Typed characters come with the key; Ctrl and Alt chords type nothing.
  QChar typed;
  if (!key->text().isEmpty() && !(key->modifiers() & (Qt::ControlModifier | Qt::AltModifier)))
    typed = key->text().at(0);
  const uint8_t step = SteppingKey(key->key(), typed);
  if (type == QEvent::KeyRelease) {
    RunKeyReleased(step, key->isAutoRepeat(), key->timestamp());
  } else if (engine_->RunState != tervo::kRunIdle) {
    RunKeysDown_ |= step;
    RunKeysLetGo_ &= static_cast<uint8_t>(~step);
    // Export is refused during a run, with a word why.
    if (key->key() == Qt::Key_E && (key->modifiers() & ~Qt::KeypadModifier) == Qt::ControlModifier) ExportResult();
    RunControlKey(key->key(), typed);
  } else if (step != 0 && RunKeyOutlivesRun(step, key->timestamp())) {
    // A Space or ESC meant for the run just ended: nothing of the editor.
  } else if (CommandKey(key->key(), key->modifiers())) {
    // F1 or a Ctrl shortcut: a command, not an edit
  } else {
    FormKeyDown(key->key(), key->modifiers());
    if (!typed.isNull()) FormKeyPress(typed);
  }
  return true;  // every key is consumed here
}

uint8_t TForm1::SteppingKey(int key, QChar typed) {
  if (key == Qt::Key_Space || typed == QLatin1Char(' ')) return kSpaceKey;
  if (key == Qt::Key_Escape || typed == QChar(27)) return kEscKey;
  return 0;
}

// A stepping key pressed during a run belongs to the run until it is let
// go: held down, its key repeat goes on after the last stop. Key repeat
// comes either as presses without releases, or as a release and a press
// with the same time stamp, which the toolkit does not always flag as a
// repeat. A release is therefore kept with its time until the key's next
// press shows whether it was the first half of such a pair.
void TForm1::RunKeyReleased(uint8_t step, bool autoRepeat, quint64 when) {
  if (step == 0 || !(RunKeysDown_ & step) || autoRepeat) return;
  RunKeysDown_ &= static_cast<uint8_t>(~step);
  RunKeysLetGo_ |= step;
  RunKeyLetGoAt_[step == kSpaceKey ? 0 : 1] = when;
}

// Presses that were waiting in the event queues when the run ended were
// made during the run too. None of these reaches the editor; a press after
// a real release is the editor's again.
bool TForm1::RunKeyOutlivesRun(uint8_t step, quint64 when) {
  const bool pairedRelease =
      (RunKeysLetGo_ & step) && when != 0 && RunKeyLetGoAt_[step == kSpaceKey ? 0 : 1] == when;
  RunKeysLetGo_ &= static_cast<uint8_t>(~step);
  if (RunEndRounds_ > 0 || (RunKeysDown_ & step) || pairedRelease) {
    RunKeysDown_ |= step;
    return true;
  }
  return false;
}

// The run has ended: the key events already queued are delivered before a
// marker posted now has gone twice round the event loop (the window
// system's events and posted events take turns, in an order of their own).
void TForm1::MarkRunEnd() {
  RunEndRounds_ = 2;
  QCoreApplication::postEvent(this, new QEvent(RunEndMarkerType()));
}

QEvent::Type TForm1::RunEndMarkerType() {
  static const auto type = static_cast<QEvent::Type>(QEvent::registerEventType());
  return type;
}

void TForm1::customEvent(QEvent* event) {
  if (event->type() != RunEndMarkerType()) return QWidget::customEvent(event);
  if (RunEndRounds_ > 0 && --RunEndRounds_ > 0) QCoreApplication::postEvent(this, new QEvent(RunEndMarkerType()));
}

void TForm1::RunControlKey(int key, QChar typed) {
  Engine& e = *engine_;
  if (key == Qt::Key_Space || typed == QLatin1Char(' ')) e.StepWait = 0;
  if (key == Qt::Key_Escape || typed == QChar(27)) e.GoOn = 0;
  if (key == Qt::Key_F2) KarnaughCommand();  // says that it waits for the run's end
}

// F1, F2, Ctrl with C, E, O, P, S, V or Z (and no other modifier) and
// Ctrl+Shift+Z are commands; none of these keys does anything in the
// editor. Called only while the
// window is idle: during a run they are refused as every other key is.
bool TForm1::CommandKey(int key, Qt::KeyboardModifiers modifiers) {
  const Qt::KeyboardModifiers mods = modifiers & (Qt::ControlModifier | Qt::ShiftModifier | Qt::AltModifier);
  if (key == Qt::Key_F1 && mods == Qt::NoModifier) {
    helpBtnClick();
    return true;
  }
  if (key == Qt::Key_F2 && mods == Qt::NoModifier) {
    KarnaughCommand();
    return true;
  }
  if (key == Qt::Key_Z && mods == (Qt::ControlModifier | Qt::ShiftModifier)) {
    UndoEdit(true);
    return true;
  }
  if (mods != Qt::ControlModifier) return false;
  switch (key) {
    case Qt::Key_Z: UndoEdit(false); return true;
    case Qt::Key_C: CopyResult(true); return true;
    case Qt::Key_E: ExportResult(); return true;
    case Qt::Key_V: PasteText(QGuiApplication::clipboard()->text()); return true;
    case Qt::Key_O: loadBtnClick(); return true;
    case Qt::Key_S: saveBtnClick(); return true;
    case Qt::Key_P: printBtnClick(); return true;
    default: return false;
  }
}

// The editor's keys and controls are in editor_commands.cpp.

// ---------------------------------------------------------------- output and info panes

void TForm1::ClearResult() {
  engine_->ClearTruthTable();
  Result_ = ResultKind::kNone;
  ui_->outputscrollbar->setValue(0);
  FollowKarnaugh(true);
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

void TForm1::DrawOutputPane() { ui_->outputbox->ShowResultAt(ui_->outputscrollbar->value()); }

void TForm1::ClearOutputPane() {
  ui_->outputbox->ClearOutputPane();
  FollowKarnaugh(true);
}

void TForm1::ClearInfoPane() { ui_->DBbox->ClearInfoPane(); }

void TForm1::SetRowMarkers(uint16_t a, uint16_t b) { ui_->outputbox->SetRowMarkers(a, b); }

void TForm1::cnfBtnClick() {
  if (engine_->RunState != tervo::kRunIdle) return;
  engine_->CnfMode = ui_->cnfBtn->isChecked() ? 1 : 0;
  ClearResult();
  DrawOutputPane();
}

void TForm1::outputscrollbarChange(int) { DrawOutputPane(); }

void TForm1::reducecheckboxClick() {
  engine_->ReduceOn = ui_->reducecheckbox->isChecked() ? 1 : 0;
  // "minimal" works in the reduction's place: without it, it has no say.
  ui_->minimalcheckbox->setEnabled(engine_->ReduceOn != 0);
}

void TForm1::SetMinimal(bool on) {
  ui_->minimalcheckbox->setChecked(on);
  MinimalOn_ = on ? 1 : 0;
}

void TForm1::minimalcheckboxClick() { MinimalOn_ = ui_->minimalcheckbox->isChecked() ? 1 : 0; }

void TForm1::DBxlateMouseUp(QCheckBox* box) {
  const int tag = box->property("tag").toInt();
  if (tag == 1) engine_->TraceXlate = ui_->DBxlate->isChecked() ? 1 : 0;
  if (tag == 2) engine_->TraceScan = ui_->DBscan->isChecked() ? 1 : 0;
}

void TForm1::SpeedButton1Click() { ClearInfoPane(); }

void TForm1::SpeedButton2Click() {
  Engine& e = *engine_;
  if (e.RunState != tervo::kRunIdle) return;
  ClearOutputPane();
  e.TermCount = 0;
  e.VariableTable.fill(0);
  e.VariableCount = 0;
  Result_ = ResultKind::kNone;
}

void TForm1::Image1Click() {
  if (QDesktopServices::openUrl(QUrl(QString::fromLatin1(kProjectHomepage)))) return;
  // No browser could be started: the message line says where the page is,
  // so that it can be opened by hand.
  SetMessage(QStringLiteral("no web browser could be started: %1").arg(QString::fromLatin1(kProjectHomepage)));
}

void TForm1::helpBtnClick() {
  // The help is modal; during a run it would hold the run's stops behind
  // it, so it opens only in an idle window, as F1 does.
  if (engine_->RunState != tervo::kRunIdle) return;
  HideCursor();
  helpform_->OpenHelp();
  WaitUntilHidden(helpform_);  // the window waits here, with the cursor hidden
  ShowCursor();
}

// The file commands are in file_commands.cpp, printing in print_commands.cpp.

// ---------------------------------------------------------------- window surface

// The frame's four edges are filled one-pixel rectangles rather than lines:
// a rectangle covers its whole pixel at any scale factor, where a line is
// centred on the pixel's edge and, at a factor such as 1.5, falls half
// under the pane, which then paints over it. At factor 1 both give the
// same pixels: the silver edges own the bottom-left and top-right corners.
void TForm1::DrawPaneFrame(QPainter& p, const QWidget* pane) {
  const int l = pane->x(), t = pane->y(), w = pane->width(), h = pane->height();
  p.fillRect(QRect(l - 1, t - 1, w + 1, 1), kFrameDark);   // top, (L-1..L+W-1, T-1)
  p.fillRect(QRect(l - 1, t - 1, 1, h + 1), kFrameDark);   // left, (L-1, T-1..T+H-1)
  p.fillRect(QRect(l - 1, t + h, w + 2, 1), kFrameLight);  // bottom, (L-1..L+W, T+H)
  p.fillRect(QRect(l + w, t - 1, 1, h + 2), kFrameLight);  // right, (L+W, T-1..T+H)
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
  if (karnaugh_) karnaugh_->close();
  event->accept();
}
