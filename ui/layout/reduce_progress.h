// What the info pane shows while a reduction runs with both traces off: the
// pass, the entries left and the seconds so far, and after a few seconds a
// line on the "minimal" box. The window feeds it between two slices of the
// reduction; it takes new figures at most a few times a second.
#pragma once

#include <cstdint>
#include <vector>

#include "engine.h"
#include "trace_layout.h"

namespace tervo {

inline constexpr double kProgressEvery = 0.25;    // seconds between two new sets of figures
inline constexpr double kMinimalHintAfter = 3.0;  // seconds of reduction before the "minimal" line

class ReduceProgress {
 public:
  // A reduction starts at `now` (seconds on any steady clock).
  void Start(const Engine& e, double now);
  // The reduction is over; Texts() is empty from now on.
  void Stop() { active_ = false; }
  bool Active() const { return active_; }

  // Between two slices: true when the figures were taken anew (the pane
  // should be drawn again), false when the last ones are recent enough.
  bool Update(const Engine& e, double now);

  // The pane's texts for the figures last taken.
  std::vector<InfoText> Texts() const;

  uint32_t Pass() const { return pass_; }
  unsigned EntriesLeft() const { return left_; }
  double Seconds() const { return seconds_; }

 private:
  bool active_ = false;
  uint32_t passBefore_ = 0;  // the engine's PassCount when the reduction started
  double start_ = 0;
  double taken_ = 0;  // when the figures were taken
  uint32_t pass_ = 0;
  unsigned left_ = 0;
  double seconds_ = 0;
};

}  // namespace tervo
