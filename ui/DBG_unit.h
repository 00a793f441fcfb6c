// Timing of the reduction: a monotonic high-resolution counter, its rate,
// and the seconds text of the result line.
#pragma once

#include <QString>
#include <cstdint>

namespace tervo {

// Counter ticks per microsecond; set by CalibrateCounter.
extern double TicksPerMicrosecond;

// The current counter reading (monotonic, never goes back).
void ReadCycleCounter(int64_t& ticks);

// Sets TicksPerMicrosecond. The counter's rate is known in advance, so this
// takes no time.
void CalibrateCounter();

// A tick difference in microseconds.
double TicksToMicroseconds(int64_t ticks);

// Seconds as "0.###": at least one digit before the separator, at most three
// after it, trailing zeros and a bare separator dropped.
QString FormatSeconds(double seconds, const QString& decimalPoint);

}  // namespace tervo
