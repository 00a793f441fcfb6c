// Why the tool ends without the result it was asked for, or with a result
// and a fault after it: a usage error, a refused input, a file it cannot
// read or save, a write that fails, too little memory. Each failure is a
// line on standard error and, with --format json, one JSON object on
// standard output, so that a reader of the JSON learns every outcome.
#pragma once

#include <string>
#include <string_view>

#include <nlohmann/json.hpp>

#include "formula_file.h"
#include "pla.h"
#include "run.h"

namespace tervo::batch {

inline constexpr std::string_view kProgramName = "tervo42-batch";

struct Failure {
  std::string kind;     // "usage", "input", "file", "save", "output", "memory" or "internal"
  std::string message;  // what went wrong, without the place
  std::string where;    // the place as standard error names it before the message ("f.pla:3"), or empty
  std::string file;     // the file at fault, empty when none
  int line = 0;         // its 1-based line at fault, 0 when none
  int column = 0;       // the 1-based column in that line, 0 when not known
  int status = kExitUsage;
  bool hint = false;    // a pointer to --help follows the message
};

// A command line that cannot run (with the pointer to --help).
Failure UsageFailure(std::string text);
// A formula given as words that is refused where err says: an input
// error, with the pointer to --help of a usage error.
Failure UsageFailure(const InputError& err);
// A file that cannot be read, loaded or saved; kind "file" or "save".
Failure FileFailure(std::string path, std::string text, std::string kind = "file");
// A file refused for what it holds, at err's line and column.
Failure InputFailure(std::string path, const InputError& err);
// A formula read from a file or standard input ("-"), refused where err
// says; its text names the line and column itself.
Failure FormulaFailure(std::string source, const InputError& err);
// The machine has too little memory for the run.
Failure MemoryFailure();

// The message of a failed save or load: the engine's message for code,
// then its cause when there is one ("FILE I/O ERROR: No space left on
// device").
std::string FileMessage(uint8_t code, const FileCause& cause);

// The lines on standard error: "tervo42-batch: WHERE: MESSAGE", then the
// pointer to --help for a usage error.
std::string FailureText(const Failure& f);

// The failure as one JSON object: "outcome" "error", "error" the kind, the
// message, file, line and column (null when not known) and the exit status.
nlohmann::ordered_json FailureJson(const Failure& f);

// A run's JSON result after a failure that followed the run (its save, its
// trace): outcome, message and exit status become the failure's, which are
// the process's; the run's own message stays as "run_message", and the
// failure's kind, file, line and column are added.
void MarkFailed(nlohmann::ordered_json& result, const Failure& f);

// Report a failure: FailureText on standard error and, when json, its
// object on standard output. Returns its exit status.
int ReportFailure(const Failure& f, bool json);

}  // namespace tervo::batch
