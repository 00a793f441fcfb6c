// The window in daily use: the progress of a long reduction in the info
// pane, the clipboard, F1 and the Ctrl shortcuts, and what a run leaves on
// the screen and in the message line in the cases a new user met.
#include <QApplication>
#include <QClipboard>
#include <QDir>
#include <QFileDialog>
#include <QHeaderView>
#include <QMessageBox>
#include <QPushButton>
#include <QTemporaryDir>
#include <QTreeView>
#include <QMenu>
#include <QRegularExpression>
#include <QScreen>
#include <QToolTip>
#include <QtTest>

#include "grid_text.h"
#include "DBG_unit.h"
#include "output_pane.h"
#include "window_test_access.h"
#include "window_test_support.h"

using namespace wt;

namespace {

// Fifteen variables; the reduction of this function runs for minutes.
const char* const kLongFormula = "(A.B+C.D+E.F+G.H)-(I.J+K.L+M.N.O)";

// The texts the info pane painted last, without painting it again.
QStringList PaintedInfo(TForm1& form) {
  QStringList texts;
  for (const auto& t : tervo::WindowTestAccess::ShownTexts(*Info(form))) texts << QString::fromStdString(t.text);
  return texts;
}

void Ctrl(TForm1& form, Qt::Key key) { Key(form, key, Qt::ControlModifier); }

void SetClipboard(const QString& text) { QGuiApplication::clipboard()->setText(text); }
QString Clipboard() { return QGuiApplication::clipboard()->text(); }

// Counts the paints of a widget.
struct PaintCounter : QObject {
  int paints = 0;
  bool eventFilter(QObject*, QEvent* event) override {
    if (event->type() == QEvent::Paint) ++paints;
    return false;
  }
};

// What the screen holds of a widget: the window's backing store, not a
// fresh paint of the widget.
QImage OnScreen(TForm1& form, QWidget* w) {
  const QPoint at = w->mapTo(&form, QPoint(0, 0));
  return form.screen()->grabWindow(form.winId(), at.x(), at.y(), w->width(), w->height()).toImage().convertToFormat(QImage::Format_RGB32);
}

int PixelsOf(const QImage& img, QRect r, QColor colour) {
  int n = 0;
  r &= img.rect();
  for (int y = r.top(); y <= r.bottom(); ++y)
    for (int x = r.left(); x <= r.right(); ++x) n += img.pixelColor(x, y) == colour;
  return n;
}

}  // namespace

class WindowDailyTest : public QObject {
  Q_OBJECT
 private slots:
  void longUntracedRunShowsProgressAndClearsItAfter();
  void ctrlVPastesAsIfTyped();
  void ctrlVInTableModeFillsLines();
  void clearingTheInputMovesTheCursorHome_data();
  void clearingTheInputMovesTheCursorHome();
  void copyAsTablePastesBackInTableMode();
  void ctrlCCopiesTheResultAsAFormula();
  void outputPaneMenuCopiesFormulaOrTable();
  void f1AndCtrlShortcutsActWhenIdle();
  void f1AndCtrlShortcutsAreRefusedDuringARun();
  void emptyTypedTableIsInconsistent();
  void escapeAtAScanStopShowsWhatTheEngineHolds();
  void timeLeavesOutThePausesAtStops();
  void minimalIsDisabledWhileReduceIsUnticked();
  void webLinkSaysSoWhenNoBrowserStarts();
  void saveDialogShowsItsColumnsAndTheReplaceQuestionItsTitle();
  void paneFramesShowAllFourEdgesAtAnyScale();
  void outputFormAndInputModeButtonsHaveFramesWhenUp();
  void saveScreenshots();
};

