#include "reduce_progress.h"

#include <string>

namespace tervo {

namespace {
// Entries not deleted: a deleted entry keeps its place, with mask 0, until
// the next pass compacts the table.
unsigned LiveEntries(const Engine& e) {
  unsigned n = 0;
  for (unsigned t = 1; t <= e.TermCount; ++t) n += e.TermMask[t] != 0;
  return n;
}
}  // namespace

void ReduceProgress::Start(const Engine& e, double now) {
  active_ = true;
  start_ = now;
  taken_ = now;
  atStart_ = e.TermCount;
  left_ = e.TermCount;
  seconds_ = 0;
}

bool ReduceProgress::Update(const Engine& e, double now) {
  if (!active_ || now - taken_ < kProgressEvery) return false;
  taken_ = now;
  left_ = LiveEntries(e);
  seconds_ = now - start_;
  return true;
}

std::vector<InfoText> ReduceProgress::Texts() const {
  std::vector<InfoText> out;
  if (!active_) return out;
  auto line = [&](int y, const char* label, unsigned number) {
    out.push_back({5, y, 12, label, false});
    out.push_back({250, y, 12, std::to_string(number), true});
  };
  out.push_back({10, 5, 8, "reducing the truth table", false});
  line(30, "terms at start", atStart_);
  line(50, "terms left", left_);
  line(70, "seconds", static_cast<unsigned>(seconds_));
  if (seconds_ >= kMinimalHintAfter) {
    out.push_back({5, 110, 12, "tick \"minimal\" for a minimal cover,", false});
    out.push_back({5, 130, 12, "usually in well under a second", false});
  }
  return out;
}

}  // namespace tervo
