#include "info_pane.h"

#include <QFont>
#include <QFontMetrics>
#include <QPainter>

InfoPane::InfoPane(QWidget* parent) : QWidget(parent) {
  setFocusPolicy(Qt::NoFocus);
  setAttribute(Qt::WA_OpaquePaintEvent);
}

void InfoPane::setProvider(Provider provider) {
  provider_ = std::move(provider);
  update();
}

void InfoPane::ClearInfoPane() {
  blank_ = true;
  shown_.clear();
  update();
}

void InfoPane::Redraw() {
  blank_ = false;
  update();
}

void InfoPane::paintEvent(QPaintEvent*) {
  QPainter p(this);
  p.fillRect(rect(), QColor(255, 255, 224));
  if (blank_) {
    blank_ = false;
    shown_.clear();
    return;
  }
  shown_ = provider_ ? provider_() : std::vector<tervo::InfoText>{};
  p.setPen(Qt::black);
  QFont heading(QStringLiteral("Courier New"));
  heading.setStyleHint(QFont::TypeWriter);
  heading.setPointSize(8);
  QFont body = heading;
  body.setPointSize(12);
  const QFontMetrics headingMetrics(heading), bodyMetrics(body);
  for (const tervo::InfoText& t : shown_) {
    const bool small = t.points == 8;
    const QFontMetrics& m = small ? headingMetrics : bodyMetrics;
    p.setFont(small ? heading : body);
    const QString text = QString::fromLatin1(t.text.data(), static_cast<qsizetype>(t.text.size()));
    const int x = t.alignRight ? t.x - m.horizontalAdvance(text) : t.x;
    p.drawText(x, t.y + m.ascent(), text);
  }
}
