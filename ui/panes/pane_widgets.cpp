#include "pane_widgets.h"

#include <QEventLoop>
#include <QMouseEvent>
#include <QPainter>
#include <QScrollBar>
#include <QWheelEvent>

PictureButton::PictureButton(QWidget* parent) : QAbstractButton(parent) {
  setFocusPolicy(Qt::NoFocus);
  setCursor(Qt::PointingHandCursor);
}

QSize PictureButton::sizeHint() const { return iconSize(); }

void PictureButton::paintEvent(QPaintEvent*) {
  QPainter p(this);
  const QIcon::Mode mode = isEnabled() ? QIcon::Normal : QIcon::Disabled;
  // The artwork is mostly grey already, so the toolkit's greyed picture
  // alone hardly shows; a disabled button is also drawn faint.
  if (!isEnabled()) p.setOpacity(0.4);
  icon().paint(&p, rect(), Qt::AlignCenter, mode);
}

ClickLabel::ClickLabel(QWidget* parent) : QLabel(parent) { setFocusPolicy(Qt::NoFocus); }

void ClickLabel::mousePressEvent(QMouseEvent* event) {
  if (event->button() == Qt::LeftButton && isEnabled()) emit clicked();
  event->accept();
}

WheelScroller::WheelScroller(QWidget* pane, QScrollBar* bar) : QObject(pane), bar_(bar) {
  pane->installEventFilter(this);
}

bool WheelScroller::eventFilter(QObject* watched, QEvent* event) {
  if (event->type() != QEvent::Wheel) return QObject::eventFilter(watched, event);
  auto* wheel = static_cast<QWheelEvent*>(event);
  wheel->accept();
  if (!bar_->isVisible() || !bar_->isEnabled()) {
    gathered_ = 0;
    return true;
  }
  constexpr int kNotch = 120;
  gathered_ += wheel->angleDelta().y();
  const int notches = gathered_ / kNotch;  // whole notches, either way
  gathered_ -= notches * kNotch;
  if (notches != 0) bar_->setValue(bar_->value() - notches * bar_->singleStep());
  return true;
}

void SetControlLook(QWidget* control, int pixelSize, bool bold, const QColor& colour) {
  QFont font(QStringLiteral("Arial"));
  font.setPixelSize(pixelSize);
  font.setBold(bold);
  control->setFont(font);
  if (!colour.isValid()) return;
  const QPalette::ColorRole role =
      qobject_cast<QAbstractButton*>(control) ? QPalette::ButtonText : QPalette::WindowText;
  QPalette palette = control->palette();
  palette.setColor(QPalette::Active, role, colour);
  palette.setColor(QPalette::Inactive, role, colour);
  control->setPalette(palette);
}

namespace {

// Ends a loop when the window it watches is hidden.
class HideWatcher : public QObject {
 public:
  HideWatcher(QWidget* w, QEventLoop* loop) : loop_(loop) { w->installEventFilter(this); }

 protected:
  bool eventFilter(QObject* watched, QEvent* event) override {
    if (event->type() == QEvent::Hide) loop_->quit();
    return QObject::eventFilter(watched, event);
  }

 private:
  QEventLoop* loop_;
};

}  // namespace

void WaitUntilHidden(QWidget* w) {
  if (w == nullptr || !w->isVisible()) return;
  QEventLoop loop;
  HideWatcher watcher(w, &loop);
  QObject::connect(w, &QObject::destroyed, &loop, &QEventLoop::quit);
  loop.exec();
}
