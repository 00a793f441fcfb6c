#include "help_unit.h"

#include <QCursor>
#include <QEvent>
#include <QFontMetrics>
#include <QKeyEvent>
#include <QLabel>
#include <QMouseEvent>
#include <QPushButton>
#include <QScreen>
#include <QTimer>
#include <algorithm>

#include "help_code.h"
#include "help_layout.h"
#include "help_text.h"

namespace {

constexpr int kLinesPerPage = tervo::kHelpLinesPerPage;
constexpr int kRowHeight = tervo::kHelpRowHeight;
constexpr int kMaxPages = tervo::kHelpMaxPages;
constexpr int kRepeatMs = 500;     // page-step repeat while a button is held on the page number

const QColor kTitleColour(0x00, 0x00, 0x80);

}  // namespace

// ---------------------------------------------------------------- window

Thelpform::Thelpform(QWidget* parent)
    : QWidget(parent, Qt::Window | Qt::CustomizeWindowHint | Qt::WindowTitleHint | Qt::WindowSystemMenuHint |
                          Qt::WindowCloseButtonHint) {
  setObjectName(QStringLiteral("helpform"));
  setWindowTitle(QStringLiteral("help"));
  setFixedSize(818, 673);
  move(320, 138);
  setFont(HelpPixelFont(13));
  setFocusPolicy(Qt::StrongFocus);

  helpbox = new HelpBox(this);
  helpbox->setGeometry(8, 56, 801, 609);
  helpbox->SetDrawing(&drawing_);
  connect(helpbox, &HelpBox::mouseMoved, this, [this](QPoint pos) { helpboxMouseMove(pos); });
  connect(helpbox, &HelpBox::mouseDown, this, [this](QPoint pos) { helpboxMouseDown(pos); });
  connect(helpbox, &HelpBox::mouseLeft, this, [this] { SetLinkRow(0); });

  subtitle = new QLabel(this);
  subtitle->setObjectName(QStringLiteral("subtitle"));
  subtitle->setGeometry(8, 16, 593, 33);
  subtitle->setFrameStyle(QFrame::Panel | QFrame::Sunken);
  subtitle->setTextFormat(Qt::PlainText);
  subtitle->setAlignment(Qt::AlignLeft | Qt::AlignVCenter);
  subtitle->setIndent(6);
  subtitle->setFont(HelpPixelFont(19, true));
  QPalette titlePalette = subtitle->palette();
  titlePalette.setColor(QPalette::WindowText, kTitleColour);
  subtitle->setPalette(titlePalette);

  auto makeLabel = [this](const char* name, const char* text, int left, int top) {
    auto* label = new QLabel(QString::fromLatin1(text), this);
    label->setObjectName(QString::fromLatin1(name));
    label->move(left, top);
    label->adjustSize();
    return label;
  };
  Label1 = makeLabel("Label1", "page", 608, 24);
  Label2 = makeLabel("Label2", "UP", 640, 8);
  Label3 = makeLabel("Label3", "DOWN", 640, 32);

  page1Btn = new QPushButton(QStringLiteral("1"), this);
  page1Btn->setObjectName(QStringLiteral("page1Btn"));
  page1Btn->setGeometry(688, 16, 33, 33);
  page1Btn->setFont(HelpPixelFont(21));
  page1Btn->setFocusPolicy(Qt::NoFocus);
  page1Btn->setToolTip(QStringLiteral("first page: contents"));
  connect(page1Btn, &QPushButton::clicked, this, [this] { page1BtnClick(); });

  PageNrDisplay = new QLabel(QStringLiteral("1"), this);
  PageNrDisplay->setObjectName(QStringLiteral("PageNrDisplay"));
  PageNrDisplay->setGeometry(736, 16, 70, 33);
  PageNrDisplay->setFrameStyle(QFrame::Panel | QFrame::Sunken);
  PageNrDisplay->setAlignment(Qt::AlignCenter);
  PageNrDisplay->setFont(HelpPixelFont(21));
  PageNrDisplay->setAutoFillBackground(true);
  PageNrDisplay->setToolTip(QStringLiteral("click: next page, right click: previous page; hold to repeat"));
  PageNrDisplay->installEventFilter(this);

  Timer1 = new QTimer(this);
  Timer1->setObjectName(QStringLiteral("Timer1"));
  connect(Timer1, &QTimer::timeout, this, [this] { Timer1Timer(); });

  const auto stored = tervo::StoredHelpLines();
  ListBox1.assign(stored.begin(), stored.end());
}

void Thelpform::OpenHelp() {
  HelpPage = 1;
  QPalette palette = PageNrDisplay->palette();
  palette.setColor(QPalette::Window, kHelpBoxBackground);
  PageNrDisplay->setPalette(palette);
  PageNrDisplay->setText(QStringLiteral("1"));
  // Pages are counted by rounding up: a text of whole pages has no empty page
  // after them.
  const size_t pages = (ListBox1.size() + kLinesPerPage - 1) / kLinesPerPage;
  HelpPageCount = static_cast<uint8_t>(std::clamp<size_t>(pages, 1, kMaxPages));
  PaintHelpPage();
  setWindowModality(Qt::ApplicationModal);
  PlaceOnScreen();
  show();
  activateWindow();
  setFocus();
}

QPoint Thelpform::PlaceInside(const QRect& area, const QSize& frame, const QPoint& wanted) {
  const auto place = [](int at, int size, int low, int high) {
    if (at + size > high) at = high - size;
    return std::max(at, low);
  };
  return {place(wanted.x(), frame.width(), area.left(), area.left() + area.width()),
          place(wanted.y(), frame.height(), area.top(), area.top() + area.height())};
}

