#include "window_looks.h"

#include <QPainter>

#include "pane_widgets.h"
#include "ui_Unit1.h"

namespace {
const QColor kFrameDark(0, 0, 0);
const QColor kFrameLight(192, 192, 192);
}  // namespace

// Fonts and colours of the texts and buttons that differ from the window's.
void SetWindowLooks(Ui::TForm1& ui) {
  const QColor blue(0, 0, 255), red(255, 0, 0), grey(128, 128, 128);
  SetControlLook(ui.GObtn, 24, true, blue);
  SetControlLook(ui.Label11, 13, true);
  SetControlLook(ui.Label1, 13, false, grey);
  SetControlLook(ui.Label2, 13, false, grey);
  SetControlLook(ui.insertlabel, 16, false, blue);
  for (QWidget* x : {ui.inclearBtn, ui.SpeedButton2, ui.SpeedButton1}) SetControlLook(x, 21, true, red);
  SetControlLook(ui.msglabel, 16, false);
}

// The frame's four edges are filled one-pixel rectangles rather than lines:
// a rectangle covers its whole pixel at any scale factor, where a line is
// centred on the pixel's edge and, at a factor such as 1.5, falls half
// under the pane, which then paints over it. At factor 1 both give the
// same pixels: the silver edges own the bottom-left and top-right corners.
void DrawPaneFrame(QPainter& p, const QWidget* pane) {
  const int l = pane->x(), t = pane->y(), w = pane->width(), h = pane->height();
  p.fillRect(QRect(l - 1, t - 1, w + 1, 1), kFrameDark);   // top, (L-1..L+W-1, T-1)
  p.fillRect(QRect(l - 1, t - 1, 1, h + 1), kFrameDark);   // left, (L-1, T-1..T+H-1)
  p.fillRect(QRect(l - 1, t + h, w + 2, 1), kFrameLight);  // bottom, (L-1..L+W, T+H)
  p.fillRect(QRect(l + w, t - 1, 1, h + 2), kFrameLight);  // right, (L+W, T-1..T+H)
}
