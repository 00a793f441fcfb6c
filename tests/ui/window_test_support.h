// Helpers shared by the main window tests: a shown window, its children by
// component name, typing, grid rows as text and pixel reading.
#pragma once

#include <QAbstractButton>
#include <QByteArray>
#include <QDir>
#include <QFile>
#include <QImage>
#include <QLabel>
#include <QScrollBar>
#include <QTest>
#include <QTimer>
#include <functional>
#include <memory>
#include <string>
#include <vector>

#include "DBG_unit.h"
#include "Unit1.h"
#include "engine.h"
#include "output_pane.h"
#include "pane_widgets.h"  // kPaneColor

namespace wt {

inline std::unique_ptr<TForm1> ShownWindow() {
  auto form = std::make_unique<TForm1>();
  form->show();
  if (!QTest::qWaitForWindowExposed(form.get())) qWarning("window not exposed");
  return form;
}

template <typename T = QWidget>
T* Child(TForm1& form, const char* name) {
  T* w = form.findChild<T*>(QString::fromLatin1(name));
  if (w == nullptr) qFatal("no component %s", name);
  return w;
}

inline void Click(TForm1& form, const char* name) {
  QTest::mouseClick(Child<QAbstractButton>(form, name), Qt::LeftButton);
}

// Keys go to the window, as a user's keys do.
inline void Type(TForm1& form, const QString& text) { QTest::keyClicks(&form, text); }
inline void Key(TForm1& form, Qt::Key key, Qt::KeyboardModifiers mods = Qt::NoModifier) {
  QTest::keyClick(&form, key, mods);
}

// Switch to table input and type the lines, each from the start of its line.
inline void TypeTable(TForm1& form, const QStringList& lines) {
  Click(form, "tablebtn");
  for (int l = 0; l < lines.size(); ++l) {
    QTest::mouseClick(Child<QWidget>(form, "inputbox"), Qt::LeftButton, {}, QPoint(65, 18 * l + 9));
    Type(form, lines[l]);
  }
}

// The info pane.
inline InfoPane* Info(TForm1& form) { return Child<InfoPane>(form, "DBbox"); }

// A file's bytes; empty when it cannot be read.
inline QByteArray FileBytes(const QString& path) {
  QFile f(path);
  return f.open(QIODevice::ReadOnly) ? f.readAll() : QByteArray();
}

// The folder that TERVO_SCREENSHOT_DIR names, made if need be; empty when
// it is not set (the screenshot tests skip then).
inline QString ScreenshotDir() {
  const QString dir = qEnvironmentVariable("TERVO_SCREENSHOT_DIR");
  if (!dir.isEmpty()) QDir().mkpath(dir);
  return dir;
}

// Formula row r, or table line l, with trailing blanks removed.
inline std::string FormulaRow(const tervo::Engine& e, int r) {
  std::string s(e.FormulaGrid[r].begin(), e.FormulaGrid[r].end());
  return s.substr(0, s.find_last_not_of(' ') + 1);
}
inline std::string TableLine(const tervo::Engine& e, int l) {
  std::string s(e.TableGrid[l].begin(), e.TableGrid[l].end());
  return s.substr(0, s.find_last_not_of(' ') + 1);
}

// The rows of the output pane, as drawn, without their outer blanks.
inline QStringList ResultRows(const tervo::Engine& e) {
  QStringList rows;
  for (int t = 1; t <= e.TermCount; ++t) rows << OutputPane::RowText(e, t).trimmed();
  return rows;
}

// Put a formula into the editor by typing it, one line after another.
inline void TypeFormula(TForm1& form, const QString& text) {
  const QStringList lines = text.split(QLatin1Char('\n'));
  for (int i = 0; i < lines.size(); ++i) {
    if (i > 0) Key(form, Qt::Key_Return);
    Type(form, lines[i]);
  }
}

inline QImage Grab(QWidget* w) { return w->grab().toImage().convertToFormat(QImage::Format_RGB32); }

// True when some pixel of rect r differs from colour bg.
inline bool HasInk(const QImage& img, QRect r, QColor bg) {
  r &= img.rect();
  for (int y = r.top(); y <= r.bottom(); ++y)
    for (int x = r.left(); x <= r.right(); ++x)
      if (img.pixelColor(x, y) != bg) return true;
  return false;
}

// The bounding box of the pixels of rect r that differ from bg.
inline QRect InkBox(const QImage& img, QRect r, QColor bg) {
  r &= img.rect();
  QRect box;
  for (int y = r.top(); y <= r.bottom(); ++y)
    for (int x = r.left(); x <= r.right(); ++x)
      if (img.pixelColor(x, y) != bg) box |= QRect(x, y, 1, 1);
  return box;
}

// Runs GO; at every stop (StepWait 1) calls atStop with the stop's message
// line and the number of the stop (from 0); atStop must answer the stop (a
// key, a GO click or closing). Returns the stop lines once the run has ended.
inline QStringList RunWithStops(TForm1& form, const std::function<void(const QString&, int)>& atStop) {
  QStringList stops;
  QTimer poll;
  poll.setInterval(5);
  QObject::connect(&poll, &QTimer::timeout, [&] {
    if (form.engine().StepWait != 1) return;
    const QString msg = form.Message();
    stops << msg;
    atStop(msg, static_cast<int>(stops.size()) - 1);
  });
  poll.start();
  Click(form, "GObtn");
  poll.stop();
  return stops;
}

// What a file load replaces and what printing must leave alone: both grids,
// the options with their controls, the result and the caption.
struct WorkingState {
  std::string formulaGrid, tableGrid, letters;
  std::vector<uint16_t> terms;  // value, mask of each term
  int formulaMode = 0, cnfMode = 0, reduceOn = 0;
  bool reduceTicked = false, cnfDown = false, dnfDown = false;
  QString caption;
  bool operator==(const WorkingState&) const = default;
};

inline WorkingState StateOf(TForm1& form) {
  const tervo::Engine& e = form.engine();
  WorkingState s;
  for (const auto& row : e.FormulaGrid) s.formulaGrid.append(row.begin(), row.end());
  for (const auto& line : e.TableGrid) s.tableGrid.append(line.begin(), line.end());
  s.letters.assign(e.VariableTable.begin(), e.VariableTable.begin() + e.VariableCount);
  for (int t = 1; t <= e.TermCount; ++t) {
    s.terms.push_back(e.TermValue[t]);
    s.terms.push_back(e.TermMask[t]);
  }
  s.formulaMode = e.FormulaMode;
  s.cnfMode = e.CnfMode;
  s.reduceOn = e.ReduceOn;
  s.reduceTicked = Child<QAbstractButton>(form, "reducecheckbox")->isChecked();
  s.cnfDown = Child<QAbstractButton>(form, "cnfBtn")->isChecked();
  s.dnfDown = Child<QAbstractButton>(form, "dnfBtn")->isChecked();
  s.caption = form.windowTitle();
  return s;
}

}  // namespace wt