void WindowDailyTest::longUntracedRunShowsProgressAndClearsItAfter() {
  auto form = ShownWindow();
  TypeFormula(*form, QString::fromLatin1(kLongFormula));
  QElapsedTimer sinceReduction;
  QStringList seen, messages;
  bool hinted = false;
  PaintCounter counter;
  Info(*form)->installEventFilter(&counter);
  int paintsAtStart = -1;
  QTimer poll;
  QObject::connect(&poll, &QTimer::timeout, [&] {
    if (form->engine().RunState != 2) return;
    if (paintsAtStart < 0) {
      sinceReduction.start();
      paintsAtStart = counter.paints;
    }
    messages << form->Message();
    const QStringList painted = PaintedInfo(*form);
    if (!painted.isEmpty()) seen = painted;
    if (painted.join(' ').contains(QLatin1String("\"minimal\""))) hinted = true;
    if (sinceReduction.elapsed() > 4000) Key(*form, Qt::Key_Escape);
  });
  poll.start(20);
  Click(*form, "GObtn");
  poll.stop();
  const double seconds = sinceReduction.elapsed() / 1000.0;
  const int paints = counter.paints - paintsAtStart;

  QCOMPARE(form->Message(), QStringLiteral("process terminated"));
  // The figures: terms at start, terms left, seconds; and the line on "minimal".
  QVERIFY2(seen.contains(QStringLiteral("terms at start")), qPrintable(seen.join('|')));
  QVERIFY(seen.contains(QStringLiteral("terms left")));
  QVERIFY(seen.contains(QStringLiteral("seconds")));
  QVERIFY(hinted);
  const int startAt = static_cast<int>(seen.indexOf(QStringLiteral("terms at start")));
  QVERIFY(seen.value(startAt + 1).toInt() >= seen.value(startAt + 3).toInt());  // terms left
  QVERIFY(seen.value(startAt + 3).toInt() >= 1);
  QVERIFY(seen.value(startAt + 5).toInt() >= 3);  // seconds
  // The message line keeps its own marks all the time.
  for (const QString& m : messages) QVERIFY2(m.startsWith(QLatin1String("scanning truth table ")), qPrintable(m));
  // A few paints a second, not one a slice (about fifty a second).
  QVERIFY2(paints >= 4 && paints <= 6 * seconds + 3, qPrintable(QStringLiteral("%1 paints in %2 s").arg(paints).arg(seconds)));
  // Over: the pane is back to its empty self, without a paint forced here.
  QTest::qWait(50);
  QVERIFY2(PaintedInfo(*form).isEmpty(), qPrintable(PaintedInfo(*form).join('|')));
  QCOMPARE(form->progress().Active(), false);
}

void WindowDailyTest::ctrlVPastesAsIfTyped() {
  auto form = ShownWindow();
  SetClipboard(QStringLiteral("a.b+/a.c"));
  Ctrl(*form, Qt::Key_V);
  QCOMPARE(FormulaRow(form->engine(), 0), std::string("A.B+/A.C"));
  QCOMPARE(form->editor().CursorCol, 8);
  QCOMPARE(form->Message(), QStringLiteral("enter formula..."));  // nothing to say

  // Other notations go in as ours and run; a character that none of them
  // has puts nothing in and is named with its place.
  Click(*form, "inclearBtn");
  Key(*form, Qt::Key_Home);
  SetClipboard(QStringLiteral("(a | b)' &\n~c"));
  Ctrl(*form, Qt::Key_V);
  QCOMPARE(FormulaRow(form->engine(), 0), std::string("/(A + B) ."));
  QCOMPARE(FormulaRow(form->engine(), 1), std::string("/C"));
  QCOMPARE(form->Message(), QStringLiteral("enter formula..."));
  Click(*form, "GObtn");
  QVERIFY(form->Message().startsWith(QLatin1String("OK: ")));
  QCOMPARE(ResultRows(form->engine()), QStringList{"0 0 0"});
  Click(*form, "inclearBtn");
  SetClipboard(QStringLiteral("a\t.b\n+c\u20ac"));
  Ctrl(*form, Qt::Key_V);
  QCOMPARE(FormulaRow(form->engine(), 0), std::string(""));
  QCOMPARE(form->Message(),
           QStringLiteral("paste: line 2, column 3: \"\u20ac\" (U+20AC) is not in the formula language; nothing pasted"));

  // The editor's own keys are as they were: v types a V, Ctrl+N opens a row.
  Click(*form, "inclearBtn");
  Type(*form, "v");
  Ctrl(*form, Qt::Key_N);
  QCOMPARE(FormulaRow(form->engine(), 0), std::string(""));
  QCOMPARE(FormulaRow(form->engine(), 1), std::string("V"));
}

