// A run's result as text (the output pane and the message line), as JSON.
#pragma once

#include <cstdint>
#include <string>
#include <string_view>

#include "engine.h"
#include "pipeline.h"

namespace tervo::batch {

// The header: the variable letters joined by "." (CNF) or "+" (DNF).
std::string HeaderText(const Engine& e);

// A row as the output pane shows it, without the trailing blank: per
// variable "x" when absent, else "1" or "0" for the shown polarity (the
// stored value in CNF, its inverse in DNF), separated by blanks.
std::string RowText(const Engine& e, uint16_t value, uint16_t mask);

// The header, the rows (when the run drew them) and the message line, each
// ending with a line break.
std::string TextReport(const Engine& e, const RunOutcome& run);

// The result as one JSON object: input form, variables, mode, reduce, the
// terms (value, mask and row text), the message, the error code, whether
// the verification held (null when it did not run), after a minimal cover
// search whether it is proved minimum and its lower bound, and the seconds.
std::string JsonReport(const Engine& e, const RunOutcome& run, std::string_view input);

}  // namespace tervo::batch
