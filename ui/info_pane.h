// The info pane: the engine's window into itself during a traced run. It is
// empty (its background colour) unless a trace drawing is handed to it.
#pragma once

#include <QWidget>
#include <functional>

class QPainter;

class InfoPane : public QWidget {
  Q_OBJECT
 public:
  explicit InfoPane(QWidget* parent = nullptr);

  // The drawing shown over the background on every repaint; an empty
  // function leaves the pane empty.
  void setDrawing(std::function<void(QPainter&)> drawing);
  // Fill the pane with its background and drop the drawing.
  void ClearInfoPane();

 protected:
  void paintEvent(QPaintEvent* event) override;

 private:
  std::function<void(QPainter&)> drawing_;
};
