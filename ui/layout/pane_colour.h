// The light yellow background of the main window's input, output and info
// panes and of the help window's page area, as 0xRRGGBB.
#pragma once

#include <cstdint>

namespace tervo {

inline constexpr uint32_t kPaneRgb = 0xFFFFE0;

}  // namespace tervo
