// The stepping keys, Space and ESC, as far as they belong to a run. A key
// pressed during a run is the run's until it is let go: held down, its key
// repeat goes on after the last stop, and presses still waiting in the
// event queues when the run ended were made during the run too. None of
// these may reach the editor of the idle window.
#pragma once

#include <QChar>
#include <QEvent>
#include <QObject>
#include <cstdint>

class RunKeys : public QObject {
 public:
  // The stepping keys, as bits; 0 for any other key.
  static constexpr uint8_t kSpaceKey = 1, kEscKey = 2;
  static uint8_t SteppingKey(int key, QChar typed);

  // A stepping key (or 0) pressed during a run.
  void PressedInRun(uint8_t step);
  // A stepping key (or 0) went up.
  void Released(uint8_t step, bool autoRepeat, quint64 when);
  // True when an idle window's press of a stepping key still belongs to the run.
  bool OutlivesRun(uint8_t step, quint64 when);
  // The run has ended: what is queued until now was pressed during it.
  void MarkRunEnd();

 protected:
  void customEvent(QEvent* event) override;

 private:
  static QEvent::Type RunEndMarkerType();

  uint8_t down_ = 0;              // pressed during a run, not yet released
  uint8_t letGo_ = 0;             // ... released since, perhaps as half of a repeat
  quint64 letGoAt_[2] = {0, 0};   // the time stamps of those releases: Space, ESC
  int endRounds_ = 0;             // rounds of the run's end marker still to go
};