void WindowDailyTest::ctrlVInTableModeFillsLines() {
  auto form = ShownWindow();
  Click(*form, "tablebtn");
  SetClipboard(QStringLiteral("ab c\r\n1 0\r\n 11 0 1\r\n"));
  Ctrl(*form, Qt::Key_V);
  const tervo::Engine& e = form->engine();
  QCOMPARE(TableLine(e, 0), std::string("ABC"));
  QCOMPARE(TableLine(e, 1), std::string("10"));
  QCOMPARE(TableLine(e, 2), std::string(" 11 0 1"));
  QCOMPARE(form->editor().CursorRow, 3);
  QCOMPARE(form->editor().CursorCol, 0);
  QCOMPARE(form->Message(), QStringLiteral("enter truth table..."));
  // A column past the header's letters is the reader's business, as typed.
  Click(*form, "GObtn");
  QCOMPARE(form->Message(), QStringLiteral("MISSING VARIABLES"));

  // A line that is no table line: nothing goes in, and the place is named.
  Click(*form, "inclearBtn");
  SetClipboard(QStringLiteral("A.B\n1 1\n1 ?"));
  Ctrl(*form, Qt::Key_V);
  QCOMPARE(TableLine(e, 0), std::string(""));
  QCOMPARE(form->Message(),
           QStringLiteral("paste: line 3 (table line 2), column 3: \"?\" is not a table cell (1, 0, or x, -, 2 or a "
                          "blank for either); nothing pasted"));
}

// "copy as table" pasted into table mode runs to the same rows.
void WindowDailyTest::copyAsTablePastesBackInTableMode() {
  auto form = ShownWindow();
  TypeFormula(*form, "A.B+/A.C");
  Click(*form, "GObtn");
  SetClipboard(form->ResultTableText());
  Click(*form, "tablebtn");
  Ctrl(*form, Qt::Key_V);
  Click(*form, "GObtn");
  QVERIFY2(form->Message().startsWith(QLatin1String("OK: ")), qPrintable(form->Message()));
  QStringList rows = ResultRows(form->engine());
  rows.sort();  // the table run may find them in another order
  QCOMPARE(rows, (QStringList{"0 x 1", "1 1 x"}));
}

void WindowDailyTest::clearingTheInputMovesTheCursorHome_data() {
  QTest::addColumn<bool>("table");
  QTest::newRow("formula") << false;
  QTest::newRow("table") << true;
}

// After the clear button the editor starts at its first cell: a paste that
// fills a whole row finds room for all of it.
void WindowDailyTest::clearingTheInputMovesTheCursorHome() {
  QFETCH(bool, table);
  auto form = ShownWindow();
  if (table)
    TypeTable(*form, {"ABC", "1 0", "01"});
  else
    TypeFormula(*form, "A.B+C\n+D");
  QVERIFY(form->editor().CursorCol != 0 || form->editor().CursorRow != 0);
  Click(*form, "inclearBtn");
  QCOMPARE(form->editor().CursorCol, 0);
  QCOMPARE(form->editor().CursorRow, 0);
  const QString row = table ? QStringLiteral("ABCDEFGHIJKLMNO") : QStringLiteral("A+B+C+D+E+F+G+H+I+J+K+L+M+N+O+P+Q+R+S+T.");
  form->PasteText(row);
  QVERIFY2(!form->Message().contains(QLatin1String("no room")), qPrintable(form->Message()));
  QCOMPARE(table ? TableLine(form->engine(), 0) : FormulaRow(form->engine(), 0), row.toStdString());
}

void WindowDailyTest::ctrlCCopiesTheResultAsAFormula() {
  auto form = ShownWindow();
  SetClipboard(QStringLiteral("before"));
  Ctrl(*form, Qt::Key_C);  // no result yet
  QCOMPARE(Clipboard(), QStringLiteral("before"));
  QCOMPARE(form->Message(), QStringLiteral("nothing to copy: no result terms"));

  TypeFormula(*form, "A.B+/A.C");
  Click(*form, "GObtn");
  Ctrl(*form, Qt::Key_C);
  QCOMPARE(Clipboard(), QStringLiteral("A.B+/A.C"));

  // DNF: the rows where it is 0 as sums, in brackets.
  Click(*form, "dnfBtn");
  Click(*form, "GObtn");
  Ctrl(*form, Qt::Key_C);
  const QString sums = Clipboard();
  QVERIFY2(sums == QLatin1String("(/A+B).(A+C)") || sums == QLatin1String("(A+C).(/A+B)"), qPrintable(sums));

  // Pasted back and run, the copy gives the same rows.
  const QStringList rows = ResultRows(form->engine());
  Click(*form, "inclearBtn");
  Ctrl(*form, Qt::Key_V);
  Click(*form, "GObtn");
  QVERIFY(form->Message().startsWith(QLatin1String("OK: ")));
  QCOMPARE(ResultRows(form->engine()), rows);
}

