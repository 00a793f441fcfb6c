// A run's result as text (the output pane and the message line), as JSON;
// and the checked writing of it.
#pragma once

#include <cstdint>
#include <cstdio>
#include <string>
#include <string_view>

#include <nlohmann/json.hpp>

#include "engine.h"
#include "pipeline.h"

namespace tervo::batch {

// The header: the variable letters joined by "." (CNF) or "+" (DNF).
std::string HeaderText(const Engine& e);

// A row as the output pane shows it, without the trailing blank: per
// variable "x" when absent, else "1" or "0" for the shown polarity (the
// stored value in CNF, its inverse in DNF), separated by blanks.
std::string RowText(const Engine& e, uint16_t value, uint16_t mask);

// The result's form in textbook words: "sum of products" when the rows
// list where the function is 1 (the window's CNF), "product of sums" when
// they list where it is 0 (DNF).
std::string_view FormName(const Engine& e);

// A term in the formula language: the AND of its literals in a sum of
// products ("A./C", "1" for a term with no variable), the OR of its
// literals in a product of sums ("/A+C", "0" for none).
std::string TermFormula(const Engine& e, uint16_t value, uint16_t mask);

// The header, the rows (when the run drew them) and the message line, each
// ending with a line break.
std::string TextReport(const Engine& e, const RunOutcome& run);

// A term as JSON (value and mask as the truth table stores them): "row" is the output pane's row, and "value" and
// "mask" carry the same literals: bit v of mask is set when variable v+1
// occurs, bit v of value when it occurs as itself (not inverted), in both
// forms. "formula" is TermFormula.
nlohmann::ordered_json JsonTerm(const Engine& e, uint16_t value, uint16_t mask);

// How a run ended, as JSON: the message, the outcome ("ok", "message",
// "verify error" or "interrupted"), the error code (null when the run was
// interrupted), whether the verification held (null when it did not run),
// the exit status and the seconds of the reduction.
void JsonOutcome(const RunOutcome& run, nlohmann::ordered_json& j);

// The outcome names above for an exit status.
std::string_view OutcomeName(int exitStatus);

// The result as one JSON object: input form, variables, mode and form,
// reduce, the terms, the message, the outcome ("ok", "message",
// "verify error" or "interrupted"), the error code (null when the run was
// interrupted), whether the verification held (null when it did not run),
// the exit status and the seconds.
nlohmann::ordered_json JsonResult(const Engine& e, const RunOutcome& run, std::string_view input);

// JsonResult as text, indented, ending with a line break.
std::string JsonReport(const Engine& e, const RunOutcome& run, std::string_view input);

// A JSON object as text, indented, ending with a line break. A byte of a
// name that is not UTF-8 (a PLA file may hold any) becomes U+FFFD.
std::string JsonText(const nlohmann::ordered_json& j);

// Writing that remembers its first failure: a full disk, a closed pipe
// (with SIGPIPE ignored), any write error of the stream.
class CheckedOutput {
 public:
  explicit CheckedOutput(std::FILE* f) : f_(f) {}
  void Write(std::string_view text);
  // Flush the stream; false when any write since the start failed.
  bool Finish();
  // The reason of the first failure ("No space left on device").
  const std::string& Error() const { return error_; }

 private:
  void Fail(int err);
  std::FILE* f_;
  std::string error_;
};

}  // namespace tervo::batch
