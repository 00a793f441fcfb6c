#include "DBG_unit.h"

#include <QFont>
#include <QFontMetrics>
#include <QPainter>
#include <chrono>

#include "pane_colour.h"
#include "pipeline.h"

namespace {
QFont PaneFont(int points) {
  QFont f(QStringLiteral("Courier New"));
  f.setStyleHint(QFont::TypeWriter);
  f.setPointSize(points);
  return f;
}
}  // namespace

// ---------------------------------------------------------------- timing

void DebugStartUp() { tervo::CalibrateCounter(); }

double SteadySeconds() {
  return std::chrono::duration<double>(std::chrono::steady_clock::now().time_since_epoch()).count();
}

// ---------------------------------------------------------------- what the pane shows

void TracePanel::RunStateChanged(uint8_t from, uint8_t to) {
  if (from == tervo::kRunTranslating || to == tervo::kRunTranslating) shown_ = 0;
}

void TracePanel::SnapshotPostfix(const tervo::Engine& e) { tervo::SnapshotPostfix(e, postfix_); }

std::vector<tervo::InfoText> TracePanel::Texts(const tervo::Engine& e) const {
  std::vector<tervo::InfoText> texts;
  if (e.RunState == tervo::kRunTranslating) {
    if (shown_ & kInfoPostfix) tervo::AddPostfixTable(texts, postfix_);
    if (shown_ & kInfoVariables) tervo::AddVariableTable(texts, e);
    if (shown_ & kInfoDirectors) tervo::AddDirectorTable(texts, e);
  } else if (e.RunState == tervo::kRunReducing && step_) {
    texts = tervo::TraceStepTexts(e, *step_);
  } else if (e.RunState == tervo::kRunReducing && !e.TraceScan) {
    texts = progress_.Texts();
  }
  return texts;
}

// ---------------------------------------------------------------- the info pane

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
  p.fillRect(rect(), QColor(QRgb{tervo::kPaneRgb}));  // the panes' background
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