void WindowDailyTest::outputPaneMenuCopiesFormulaOrTable() {
  auto form = ShownWindow();
  TypeFormula(*form, "A.B+/A.C");
  Click(*form, "GObtn");
  QWidget* out = Child<QWidget>(*form, "outputbox");
  QStringList items;
  auto pick = [&](int which) {
    QTimer::singleShot(100, [&, which] {
      auto* menu = qobject_cast<QMenu*>(QApplication::activePopupWidget());
      if (menu == nullptr) return;
      for (QAction* a : menu->actions()) items << a->text();
      menu->actions().at(which)->trigger();
      menu->close();
    });
    QContextMenuEvent event(QContextMenuEvent::Mouse, QPoint(100, 40), out->mapToGlobal(QPoint(100, 40)));
    QCoreApplication::sendEvent(out, &event);
  };
  pick(1);
  QCOMPARE(items, (QStringList{"copy as formula", "copy as table", "Karnaugh map", "", "export..."}));
  QCOMPARE(Clipboard(), QStringLiteral("A.B.C\n1 1 x\n0 x 1\n"));
  pick(0);
  QCOMPARE(Clipboard(), QStringLiteral("A.B+/A.C"));
}

void WindowDailyTest::f1AndCtrlShortcutsActWhenIdle() {
  auto form = ShownWindow();
  int opens = 0, saves = 0, prints = 0;
  tervo::WindowTestAccess::AskOpenPath(*form) = [&](const QString&, const QString&) { ++opens; return QString(); };
  tervo::WindowTestAccess::AskSavePath(*form) = [&](const QString&, const QString&) { ++saves; return QString(); };
  tervo::WindowTestAccess::AskPdfPath(*form) = [&](const QString&) { ++prints; return QString(); };
  Ctrl(*form, Qt::Key_O);
  Ctrl(*form, Qt::Key_S);
  Ctrl(*form, Qt::Key_P);
  QCOMPARE(opens, 1);
  QCOMPARE(saves, 1);
  QCOMPARE(prints, 1);
  // Shift or Alt with them is no shortcut.
  Key(*form, Qt::Key_O, Qt::ControlModifier | Qt::ShiftModifier);
  QCOMPARE(opens, 1);

  QWidget* help = nullptr;
  for (QWidget* top : QApplication::topLevelWidgets())
    if (top->objectName() == QLatin1String("helpform")) help = top;
  QVERIFY(help != nullptr);
  bool shown = false;
  QTimer::singleShot(200, [&] {
    shown = help->isVisible();
    help->close();
  });
  Key(*form, Qt::Key_F1);  // returns when the help is closed
  QVERIFY(shown);
}

void WindowDailyTest::f1AndCtrlShortcutsAreRefusedDuringARun() {
  auto form = ShownWindow();
  int asked = 0;
  tervo::WindowTestAccess::AskOpenPath(*form) = [&](const QString&, const QString&) { ++asked; return QString(); };
  tervo::WindowTestAccess::AskSavePath(*form) = [&](const QString&, const QString&) { ++asked; return QString(); };
  tervo::WindowTestAccess::AskPdfPath(*form) = [&](const QString&) { ++asked; return QString(); };
  QWidget* help = nullptr;
  for (QWidget* top : QApplication::topLevelWidgets())
    if (top->objectName() == QLatin1String("helpform")) help = top;
  TypeFormula(*form, "A+B");
  Click(*form, "DBxlate");
  SetClipboard(QStringLiteral("C.D"));
  std::string gridAtStop;
  RunWithStops(*form, [&](const QString&, int n) {
    if (n == 0) {
      for (Qt::Key k : {Qt::Key_O, Qt::Key_S, Qt::Key_P, Qt::Key_V, Qt::Key_C}) Ctrl(*form, k);
      Key(*form, Qt::Key_F1);
      QTest::qWait(20);
      QVERIFY(!help->isVisible());
      Click(*form, "helpBtn");  // the help picture too
      QTest::qWait(20);
      QVERIFY(!help->isVisible());
      gridAtStop = FormulaRow(form->engine(), 0);
    }
    Key(*form, Qt::Key_Space);
  });
  QCOMPARE(asked, 0);
  QCOMPARE(gridAtStop, std::string("A+B"));
  QCOMPARE(Clipboard(), QStringLiteral("C.D"));
  QVERIFY(form->Message().startsWith(QLatin1String("OK: ")));
}

