// tervo42-batch: the engine without the window. Takes one function (a
// formula, a typed table, a PLA file or a saved formula file), runs the
// stages a GO press runs, and writes the result as text, PLA or JSON.

#include <unistd.h>

#include <CLI/CLI.hpp>
#include <cerrno>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <filesystem>
#include <iostream>
#include <memory>
#include <optional>
#include <string>
#include <vector>

#include "engine.h"
#include "formula_file.h"
#include "inputs.h"
#include "minimal_cover.h"
#include "pla.h"
#include "report.h"
#include "run.h"

namespace {

using namespace tervo;
using namespace tervo::batch;

constexpr const char* kProgram = "tervo42-batch";

// Inputs larger than this are no function of 15 variables.
constexpr std::size_t kMaxInputBytes = 64u << 20;

const char* const kFooter = R"(
Inputs (give exactly one):
  FORMULA         A formula over A..Z: ( ) priority, / NOT, . AND, = equal,
                  - XOR, + OR, > implication. Several words are joined;
                  blanks and line breaks carry no meaning. At most 1200
                  non-blank characters. Put "--" before a formula that
                  starts with "-".
  -f FILE         The formula from a file ("-" for standard input). With no
                  input at all the formula is read from standard input when
                  that is not a terminal.
  --table FILE    A typed table: the first line is the header (character j
                  is column j, a variable letter or a blank), then up to 100
                  term lines of "0", "1" and blanks, at most 15 columns.
                  Always CNF.
  --pla FILE      A single-output PLA file: .i 1..15, .o 1, optional .ilb,
                  .ob, .p and .type, comment lines starting with "#". With
                  .type f (the default) the rows with output 1 are where the
                  function is 1 (CNF); with .type r the rows with output 0
                  are where it is 0 (DNF). Letters come from .ilb when they
                  are distinct single letters, else A, B, C... Several
                  outputs, more than 15 inputs, don't-care rows and bad
                  characters are refused with the line number.
  --load NAME     A saved formula file, run with the input mode and options
                  stored in it. NAME "abc" opens "tervo42_abc".

Output (--format):
  text            The header and rows as the output pane shows them, then
                  the message line, e.g. "OK: time = 0.016 secs".
  pla             The result as a PLA file: .type f (rows where the function
                  is 1) for CNF, .type r (rows where it is 0) for DNF.
  json            Variables, mode, each term's value, mask and row, the
                  message, whether the verification held, and the seconds.
  --minimal[=SECONDS] computes a cover with as few terms as it can find
  (then as few literals) in place of the reduction, for at most SECONDS
  (default 10). The message line adds ", minimum" when the cover is proved
  to have the fewest terms, else ", at least N" with a proved lower bound;
  the PLA output carries the same as a comment line, the JSON output as
  "minimum" (true or false) and "lower_bound". Ctrl+C during the search
  keeps the best cover found so far (", stopped: best cover so far").
  --trace prints one line per comparison of the reduction: TT (two entries,
  i and j) or VT (the virtual term and entry k), the code and the action.
  The lines go to standard output with --format text, else to standard error.
  On a terminal a long reduction shows its progress on standard error, and
  Ctrl+C ends it.

Saving:
  --save PATH writes the input, options and result as a formula file after
  the run. The file name gets the prefix "tervo42_" unless it has it; a "."
  in the name is refused ("NO EXTENSION ALLOWED IN FILE NAME"). An existing
  file is replaced only once the new one is complete.

Exit status:
  0  the run ended "OK: "
  1  it ended with a message such as "SYNTAX ERROR", "TAUTOLOGY" or
     "INCONSISTENT"
  2  usage and file errors
  3  the result failed its verification ("TT Verify ERROR: ")
  130 ended by Ctrl+C ("process terminated")
)";

int UsageError(const std::string& text) {
  std::fprintf(stderr, "%s: %s\n", kProgram, text.c_str());
  std::fprintf(stderr, "Try '%s --help' for more information.\n", kProgram);
  return kExitUsage;
}

int FileError(const std::string& path, const std::string& text) {
  std::fprintf(stderr, "%s: %s: %s\n", kProgram, path.c_str(), text.c_str());
  return kExitUsage;
}

