// What the info pane shows while a reduction runs with both traces off: the
// terms the reduction started with, the terms left and the seconds so far,
// and after a few seconds a line on the "minimal" box. The window feeds it between two slices of the
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

  unsigned TermsAtStart() const { return atStart_; }
  unsigned TermsLeft() const { return left_; }
  double Seconds() const { return seconds_; }

 private:
  bool active_ = false;
  double start_ = 0;
  double taken_ = 0;  // when the figures were taken
  unsigned atStart_ = 0;  // terms of the table the reduction started on
  unsigned left_ = 0;     // terms not deleted yet
  double seconds_ = 0;
};

}  // namespace tervo
