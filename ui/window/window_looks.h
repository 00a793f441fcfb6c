// How the main window looks beyond its layout: the fonts and colours of the
// texts and buttons that differ from the window's, and the frames round its
// three panes.
#pragma once

class QPainter;
class QWidget;
namespace Ui {
class TForm1;
}

void SetWindowLooks(Ui::TForm1& ui);
// The frame round a pane, drawn on its parent: dark at the top and left,
// light at the bottom and right, one pixel outside the pane.
void DrawPaneFrame(QPainter& p, const QWidget* pane);