// Read a whole file ("-" for standard input); an error text on failure.
std::optional<std::string> ReadInput(const std::string& path, std::string& out) {
  std::FILE* f = path == "-" ? stdin : std::fopen(path.c_str(), "rb");
  if (!f) return std::string(std::strerror(errno));
  out.clear();
  char buf[65536];
  std::size_t n;
  while ((n = std::fread(buf, 1, sizeof buf, f)) > 0) {
    out.append(buf, n);
    if (out.size() > kMaxInputBytes) {
      if (f != stdin) std::fclose(f);
      return std::string("the input is larger than 64 MiB");
    }
  }
  const bool failed = std::ferror(f) != 0;
  const int err = errno;
  if (f != stdin) std::fclose(f);
  if (failed) return std::string(err ? std::strerror(err) : "read error");
  return std::nullopt;
}

// A refused input file, with the line at fault when there is one.
int InputFileError(const std::string& path, const InputError& err) {
  const std::string where = err.line > 0 ? path + ":" + std::to_string(err.line) : path;
  return FileError(where, err.text);
}

int Run(int argc, char** argv) {
  CLI::App app{"Minimise a Boolean function of up to 15 variables with the tervo42 engine.", kProgram};
  app.footer(kFooter);
  app.set_version_flag("--version", "tervo42-batch 2.0");

  std::vector<std::string> formulaWords;
  std::string formulaFile, tableFile, plaFile, loadName, savePath, format = "text";
  bool dnf = false, noReduce = false, trace = false;
  std::string minimalText;

  app.add_option("formula", formulaWords, "The formula (see below)");
  auto* fileOpt = app.add_option("-f,--file", formulaFile, "Read the formula from FILE (\"-\" standard input)")
                      ->option_text("FILE");
  auto* tableOpt = app.add_option("--table", tableFile, "Run a typed table (always CNF)")->option_text("FILE");
  auto* plaOpt = app.add_option("--pla", plaFile, "Run a single-output PLA file")->option_text("FILE");
  auto* loadOpt = app.add_option("--load", loadName, "Run a saved formula file")->option_text("NAME");
  app.add_flag("--dnf", dnf, "DNF: list where the function is 0 (formula input)");
  app.add_flag("--no-reduce", noReduce, "Do not reduce the truth table");
  auto* saveOpt = app.add_option("--save", savePath, "Save a formula file after the run")->option_text("PATH");
  auto* minimalOpt = app.add_flag("--minimal", minimalText,
                                  "A minimal cover in place of the reduction, searching at most SECONDS (default 10)")
                         ->option_text("[=SECONDS]");
  app.add_flag("--trace", trace, "One line per comparison of the reduction");
  app.add_option("--format", format, "Output form: text, pla or json")
      ->check(CLI::IsMember({"text", "pla", "json"}))
      ->option_text("text|pla|json");

  try {
    app.parse(argc, argv);
  } catch (const CLI::ParseError& e) {
    if (e.get_exit_code() == 0) return app.exit(e);  // --help, --version
    return UsageError(e.what());
  }

  // Exactly one input.
  const int given = (formulaWords.empty() ? 0 : 1) + static_cast<int>(fileOpt->count() > 0) +
                    static_cast<int>(tableOpt->count() > 0) + static_cast<int>(plaOpt->count() > 0) +
                    static_cast<int>(loadOpt->count() > 0);
  if (given > 1) return UsageError("give exactly one input: a formula, -f FILE, --table, --pla or --load");
  const bool fromStdin = given == 0;
  if (fromStdin && ::isatty(STDIN_FILENO))
    return UsageError("no input: give a formula, -f FILE, --table, --pla or --load");
  if (dnf && (tableOpt->count() || plaOpt->count() || loadOpt->count()))
    return UsageError("--dnf applies to formula input only (a table is always CNF; a PLA file's .type and a saved "
                      "file's options decide)");
  if (noReduce && loadOpt->count())
    return UsageError("--no-reduce does not apply to --load: the file's own options are used");
  double minimalSeconds = kMinimalSeconds;
  if (minimalOpt->count() && minimalText != "true") {  // "true": given without a value
    char* end = nullptr;
    minimalSeconds = std::strtod(minimalText.c_str(), &end);
    if (minimalText.empty() || *end != '\0' || !(minimalSeconds >= 0 && minimalSeconds <= 1e6))
      return UsageError("--minimal=SECONDS takes a number of seconds from 0 to 1000000, not \"" + minimalText + "\"");
  }
  if (minimalOpt->count()) {
    if (noReduce) return UsageError("--minimal takes the reduction's place and does not combine with --no-reduce");
    if (trace) return UsageError("--minimal does not combine with --trace: the trace shows the reduction's comparisons");
  }
  if (saveOpt->count()) {
    const std::string name = std::filesystem::path(savePath).filename().string();
    if (name.empty()) return UsageError("--save needs a file name: " + savePath);
    if (HasExtension(name)) return FileError(savePath, std::string(MessageTable[kNoExtension]));
  }

  auto engine = std::make_unique<Engine>();
  Engine& e = *engine;
  e.CnfMode = 1;
  e.ReduceOn = noReduce ? 0 : 1;
  std::string input = "formula";
  std::function<void(Engine&)> tableStage;
  std::function<bool(Engine&)> verify;
  PlaFunction pla;
  std::vector<uint8_t> listed;

  if (tableOpt->count()) {
    input = "table";
    std::string text;
    if (auto err = ReadInput(tableFile, text)) return FileError(tableFile, *err);
    if (auto err = PlaceTable(e, text)) return InputFileError(tableFile, *err);
    e.FormulaMode = 0;
  } else if (plaOpt->count()) {
    input = "pla";
    std::string text;
    if (auto err = ReadInput(plaFile, text)) return FileError(plaFile, *err);
    if (auto err = ReadPla(text, pla)) return InputFileError(plaFile, *err);
    if (saveOpt->count() && pla.offSet)
      return UsageError("--save: a formula file keeps a table only in CNF, and this PLA file lists the rows where "
                        "the function is 0 (.type r)");
    if (!PlacePlaInTableGrid(e, pla) && saveOpt->count())
      return UsageError("--save: the PLA file has " + std::to_string(pla.value.size()) +
                        " rows; the table of a formula file holds at most 100");
    e.FormulaMode = 0;
    e.CnfMode = pla.offSet ? 0 : 1;
    listed = ListedAssignments(pla);
    tableStage = [&](Engine& en) { LoadPlaFunction(en, pla, listed); };
    verify = [&](Engine& en) { return VerifyAgainstListed(en, listed); };
  } else if (loadOpt->count()) {
    input = "load";
    std::filesystem::path opened;
    const uint8_t code = LoadFormulaFile(e, loadName, &opened);
    if (code != kOk) return FileError(opened.string(), std::string(MessageTable[code]));
  } else {
    std::string text;
    if (!formulaWords.empty()) {
      for (std::size_t i = 0; i < formulaWords.size(); ++i) text += (i ? " " : "") + formulaWords[i];
    } else {
      const std::string source = fromStdin ? "-" : formulaFile;
      if (auto err = ReadInput(source, text)) return FileError(source == "-" ? "standard input" : source, *err);
    }
    if (auto err = PlaceFormula(e, text)) return UsageError(err->text);
    e.FormulaMode = 1;
    e.CnfMode = dnf ? 0 : 1;
  }

  const bool json = format == "json";
  const bool plaOut = format == "pla";
  e.TraceScan = trace ? 1 : 0;
  // Shorter slices than the window's: Ctrl+C is answered and the progress
  // moves more often. The result does not depend on the slices.
  e.SliceBudget = kSliceSteps / 25;
  std::FILE* traceOut = trace ? (format == "text" ? stdout : stderr) : nullptr;
  BatchHost host(e, traceOut, !trace && ::isatty(STDERR_FILENO));
  InstallInterruptHandler();

  std::unique_ptr<CoverSearch> cover;
  if (minimalOpt->count()) cover = std::make_unique<CoverSearch>();
  const RunOutcome run = RunGo(e, host, GoStages{tableStage, verify, cover.get(), minimalSeconds});
  host.Finish();
  std::fflush(stdout);

  if (json) {
    std::fputs(JsonReport(e, run, input).c_str(), stdout);
  } else if (plaOut) {
    if (run.drawn && run.code == kOk) {
      if (run.minimal) std::fputs(("# minimal cover" + CoverOutcomeText(run.cover) + "\n").c_str(), stdout);
      std::fputs(WritePla(e).c_str(), stdout);
    }
    if (!run.verifyRan || !run.verified) std::fprintf(stderr, "%s: %s\n", kProgram, run.message.c_str());
  } else {
    std::fputs(TextReport(e, run).c_str(), stdout);
  }
  std::fflush(stdout);

  if (run.ended) return kExitInterrupted;

  if (saveOpt->count()) {
    std::filesystem::path written;
    const uint8_t code = SaveFormulaFile(e, savePath, &written);
    if (code != kOk) {
      const std::string target = FormulaFilePath(std::filesystem::path(savePath).parent_path(),
                                                 std::filesystem::path(savePath).filename().string())
                                     .string();
      return FileError(target, std::string(MessageTable[code]));
    }
  }

  return ExitStatus(run);
}

}  // namespace

int main(int argc, char** argv) {
  try {
    return Run(argc, argv);
  } catch (const std::exception& ex) {
    std::fprintf(stderr, "%s: %s\n", kProgram, ex.what());
    return kExitUsage;
  }
}
