#include "Unit1.h"

#include <QApplication>
#include <QCheckBox>
#include <QCloseEvent>
#include <QDesktopServices>
#include <QIcon>
#include <QKeyEvent>
#include <QLocale>
#include <QPainter>
#include <QScreen>
#include <QSignalBlocker>
#include <QUrl>
#include <algorithm>

#include "commands.h"
#include "help_unit.h"
#include "input_editor.h"
#include "logic_unit.h"
#include "minimal_cover.h"
#include "pane_widgets.h"
#include "pipeline.h"
#include "result_text.h"
#include "ui_Unit1.h"
#include "window_looks.h"
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
}  // namespace

TForm1::TForm1(QWidget* parent)
    : QWidget(parent),
      engine_(std::make_unique<Engine>()),
      cover_(std::make_unique<tervo::CoverSearch>()),
      ui_(new Ui::TForm1) {
  InitWindowResources();
  ui_->setupUi(this);
  input_ = std::make_unique<InputEditor>(*engine_, ui_->inputbox, ui_->inputscrollbar, ui_->insertlabel);
  setWindowIcon(ProgramIcon());

  setWindowFlags(Qt::Window | Qt::CustomizeWindowHint | Qt::WindowTitleHint | Qt::WindowSystemMenuHint |
                 Qt::WindowMinimizeButtonHint | Qt::WindowCloseButtonHint);
  setFixedSize(1233, 682);
  QFont base(QStringLiteral("Arial"));
  base.setPixelSize(13);
  setFont(base);
  if (const QScreen* screen = QGuiApplication::primaryScreen())
    move(screen->availableGeometry().center() - QPoint(width() / 2, height() / 2));

  SetWindowLooks(*ui_);
  ui_->inputbox->setEngine(engine_.get(), &input_->view());
  ui_->outputbox->setEngine(engine_.get());
  ui_->outputbox->setArrow(ui_->arrow->pixmap());

  connect(ui_->GObtn, &QAbstractButton::clicked, this, &TForm1::GObtnClick);
  connect(ui_->inputbox, &InputPane::mouseDown, this, [this](int x, int y) { tervo::EditorClick(*this, x, y); });
  connect(ui_->inputscrollbar, &QScrollBar::valueChanged, this, [this](int value) { input_->ScrollTo(value); });
  connect(ui_->outputscrollbar, &QScrollBar::valueChanged, this, &TForm1::DrawOutputPane);
  connect(ui_->insertlabel, &ClickLabel::clicked, this, [this] { tervo::ToggleInsertCommand(*this); });
  connect(ui_->forminbtn, &QAbstractButton::clicked, this, [this] { tervo::InputModeCommand(*this); });
  connect(ui_->tablebtn, &QAbstractButton::clicked, this, [this] { tervo::InputModeCommand(*this); });
  connect(ui_->inclearBtn, &QAbstractButton::clicked, this, [this] { tervo::ClearInputCommand(*this); });
  for (QAbstractButton* b : {ui_->cnfBtn, ui_->dnfBtn})
    connect(b, &QAbstractButton::clicked, this, [this] { tervo::OutputFormCommand(*this, ui_->cnfBtn->isChecked()); });
  connect(ui_->reducecheckbox, &QAbstractButton::clicked, this, &TForm1::SetReduce);
  connect(ui_->minimalcheckbox, &QAbstractButton::clicked, this, &TForm1::SetMinimal);
  // The trace boxes: ticked or not during a run too, for its next stage.
  connect(ui_->DBxlate, &QAbstractButton::clicked, this, [this](bool on) { engine_->TraceXlate = on ? 1 : 0; });
  connect(ui_->DBscan, &QAbstractButton::clicked, this, [this](bool on) { engine_->TraceScan = on ? 1 : 0; });
  connect(ui_->SpeedButton1, &QAbstractButton::clicked, this, &TForm1::ClearInfoPane);
  ui_->DBbox->setProvider([this] { return Trace.Texts(*engine_); });
  connect(ui_->SpeedButton2, &QAbstractButton::clicked, this, [this] { tervo::ClearOutputCommand(*this); });
  ui_->outputbox->setContextMenuPolicy(Qt::CustomContextMenu);
  connect(ui_->outputbox, &QWidget::customContextMenuRequested, this,
          [this](const QPoint& at) { tervo::OutputMenuCommand(*this, *ui_->outputbox, at); });
  connect(ui_->Image1, &QAbstractButton::clicked, this, &TForm1::Image1Click);
  connect(ui_->helpBtn, &QAbstractButton::clicked, this, &TForm1::OpenHelp);
  connect(ui_->loadBtn, &QAbstractButton::clicked, this, [this] { tervo::LoadFormulaCommand(*this); });
  connect(ui_->saveBtn, &QAbstractButton::clicked, this, [this] { tervo::SaveFormulaCommand(*this); });
  connect(ui_->printBtn, &QAbstractButton::clicked, this, [this] { tervo::PrintCommand(*this); });
  connect(ui_->prsetupBtn, &QAbstractButton::clicked, this, [this] { tervo::PrinterSetupCommand(*this); });
  new WheelScroller(ui_->outputbox, ui_->outputscrollbar);
  new WheelScroller(ui_->inputbox, ui_->inputscrollbar);
  tervo::InstallFileDialogs(questions_, this);
  tervo::InstallPrintDialogs(questions_, this);
  tervo::InstallExportDialog(questions_, this);

  // The window sees every key before any of its controls.
  qApp->installEventFilter(this);

  FormCreate();
  helpform_ = new Thelpform(this);
  helpform_->setWindowIcon(windowIcon());
  helpform_->hide();
}

