// The help window: the built-in manual as numbered pages of 25 lines.
//
// Each page is a title line, shown in `subtitle`, and up to 24 text lines that
// the window draws itself in `helpbox`. Text lines carry a small markup of
// backslash commands, listed in kHelpMarkup (ui/layout/help_layout.h).
//
// Drawing is split in two: PaintHelpPage() decodes the stored lines of the
// page and has LayOutHelpPage work them into a HelpPageDrawing (plain data:
// characters with position and style, box edges, links), and the HelpBox
// widget renders that data. Tests inspect the data.
#pragma once

#include <QFont>
#include <QString>
#include <QWidget>
#include <array>
#include <cstdint>
#include <string>
#include <string_view>
#include <vector>

#include "help_box.h"

class QLabel;
class QPainter;
class QPushButton;
class QTimer;
namespace tervo {
struct HelpTestAccess;
}

class Thelpform : public QWidget {
  Q_OBJECT
 public:
  explicit Thelpform(QWidget* parent = nullptr);
  // Show the help window at its first page. It is application-modal: the
  // main window takes no input until the help is closed. The call returns at
  // once; the help stays open until Esc or its close button.
  void OpenHelp();
  // Move the window inside the free area of the main window's screen.
  void PlaceOnScreen();
  // Where a window whose frame (title bar and border included) has the
  // given size goes so that it lies inside area: at wanted when it fits
  // there, otherwise moved just far enough in; a window larger than the
  // area keeps its top left corner at the area's.
  static QPoint PlaceInside(const QRect& area, const QSize& frame, const QPoint& wanted);

  // Paging, as the keys, the buttons and the page number use it.
  enum PageStep : uint8_t {
    kRepeatStep = 0,    // the step RepeatDirection names again (Timer1)
    kNextPage = 1,
    kPreviousPage = 2,
  };
  void StepPage(PageStep step);
  void FirstPage();
  void ClearHelpBox();
  void PaintHelpPage();

  // What the current page draws.
  const HelpPageDrawing& Drawing() const { return drawing_; }
  // Font of a character of the given style, as the page draws it.
  static QFont HelpFont(uint8_t cellHeight, bool bold, bool italic) {
    return HelpBox::HelpFont(cellHeight, bold, italic);
  }

  // Window state.
  uint8_t HelpPage = 1;         // page shown, from 1
  uint8_t HelpPageCount = 1;    // number of pages
  PageStep RepeatDirection = kNextPage;  // kNextPage or kPreviousPage: repeated by Timer1
  std::array<uint8_t, 25> LinkTarget{};  // per row of the shown page: linked page, 0 none
  uint8_t LinkRow = 0;                   // highlighted row under the pointer, 0 none

 signals:
  // A page has been laid out and handed to the help box to draw.
  void pageDrawn();

 protected:
  void keyPressEvent(QKeyEvent* event) override;
  bool eventFilter(QObject* watched, QEvent* event) override;
  void hideEvent(QHideEvent* event) override;

 private:
  friend struct tervo::HelpTestAccess;  // tests put in their own help text

  void ShowPageNumber();
  void SetLinkRow(uint8_t row);

  // Event handlers.
  void helpboxMouseMove(QPoint pos);
  void helpboxMouseDown(QPoint pos);
  bool FormKeyDown(QKeyEvent* event);  // true when the key was a paging key
  void FormKeyPress(QKeyEvent* event);
  void page1BtnClick();
  void PageNrDisplayMouseDown(Qt::MouseButton button);
  void PageNrDisplayMouseUp();
  void Timer1Timer();

  // Components.
  HelpBox* helpbox = nullptr;
  QLabel* subtitle = nullptr;
  QLabel* Label1 = nullptr;
  QLabel* Label2 = nullptr;
  QLabel* Label3 = nullptr;
  QPushButton* page1Btn = nullptr;
  QLabel* PageNrDisplay = nullptr;
  QTimer* Timer1 = nullptr;
  // The help text, one stored line (pair code) per entry: the built-in
  // manual, read when the window is made.
  std::vector<std::string> ListBox1;

  HelpPageDrawing drawing_;
};
