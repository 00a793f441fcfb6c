// The help text as built into the program: one stored line per help line, in
// the pair code of help_code.h. The table is generated at build time from
// resources/help/help.txt by tervo_helpgen (tools/helpgen).
#pragma once

#include <span>
#include <string_view>

namespace tervo {

// Lines 25 * (p - 1) .. 25 * (p - 1) + 24 form page p: its title, then its
// text lines. Each line is decoded with DecodePairs when it is drawn.
std::span<const std::string_view> StoredHelpLines();

}  // namespace tervo