// The help stands at (320, 138) where the screen's free area (without
// panels and task bars) takes it whole, else moved inside. Until the window
// has been shown its frame is not known; the main window's serves instead.
void Thelpform::PlaceOnScreen() {
  const QScreen* onScreen = parentWidget() ? parentWidget()->screen() : screen();
  if (onScreen == nullptr) return;
  QSize frame = frameGeometry().size();
  if (frame == size() && parentWidget()) frame += parentWidget()->frameGeometry().size() - parentWidget()->size();
  move(PlaceInside(onScreen->availableGeometry(), frame, QPoint(320, 138)));
}

// ---------------------------------------------------------------- paging

void Thelpform::StepPage(PageStep step) {
  if (step != kRepeatStep) RepeatDirection = step;
  if (RepeatDirection == kNextPage && HelpPage < HelpPageCount) {
    ++HelpPage;
  } else if (RepeatDirection == kPreviousPage && HelpPage > 1) {
    --HelpPage;
  } else {
    return;
  }
  ClearHelpBox();
  ShowPageNumber();
  PaintHelpPage();
}

void Thelpform::FirstPage() {
  ClearHelpBox();
  HelpPage = 1;
  PageNrDisplay->setText(QStringLiteral("1"));
  PaintHelpPage();
}

void Thelpform::ClearHelpBox() {
  drawing_.ops.clear();
  helpbox->update(5, 5, helpbox->width() - 10, helpbox->height() - 10);
}

void Thelpform::ShowPageNumber() { PageNrDisplay->setText(QString::number(HelpPage)); }

// ---------------------------------------------------------------- drawing a page

void Thelpform::PaintHelpPage() {
  SetLinkRow(0);
  const size_t first = size_t{kLinesPerPage} * (HelpPage - 1);
  std::vector<std::string> lines;
  for (size_t row = 0; first + row < ListBox1.size() && row < kLinesPerPage; ++row)
    lines.push_back(tervo::DecodePairs(ListBox1[first + row]));
  drawing_ = tervo::LayOutHelpPage(lines, [](char ch, uint8_t cellHeight, bool bold, bool italic) {
    return QFontMetrics(HelpFont(cellHeight, bold, italic)).horizontalAdvance(QChar(static_cast<uchar>(ch)));
  });
  LinkTarget = drawing_.links;
  subtitle->setText(QString::fromLatin1(drawing_.title.data(), static_cast<qsizetype>(drawing_.title.size())));
  helpbox->update();
  emit pageDrawn();
  // The pointer may already rest on a linked row of the new page.
  if (helpbox->isVisible() && helpbox->underMouse()) helpboxMouseMove(helpbox->mapFromGlobal(QCursor::pos()));
}

// ---------------------------------------------------------------- links

void Thelpform::SetLinkRow(uint8_t row) {
  if (row == LinkRow) return;
  LinkRow = row;
  helpbox->SetLinkRow(row);
}

void Thelpform::helpboxMouseMove(QPoint pos) {
  const int row = pos.y() >= 0 ? pos.y() / kRowHeight : 0;
  if (row >= 1 && row < kLinesPerPage && LinkTarget[row] != 0) {
    SetLinkRow(static_cast<uint8_t>(row));
  } else {
    SetLinkRow(0);
  }
}

void Thelpform::helpboxMouseDown(QPoint pos) {
  helpboxMouseMove(pos);
  if (LinkRow == 0) return;
  const uint8_t target = LinkTarget[LinkRow];
  if (target < 1 || target > HelpPageCount) return;
  HelpPage = target;
  ClearHelpBox();
  PaintHelpPage();
  ShowPageNumber();
}

// ---------------------------------------------------------------- input

// Every key reaches the window itself: its controls never take the focus.
void Thelpform::keyPressEvent(QKeyEvent* event) {
  if (!FormKeyDown(event)) FormKeyPress(event);
}

bool Thelpform::FormKeyDown(QKeyEvent* event) {
  switch (event->key()) {
    case Qt::Key_PageUp: StepPage(kPreviousPage); break;
    case Qt::Key_PageDown: StepPage(kNextPage); break;
    case Qt::Key_Home: FirstPage(); break;
    default: return false;
  }
  event->accept();
  return true;
}

void Thelpform::FormKeyPress(QKeyEvent* event) {
  if (event->key() == Qt::Key_Escape || event->text() == QLatin1String("\x1b")) {
    event->accept();  // the Esc character is swallowed
    close();
    return;
  }
  event->ignore();
}

void Thelpform::page1BtnClick() { FirstPage(); }

void Thelpform::PageNrDisplayMouseDown(Qt::MouseButton button) {
  StepPage(button == Qt::RightButton ? kPreviousPage : kNextPage);
  Timer1->start(kRepeatMs);
}

void Thelpform::PageNrDisplayMouseUp() { Timer1->stop(); }

void Thelpform::Timer1Timer() { StepPage(kRepeatStep); }

void Thelpform::hideEvent(QHideEvent* event) {
  Timer1->stop();
  SetLinkRow(0);
  QWidget::hideEvent(event);
}

bool Thelpform::eventFilter(QObject* watched, QEvent* event) {
  if (watched == PageNrDisplay) {
    switch (event->type()) {
      // A quick second click arrives as a double click: it steps as well.
      case QEvent::MouseButtonPress:
      case QEvent::MouseButtonDblClick:
        PageNrDisplayMouseDown(static_cast<QMouseEvent*>(event)->button());
        return true;
      case QEvent::MouseButtonRelease:
        PageNrDisplayMouseUp();
        return true;
      default:
        return false;
    }
  }
  return QWidget::eventFilter(watched, event);
}