TForm1::~TForm1() { qApp->removeEventFilter(this); }

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
  tervo::NoteRunResult(*this, run);
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
    runKeys_.MarkRunEnd();
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
      ShowInfoTable(TracePanel::kInfoPostfix);
      break;
    case tervo::GoStop::kVariables:
      ShowInfoTable(TracePanel::kInfoVariables);
      break;
    case tervo::GoStop::kDirectors:
      ShowInfoTable(TracePanel::kInfoDirectors);
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
  tervo::FollowKarnaugh(*this, false);
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

void TForm1::ShowInfoTable(TracePanel::InfoTable table) {
  Trace.ShowTable(table);
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
  const uint8_t step = RunKeys::SteppingKey(key->key(), typed);
  if (type == QEvent::KeyRelease) {
    runKeys_.Released(step, key->isAutoRepeat(), key->timestamp());
  } else if (engine_->RunState != tervo::kRunIdle) {
    runKeys_.PressedInRun(step);
    tervo::RunControlKey(*this, key->key(), key->modifiers(), typed);
  } else if (step != 0 && runKeys_.OutlivesRun(step, key->timestamp())) {
    // A Space or ESC meant for the run just ended: nothing of the editor.
  } else if (tervo::CommandKey(*this, key->key(), key->modifiers())) {
    // F1 or a Ctrl shortcut: a command, not an edit
  } else {
    tervo::EditorKeyDown(*this, key->key(), key->modifiers());
    if (!typed.isNull()) tervo::EditorKeyPress(*this, typed);
  }
  return true;  // every key is consumed here
}

// ---------------------------------------------------------------- output and info panes

void TForm1::ClearResult() {
  engine_->ClearTruthTable();
  memory_.result = tervo::CommandMemory::ResultKind::kNone;
  ui_->outputscrollbar->setValue(0);
  tervo::FollowKarnaugh(*this, true);
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
  tervo::FollowKarnaugh(*this, true);
}

void TForm1::ClearInfoPane() { ui_->DBbox->ClearInfoPane(); }

void TForm1::SetRowMarkers(uint16_t a, uint16_t b) { ui_->outputbox->SetRowMarkers(a, b); }

void TForm1::SetMinimal(bool on) {
  ui_->minimalcheckbox->setChecked(on);
  MinimalOn_ = on ? 1 : 0;
}

void TForm1::Image1Click() {
  if (QDesktopServices::openUrl(QUrl(QString::fromLatin1(kProjectHomepage)))) return;
  // No browser could be started: the message line says where the page is,
  // so that it can be opened by hand.
  SetMessage(QStringLiteral("no web browser could be started: %1").arg(QString::fromLatin1(kProjectHomepage)));
}

void TForm1::OpenHelp() {
  // The help is modal; during a run it would hold the run's stops behind
  // it, so it opens only in an idle window, as F1 does.
  if (engine_->RunState != tervo::kRunIdle) return;
  HideCursor();
  helpform_->OpenHelp();
  WaitUntilHidden(helpform_);  // the window waits here, with the cursor hidden
  ShowCursor();
}

// ---------------------------------------------------------------- the commands' host

void TForm1::CellAt(int x, int y, int& col, int& row) const { ui_->inputbox->CellAt(x, y, col, row); }
bool TForm1::FormulaButtonDown() const { return ui_->forminbtn->isChecked(); }
bool TForm1::ShowsResult() const { return ui_->outputbox->ShowsResult(); }
void TForm1::SetOutputForm(bool cnf) { (cnf ? ui_->cnfBtn : ui_->dnfBtn)->setChecked(true); }

void TForm1::SetInputMode(bool formula) {
  Engine& e = *engine_;
  e.FormulaMode = formula ? 1 : 0;
  SetInsertMode(formula);
  (formula ? ui_->forminbtn : ui_->tablebtn)->setChecked(true);
  ui_->inputscrollbar->setValue(0);
  ui_->inputscrollbar->setVisible(!formula);
  ui_->insertlabel->setEnabled(formula);
  ShowMessage(tervo::MessageTable[formula ? tervo::kEnterFormula : tervo::kEnterTable]);
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
  const bool outputFormChoosable = formula && e.RunState == tervo::kRunIdle;
  ui_->cnfBtn->setEnabled(outputFormChoosable);
  ui_->dnfBtn->setEnabled(outputFormChoosable);
  DrawAllRows();
  PlaceCursor(0, 0);
}

void TForm1::SetReduce(bool on) {
  ui_->reducecheckbox->setChecked(on);
  engine_->ReduceOn = on ? 1 : 0;
  // "minimal" works in the reduction's place: without it, it has no say.
  ui_->minimalcheckbox->setEnabled(on);
}

// ---------------------------------------------------------------- window surface

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
  tervo::CloseKarnaugh(*this);
  event->accept();
}
