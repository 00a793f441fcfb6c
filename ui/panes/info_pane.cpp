#include "info_pane.h"

#include <QFont>
#include <QFontMetrics>
#include <QPainter>

#include "pane_widgets.h"

namespace {
QFont PaneFont(int points) {
  QFont f(QStringLiteral("Courier New"));
  f.setStyleHint(QFont::TypeWriter);
  f.setPointSize(points);
  return f;
}
}  // namespace

InfoPane::InfoPane(QWidget* parent)
    : QWidget(parent),
      heading_(PaneFont(8)),
      body_(PaneFont(12)),
      headingMetrics_(heading_),
      bodyMetrics_(body_) {
  setFocusPolicy(Qt::NoFocus);
  setAttribute(Qt::WA_OpaquePaintEvent);
}

void InfoPane::setProvider(Provider provider) {
  provider_ = std::move(provider);
  update();
}

void InfoPane::ClearInfoPane() {
  blank_ = true;
  repaint();
  blank_ = false;
  shown_.clear();
}

void InfoPane::Redraw() { update(); }

void InfoPane::paintEvent(QPaintEvent*) {
  QPainter p(this);
  p.fillRect(rect(), kPaneColor);
  shown_ = blank_ || !provider_ ? std::vector<tervo::InfoText>{} : provider_();
  p.setPen(Qt::black);
  for (const tervo::InfoText& t : shown_) {
    const bool small = t.points == 8;
    const QFontMetrics& m = small ? headingMetrics_ : bodyMetrics_;
    p.setFont(small ? heading_ : body_);
    const QString text = QString::fromLatin1(t.text.data(), static_cast<qsizetype>(t.text.size()));
    const int x = t.alignRight ? t.x - m.horizontalAdvance(text) : t.x;
    p.drawText(x, t.y + m.ascent(), text);
  }
}
