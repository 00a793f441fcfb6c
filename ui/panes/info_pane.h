// The info pane: the engine's window into itself during a traced run. What
// it shows is computed on every repaint by a provider (the window decides by
// the run's state); the "X" button blanks it until the next repaint.
#pragma once

#include <QWidget>
#include <functional>
#include <vector>

#include "trace_layout.h"

class InfoPane : public QWidget {
  Q_OBJECT
 public:
  using Provider = std::function<std::vector<tervo::InfoText>()>;

  explicit InfoPane(QWidget* parent = nullptr);

  // What to draw over the background at each repaint.
  void setProvider(Provider provider);
  // Fill the pane with its background; the next repaint draws again.
  void ClearInfoPane();
  // Repaint now with what the provider gives.
  void Redraw();
  // The texts drawn by the last repaint.
  const std::vector<tervo::InfoText>& shownTexts() const { return shown_; }

 protected:
  void paintEvent(QPaintEvent* event) override;

 private:
  Provider provider_;
  bool blank_ = false;  // the next paint shows only the background
  std::vector<tervo::InfoText> shown_;
};
