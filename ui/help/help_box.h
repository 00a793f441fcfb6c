// The page area of the help window: draws a page worked out as data (the
// characters and box edges of HelpPageDrawing) inside a sunken frame, with
// the linked row under the pointer highlighted, and reports the mouse.
#pragma once

#include <QColor>
#include <QFont>
#include <QPoint>
#include <QString>
#include <QWidget>
#include <cstdint>
#include <vector>

#include "help_layout.h"
#include "pane_colour.h"

// The page as data (tervo::HelpPageDrawing, ui/layout/help_layout.h).
using tervo::HelpDrawOp;
using tervo::HelpPageDrawing;

// The background of the page area and of the page number.
inline const QColor kHelpBoxBackground{QRgb{tervo::kPaneRgb}};

// An Arial (or like) font of the given pixel size.
QFont HelpPixelFont(int pixelSize, bool bold = false);

class HelpBox : public QWidget {
  Q_OBJECT
 public:
  static constexpr int kRowHeight = tervo::kHelpRowHeight;  // text row r starts at y = 24 r

  explicit HelpBox(QWidget* parent = nullptr);

  // The page to draw; it stays owned by the caller, who calls update() or
  // a partial update when it changes.
  void SetDrawing(const HelpPageDrawing* drawing) { drawing_ = drawing; }
  // Highlight the linked row (0: none) and show the hand pointer over it.
  void SetLinkRow(uint8_t row);

  // Font of a character of the given style, as the page draws it.
  static QFont HelpFont(uint8_t cellHeight, bool bold, bool italic);

 signals:
  void mouseMoved(QPoint pos);
  void mouseDown(QPoint pos);  // a press or the second press of a double click
  void mouseLeft();

 protected:
  void paintEvent(QPaintEvent* event) override;
  void mouseMoveEvent(QMouseEvent* event) override;
  void mousePressEvent(QMouseEvent* event) override;
  void mouseDoubleClickEvent(QMouseEvent* event) override;
  void leaveEvent(QEvent* event) override;

 private:
  const HelpPageDrawing* drawing_ = nullptr;
  uint8_t linkRow_ = 0;
};
