// Helpers shared by the tests of tervo42-batch's parts.
#pragma once

#include <gtest/gtest.h>

#include <optional>
#include <string>
#include <string_view>
#include <vector>
#include <algorithm>

#include "engine.h"
#include "function_load.h"
#include "logic_unit.h"
#include "pla.h"
#include "xlate_unit.h"

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

// The assignments that the rows of f cover, one byte per assignment (bit c
// of an assignment is the value of input column c).
inline std::vector<uint8_t> ListedAssignments(const PlaFunction& f) {
  std::vector<uint8_t> listed(std::size_t{1} << f.inputs, 0);
  for (std::size_t t = 0; t < f.value.size(); ++t)
    ForEachAssignment(f.inputs, f.value[t], f.mask[t], [&](uint16_t a) { listed[a] = 1; });
  return listed;
}

// The stage that takes a PLA function instead of the table reader: its
// letters and rows go into the engine (the form as the engine has it). A
// function that is 1 everywhere sets kTautology and one that is 0
// everywhere sets kInconsistent, as the evaluation of a formula does.
inline void LoadPlaFunction(Engine& e, const PlaFunction& f, const std::vector<uint8_t>& listed) {
  LoadFunction(e, f.letters, e.CnfMode != 0, f.value, f.mask);
  const auto many = std::count(listed.begin(), listed.end(), 1);
  const bool everywhereOne = f.offSet ? many == 0 : many == static_cast<long>(listed.size());
  const bool everywhereZero = f.offSet ? many == static_cast<long>(listed.size()) : many == 0;
  if (everywhereOne)
    e.ErrorCode = kTautology;
  else if (everywhereZero)
    e.ErrorCode = kInconsistent;
}

// True when the TruthTable covers exactly the listed assignments.
inline bool VerifyAgainstListed(Engine& e, const std::vector<uint8_t>& listed) {
  e.FullMask = LowMask(e.VariableCount);
  for (uint32_t a = 0; a <= e.FullMask; ++a)
    if ((listed[a] != 0) != IsCovered(e, static_cast<uint16_t>(a))) return false;
  return true;
}

}  // namespace tervo::batch::test
