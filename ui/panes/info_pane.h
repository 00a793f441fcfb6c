// The info pane: the engine's window into itself during a traced run. What
// it shows is asked of a provider at every repaint (the window decides by
// the run's state), so a repaint after the "X" brings the tables back; the
// "X" itself draws the bare background once.
#pragma once

#include <QFont>
#include <QFontMetrics>
#include <QWidget>
#include <functional>
#include <vector>

#include "trace_layout.h"

namespace tervo {
struct WindowTestAccess;
}

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