void WindowDailyTest::emptyTypedTableIsInconsistent() {
  for (const bool reduce : {true, false}) {
    auto form = ShownWindow();
    if (!reduce) Click(*form, "reducecheckbox");
    Click(*form, "tablebtn");
    Type(*form, "ab");  // the header, and no term line
    Click(*form, "GObtn");
    QCOMPARE(form->Message(), QStringLiteral("INCONSISTENT"));
    QCOMPARE(form->engine().TermCount, 0);
  }
}

void WindowDailyTest::escapeAtAScanStopShowsWhatTheEngineHolds() {
  auto form = ShownWindow();
  Click(*form, "tablebtn");
  tervo::test::SetTableText(form->engine(), "ABCD\n11  \n0 1 \n 0 1");
  Click(*form, "DBscan");
  auto* out = Child<OutputPane>(*form, "outputbox");
  const QColor red(255, 0, 0);
  int redAtStop = 0;
  RunWithStops(*form, [&](const QString&, int) {
    // On at a stop with flagged (red) rows: what the screen shows there.
    bool flagged = false;
    for (int t = 1; t <= form->engine().TermCount; ++t) flagged |= form->engine().TermMark[t] != 0;
    if (!flagged || redAtStop > 0) {
      Key(*form, redAtStop > 0 ? Qt::Key_Escape : Qt::Key_Space);
      return;
    }
    QTest::qWait(30);
    redAtStop = PixelsOf(OnScreen(*form, out), out->rect(), red);
    Key(*form, Qt::Key_Escape);
  });
  QVERIFY2(redAtStop > 0, "no stop showed a flagged row");
  QCOMPARE(form->Message(), QStringLiteral("process terminated"));
  QCOMPARE(form->engine().TermCount, 0);
  QTest::qWait(30);
  // The screen, not a fresh paint: the header and nothing else.
  const QImage shown = OnScreen(*form, out);
  QCOMPARE(PixelsOf(shown, shown.rect(), red), 0);
  QVERIFY(!HasInk(shown, QRect(0, 18, shown.width(), shown.height() - 18), kPaneColor));
  QVERIFY(HasInk(shown, QRect(30, 0, 100, 18), kPaneColor));
  QCOMPARE(out->Marker(1), 0);
  QCOMPARE(out->Marker(2), 0);
}

void WindowDailyTest::timeLeavesOutThePausesAtStops() {
  auto form = ShownWindow();
  TypeFormula(*form, "A.B+/A.C+B./D");
  Click(*form, "DBscan");
  QElapsedTimer run;
  run.start();
  const QStringList stops = RunWithStops(*form, [&](const QString&, int) {
    QTest::qWait(300);  // the user looks at the step
    Key(*form, Qt::Key_Space);
  });
  QVERIFY(stops.size() >= 3);
  QVERIFY(run.elapsed() >= 900);
  const QRegularExpression line(QStringLiteral("^OK: time = ([0-9.,]+) secs$"));
  const QRegularExpressionMatch m = line.match(form->Message());
  QVERIFY2(m.hasMatch(), qPrintable(form->Message()));
  const double seconds = QString(m.captured(1)).replace(QLatin1Char(','), QLatin1Char('.')).toDouble();
  // At least 0.9 s of pauses; what is left is the reduction's own few
  // microseconds and the events it lets run between its slices, which a
  // loaded machine may stretch, so the bound is half the pauses.
  QVERIFY2(seconds < 0.45, qPrintable(form->Message()));
}

void WindowDailyTest::minimalIsDisabledWhileReduceIsUnticked() {
  auto form = ShownWindow();
  auto* minimal = Child<QAbstractButton>(*form, "minimalcheckbox");
  QVERIFY(minimal->isEnabled());
  Click(*form, "minimalcheckbox");
  Click(*form, "reducecheckbox");
  QVERIFY(!minimal->isEnabled());
  QVERIFY(minimal->isChecked());  // kept for when "reduce" comes back
  Click(*form, "minimalcheckbox");  // a click on the greyed box does nothing
  QVERIFY(minimal->isChecked());
  form->SetReduce(true);  // as a file load does
  QVERIFY(minimal->isEnabled());
  form->SetReduce(false);
  QVERIFY(!minimal->isEnabled());
}

