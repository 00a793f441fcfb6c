// The debug trace panel and the run's timing: the info pane that draws the
// engine's tables at the trace stops, what it shows at each state of a run
// (TracePanel), the start-up calibration of the cycle counter the reduction
// is timed with, and the steady clock of the progress figures. What each
// drawing holds is worked out without the toolkit in ui/layout
// (trace_layout, reduce_progress).
#pragma once

#include <QFont>
#include <QFontMetrics>
#include <QWidget>
#include <cstdint>
#include <functional>
#include <optional>
#include <vector>

#include "engine.h"
#include "reduce_progress.h"
#include "trace_layout.h"

namespace tervo {
struct WindowTestAccess;
}

// The start-up of the trace module: calibrates the cycle counter that times
// the reduction. Runs once, before the main window is made.
void DebugStartUp();

// Seconds on the steady clock, for the progress figures.
double SteadySeconds();

// What the info pane shows, by the run's state: during the translation the
// tables whose stops have been reached, while reducing the last traced step
// or else the progress figures, and nothing once the run is over.
class TracePanel {
 public:
  // The translation tables, as bits of Shown().
  enum InfoTable : uint8_t { kInfoPostfix = 1, kInfoVariables = 2, kInfoDirectors = 4 };

  // The run has changed its state: the translation tables belong to the
  // translation and go whenever it starts or ends.
  void RunStateChanged(uint8_t from, uint8_t to);
  // Keep the postfix table as it stands at its stop.
  void SnapshotPostfix(const tervo::Engine& e);
  // Add a translation table to those shown.
  void ShowTable(InfoTable table) { shown_ |= table; }
  uint8_t Shown() const { return shown_; }
  // The last reduction step, kept for repaints; cleared when the table empties.
  void SetStep(const tervo::TraceRecord& record) { step_ = record; }
  void ClearStep() { step_.reset(); }

  tervo::ReduceProgress& progress() { return progress_; }
  const tervo::ReduceProgress& progress() const { return progress_; }

  // The texts for the engine as it stands now.
  std::vector<tervo::InfoText> Texts(const tervo::Engine& e) const;

 private:
  uint8_t shown_ = 0;                          // InfoTable bits: the translation tables shown
  tervo::PostfixSnapshot postfix_;             // the postfix table as it stood at its stop
  std::optional<tervo::TraceRecord> step_;     // the last reduction step
  tervo::ReduceProgress progress_;             // the untraced reduction's figures
};

// The info pane: the engine's window into itself during a traced run. What
// it shows is asked of a provider at every repaint (the window asks its
// TracePanel), so a repaint after the "X" brings the tables back; the "X"
// itself draws the bare background once.
class InfoPane : public QWidget {
  Q_OBJECT
 public:
  using Provider = std::function<std::vector<tervo::InfoText>()>;

  explicit InfoPane(QWidget* parent = nullptr);

  // What to draw over the background at each repaint.
  void setProvider(Provider provider);
  // Fill the pane with its background now; the next repaint draws again.
  void ClearInfoPane();
  // Repaint now with what the provider gives.
  void Redraw();

 protected:
  void paintEvent(QPaintEvent* event) override;

 private:
  friend struct tervo::WindowTestAccess;  // tests read what the last repaint drew

  Provider provider_;
  bool blank_ = false;  // while ClearInfoPane paints: only the background
  std::vector<tervo::InfoText> shown_;  // what the last paint drew
  QFont heading_, body_;                // 8 and 12 point, fixed pitch
  QFontMetrics headingMetrics_, bodyMetrics_;
};
