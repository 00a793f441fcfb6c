// Helpers shared by the tests of tervo42-batch's parts.
#pragma once

#include <gtest/gtest.h>

#include <optional>
#include <string>
#include <string_view>

#include "pla.h"

namespace tervo::batch::test {

// One case of a table of refusals: `err` is a refusal on `line` (0: one
// that names no line) whose text holds `words`; `what` names the case when
// a check fails.
inline void ExpectRefusal(const std::optional<InputError>& err, int line, std::string_view words,
                          std::string_view what) {
  ASSERT_TRUE(err) << what;
  EXPECT_EQ(err->line, line) << what;
  EXPECT_NE(err->text.find(words), std::string::npos) << err->text;
}

}  // namespace tervo::batch::test
