#include "DBG_unit.h"

#include <chrono>
#include <cmath>
#include <cstdio>

namespace tervo {

namespace {
using Clock = std::chrono::steady_clock;

// One tick of the clock lasts num/den seconds.
double ClockRate() {
  return static_cast<double>(Clock::period::den) / (static_cast<double>(Clock::period::num) * 1e6);
}
}  // namespace

double TicksPerMicrosecond = ClockRate();

void ReadCycleCounter(int64_t& ticks) { ticks = Clock::now().time_since_epoch().count(); }

void CalibrateCounter() { TicksPerMicrosecond = ClockRate(); }

double TicksToMicroseconds(int64_t ticks) { return static_cast<double>(ticks) / TicksPerMicrosecond; }

QString FormatSeconds(double seconds, const QString& decimalPoint) {
  if (!std::isfinite(seconds) || seconds < 0) seconds = 0;
  char buf[64];
  std::snprintf(buf, sizeof buf, "%.3f", seconds);
  QString text = QString::fromLatin1(buf);
  while (text.endsWith(QLatin1Char('0'))) text.chop(1);
  if (text.endsWith(QLatin1Char('.'))) text.chop(1);
  text.replace(QLatin1Char('.'), decimalPoint);
  return text;
}

}  // namespace tervo