void WindowDailyTest::webLinkSaysSoWhenNoBrowserStarts() {
  // The offscreen platform has no desktop services: openUrl fails there.
  auto form = ShownWindow();
  Click(*form, "Image1");
  // The message line says so, with the address to open by hand; the
  // picture keeps its hint.
  QCOMPARE(form->Message(), QStringLiteral("no web browser could be started: %1").arg(QLatin1String(kProjectHomepage)));
  QCOMPARE(Child<QWidget>(*form, "Image1")->toolTip(), QStringLiteral("visit website"));
}

void WindowDailyTest::saveDialogShowsItsColumnsAndTheReplaceQuestionItsTitle() {
  QTemporaryDir folder;
  QVERIFY(folder.isValid());
  QFile old(folder.filePath(QStringLiteral("tervo42_abc")));
  QVERIFY(old.open(QIODevice::WriteOnly));
  old.close();
  auto form = ShownWindow();
  form->ShowFileName(old.fileName());  // the dialog starts there, with "abc"
  const QString shots = qEnvironmentVariable("TERVO_SCREENSHOT_DIR");
  int step = 0;
  QStringList cut;
  int boxWidth = 0, titleNeeds = 0;
  QTimer poll;
  QObject::connect(&poll, &QTimer::timeout, [&] {
    QWidget* modal = QApplication::activeModalWidget();
    if (modal == nullptr || !modal->isVisible()) return;
    if (auto* dialog = qobject_cast<QFileDialog*>(modal)) {
      if (step == 0) {
        QTest::qWait(200);
        auto* tree = dialog->findChild<QTreeView*>(QStringLiteral("treeView"));
        QVERIFY(tree != nullptr);
        // Every text of the Size, Type and Date columns, and their titles,
        // fit their columns.
        const QFontMetrics fm(tree->font());
        QAbstractItemModel* model = tree->model();
        for (int c = 1; c < tree->header()->count(); ++c) {
          int needs = fm.horizontalAdvance(model->headerData(c, Qt::Horizontal).toString());
          for (int r = 0; r < model->rowCount(tree->rootIndex()); ++r)
            needs = std::max(needs, fm.horizontalAdvance(model->index(r, c, tree->rootIndex()).data().toString()));
          if (tree->header()->sectionSize(c) < needs + 4)
            cut << QStringLiteral("column %1: %2 < %3").arg(c).arg(tree->header()->sectionSize(c)).arg(needs + 4);
        }
        if (!shots.isEmpty()) dialog->grab().save(shots + "/save-dialog.png");
        step = 1;
        QMetaObject::invokeMethod(dialog, "accept");  // "abc": tervo42_abc exists
      } else if (step == 2) {
        step = 3;
        QMetaObject::invokeMethod(dialog, "reject");
      }
    } else if (auto* box = qobject_cast<QMessageBox*>(modal)) {
      if (step != 1) return;
      QTest::qWait(100);
      boxWidth = box->width();
      // A title bar's text in the window's font, with room for the title
      // bar's icon and three buttons beside it.
      titleNeeds = QFontMetrics(box->font()).horizontalAdvance(box->windowTitle()) + 150;
      if (!shots.isEmpty()) box->grab().save(shots + "/save-replace-question.png");
      step = 2;
      box->button(QMessageBox::No)->click();
    }
  });
  poll.start(20);
  Click(*form, "saveBtn");
  poll.stop();
  QCOMPARE(step, 3);
  QVERIFY2(cut.isEmpty(), qPrintable(cut.join(", ")));
  QVERIFY2(boxWidth >= titleNeeds, qPrintable(QStringLiteral("%1 < %2").arg(boxWidth).arg(titleNeeds)));
  QCOMPARE(form->Message(), QStringLiteral("enter formula..."));  // nothing saved
}

