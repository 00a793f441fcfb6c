#include "run_keys.h"

#include <QCoreApplication>
#include <QEvent>

uint8_t RunKeys::SteppingKey(int key, QChar typed) {
  if (key == Qt::Key_Space || typed == QLatin1Char(' ')) return kSpaceKey;
  if (key == Qt::Key_Escape || typed == QChar(27)) return kEscKey;
  return 0;
}

void RunKeys::PressedInRun(uint8_t step) {
  down_ |= step;
  letGo_ &= static_cast<uint8_t>(~step);
}

// Key repeat comes either as presses without releases, or as a release and
// a press with the same time stamp, which the toolkit does not always flag
// as a repeat. A release is therefore kept with its time until the key's
// next press shows whether it was the first half of such a pair.
void RunKeys::Released(uint8_t step, bool autoRepeat, quint64 when) {
  if (step == 0 || !(down_ & step) || autoRepeat) return;
  down_ &= static_cast<uint8_t>(~step);
  letGo_ |= step;
  letGoAt_[step == kSpaceKey ? 0 : 1] = when;
}

// Presses that were waiting in the event queues when the run ended were
// made during the run too. None of these reaches the editor; a press after
// a real release is the editor's again.
bool RunKeys::OutlivesRun(uint8_t step, quint64 when) {
  const bool pairedRelease = (letGo_ & step) && when != 0 && letGoAt_[step == kSpaceKey ? 0 : 1] == when;
  letGo_ &= static_cast<uint8_t>(~step);
  if (endRounds_ > 0 || (down_ & step) || pairedRelease) {
    down_ |= step;
    return true;
  }
  return false;
}

// The key events already queued are delivered before a marker posted now
// has gone twice round the event loop (the window system's events and
// posted events take turns, in an order of their own).
void RunKeys::MarkRunEnd() {
  endRounds_ = 2;
  QCoreApplication::postEvent(this, new QEvent(RunEndMarkerType()));
}

QEvent::Type RunKeys::RunEndMarkerType() {
  static const auto type = static_cast<QEvent::Type>(QEvent::registerEventType());
  return type;
}

void RunKeys::customEvent(QEvent* event) {
  if (event->type() != RunEndMarkerType()) return QObject::customEvent(event);
  if (endRounds_ > 0 && --endRounds_ > 0) QCoreApplication::postEvent(this, new QEvent(RunEndMarkerType()));
}