// Run also with QT_SCALE_FACTOR=1.5 (see CMakeLists.txt): from the middle of
// each pane outwards, the first pixel that is not the pane's is black above
// and left of it, silver below and right of it.
void WindowDailyTest::paneFramesShowAllFourEdgesAtAnyScale() {
  auto form = ShownWindow();
  const QImage img = form->grab().toImage().convertToFormat(QImage::Format_RGB32);
  const double dpr = img.devicePixelRatio();
  const QColor black(0, 0, 0), silver(192, 192, 192);
  for (const char* name : {"inputbox", "outputbox", "DBbox"}) {
    const QRect g = Child<QWidget>(*form, name)->geometry();
    const QPoint mid(qRound(g.center().x() * dpr), qRound(g.center().y() * dpr));
    auto firstOther = [&](int dx, int dy) {
      QPoint at = mid;
      while (img.rect().contains(at) && img.pixelColor(at) == kPaneColor) at += QPoint(dx, dy);
      return img.pixelColor(at);
    };
    QCOMPARE(firstOther(0, -1), black);
    QCOMPARE(firstOther(-1, 0), black);
    QCOMPARE(firstOther(0, 1), silver);
    QCOMPARE(firstOther(1, 0), silver);
  }
}

// The buttons of the two exclusive pairs draw a frame when they are up, so
// that they read as buttons and not as labels.
void WindowDailyTest::outputFormAndInputModeButtonsHaveFramesWhenUp() {
  auto form = ShownWindow();
  const QColor face = form->palette().color(QPalette::Button);
  for (const char* name : {"tablebtn", "dnfBtn"}) {
    auto* b = Child<QAbstractButton>(*form, name);
    QVERIFY(!b->isChecked());
    const QImage img = Grab(b);
    // Some pixel on the button's rim is neither the window's background nor
    // the button's face.
    const QColor window = form->palette().color(QPalette::Window);
    bool rim = false;
    for (int x = 0; x < img.width(); ++x)
      for (int y : {0, 1, img.height() - 2, img.height() - 1}) {
        const QColor c = img.pixelColor(x, y);
        rim |= c != window && c != face;
      }
    QVERIFY2(rim, name);
  }
}

// Screenshots for docs/screenshots, when TERVO_SCREENSHOT_DIR names a
// folder. Run under xvfb-run (the menu is a window of its own), once with
// QT_SCALE_FACTOR=1 and once with 2 for the two pictures of the flat
// buttons; the files of one scale carry its factor in their names.
void WindowDailyTest::saveScreenshots() {
  const QString dir = ScreenshotDir();
  if (dir.isEmpty()) QSKIP("TERVO_SCREENSHOT_DIR not set");
  const QString scale = qEnvironmentVariable("QT_SCALE_FACTOR", QStringLiteral("1"));

  // The buttons above the input and output panes, both groups with one
  // button up and one down.
  auto form = ShownWindow();
  QTest::qWait(100);
  QVERIFY(form->grab(QRect(110, 50, 560, 40)).save(dir + "/window-flat-buttons-scale-" + scale + ".png"));
  QVERIFY(form->grab().save(dir + "/window-scale-" + scale + ".png"));
  if (scale != QLatin1String("1")) return;

  // The copy menu over a result.
  TypeFormula(*form, "A.B+/A.C+B./D");
  Click(*form, "GObtn");
  QWidget* out = Child<QWidget>(*form, "outputbox");
  bool menuShot = false;
  QTimer::singleShot(300, [&] {
    auto* menu = qobject_cast<QMenu*>(QApplication::activePopupWidget());
    if (menu == nullptr) return;
    menu->setActiveAction(menu->actions().at(0));
    QTest::qWait(100);
    const QPoint corner = out->mapToGlobal(QPoint(0, 0));
    menuShot = form->screen()->grabWindow(0, corner.x() - 10, corner.y() - 40, 380, 200).save(dir + "/window-copy-menu.png");
    menu->close();
  });
  QContextMenuEvent event(QContextMenuEvent::Mouse, QPoint(60, 30), out->mapToGlobal(QPoint(60, 30)));
  QCoreApplication::sendEvent(out, &event);
  QVERIFY(menuShot);
  form->close();

  // A long reduction with its progress and the line on "minimal".
  auto running = ShownWindow();
  TypeFormula(*running, QString::fromLatin1(kLongFormula));
  bool runShot = false;
  QElapsedTimer since;
  QTimer poll;
  QObject::connect(&poll, &QTimer::timeout, [&] {
    if (running->engine().RunState != 2) return;
    if (!since.isValid()) since.start();
    if (since.elapsed() < 3600 || runShot) return;
    runShot = running->grab().save(dir + "/window-run-progress.png");
    Key(*running, Qt::Key_Escape);
  });
  poll.start(50);
  Click(*running, "GObtn");
  QVERIFY(runShot);
}

QTEST_MAIN(WindowDailyTest)
#include "window_daily_test.moc"
