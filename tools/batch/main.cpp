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
#include "pla_run.h"
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
                  - XOR, + OR, > implication; letters a..z are the same as
                  A..Z. Several words are joined; blanks, tabs and line
                  breaks carry no meaning. Any other character is refused
                  with its line and column (exit status 2), as the window's
                  editor would not let it in. At most 1200 non-blank
                  characters. Put "--" before a formula that starts
                  with "-".
  -f FILE         The formula from a file ("-" for standard input). With no
                  input at all the formula is read from standard input when
                  that is not a terminal.
  --table FILE    A typed table: the first line is the header (character j
                  is column j, a variable letter or a blank), then up to 100
                  term lines of "0", "1" and blanks, at most 15 columns.
                  Always a sum of products.
  --pla FILE      A PLA file: .i 1..15 inputs, .o outputs, optional .ilb and
                  .ob names, .p, .type, "#" comment lines, .e or .end. A row
                  is the inputs ("0", "1", "-" or "2" for either) and one
                  character per output; blanks and "|" may stand anywhere
                  in it. An output "1" (or "4") puts the row in the ON-set,
                  "-" (or "2") in the don't-care set, "0" in the OFF-set,
                  "~" (or "3") nowhere, as far as the type lists that set:
                  .type f the ON-set (the rest is 0), fd the ON-set and
                  don't-cares (the default), r the OFF-set (the rest is 1),
                  dr the OFF-set and don't-cares, fr and fdr both (the rest
                  is don't-care). A listed don't-care wins; a row listed
                  both 1 and 0 is refused. All outputs get one cover
                  together: a row serves every output marked in it and
                  counts once, and the search looks for as few rows as it
                  can find (then as few literals) for at most 10 s
                  (--minimal=SECONDS), ending sooner once it stops gaining.
                  The message line gives the rows, then ", minimum" when
                  proved, else ", at least N". --per-output reduces each
                  output on its own instead, one after the other, with the
                  window's reduction (or --minimal's search): its ON-set
                  and don't-cares together, then the terms that no ON row
                  needs are dropped; --trace and --no-reduce imply it.
                  Either way every output must cover each of its ON rows
                  and none of its OFF rows, and an output that is constant
                  is a result. Files of .type r or dr give a product of
                  sums unless --sop is given. Keywords such as .mv, .phase or .pair are refused.
                  (The window has no don't-cares: they exist only here.)
  --load NAME     A saved formula file, run with the input mode and options
                  stored in it. NAME "abc" opens "tervo42_abc".

Forms:
  --sop           Sum of products (the window's "CNF", the default): the
                  rows list where the function is 1; each row is the AND of
                  its literals, the function the OR of the rows.
  --pos, --dnf    Product of sums (the window's "DNF"): the rows list where
                  the function is 0, each shown with its literals (a
                  variable that is 1 there appears inverted); each row is
                  the OR of its literals, the function the AND of the rows.
  In a row "1" is the variable itself, "0" its inverse, "x" absent.

Output (--format):
  text            The header and rows as the output pane shows them, then
                  the message line, e.g. "OK: time = 0.016 secs". For a PLA
                  file with several outputs one table per output, each after
                  a line "output N: NAME".
  pla             The result as a PLA file with the input's names: .type f
                  (rows where each output is 1) for a sum of products,
                  .type r (rows where it is 0) for a product of sums.
  json            Variables, mode, "form" ("sum of products" or "product of
                  sums"), each term's value, mask, row and formula, the
                  message, "outcome" ("ok", "message", "verify error",
                  "interrupted"), whether the verification held, the exit
                  status and the seconds; for a PLA file one object per
                  output under "outputs", and "cover" ("shared", with
                  "rows", "minimum" and "lower_bound" of the whole, or
                  "per output"). value and mask give the row's
                  literals: bit v of mask is set when variable v+1 occurs,
                  bit v of value when it occurs as itself.
  Every write is checked: a full disk or a closed pipe ends the tool with a
  message and exit status 2.
  --minimal[=SECONDS] computes a cover with as few terms as it can find
  (then as few literals) in place of the reduction, for at most SECONDS
  (default 10), for a formula, a typed table, a saved file, the shared
  cover of a PLA file or, with --per-output, each of its outputs (whose
  don't-cares its terms may use; SECONDS is for the whole file). The
  search ends sooner when it stalls: when the time since it last found
  fewer terms or a higher bound exceeds the time it took to get there.
  The message line adds ", minimum" when the cover is proved to have the
  fewest terms, else ", at least N" with a proved lower bound; the PLA
  output carries the same as a comment line, the JSON output as "minimum"
  (true or false) and "lower_bound". Ctrl+C during the search keeps the best cover found so far
  (", stopped: best cover so far").
  --trace prints one line per comparison of the reduction: TT (two entries,
  i and j) or VT (the virtual term and entry k), the code and the action.
  The lines go to standard output with --format text, else to standard error.
  On a terminal a long reduction or search shows its progress on standard
  error (the output or phase, the terms so far and the bound), and Ctrl+C
  ends it (and the outputs still to come).

Limits:
  15 variables, 32768 truth-table rows, 100 typed terms, 1200 formula
  characters, 32768 PLA rows and 1024 outputs.

Saving:
  --save PATH writes the input, options and result as a formula file after
  the run. The file name gets the prefix "tervo42_" unless it has it; a "."
  in the name is refused ("NO EXTENSION ALLOWED IN FILE NAME"). An existing
  file is replaced only once the new one is complete. A PLA file can be
  saved when it is one sum of products of at most 100 rows without
  don't-cares.

Exit status:
  0  the run ended "OK: "
  1  it ended with a message such as "SYNTAX ERROR", "TAUTOLOGY" or
     "INCONSISTENT"
  2  usage, input and file errors, and failed writes
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

// Save a formula file after a run; 0, or the exit status of a failure.
int Save(Engine& e, const std::string& savePath) {
  std::filesystem::path written;
  const uint8_t code = SaveFormulaFile(e, savePath, &written);
  if (code == kOk) return 0;
  const std::string target = FormulaFilePath(std::filesystem::path(savePath).parent_path(),
                                             std::filesystem::path(savePath).filename().string())
                                 .string();
  return FileError(target, std::string(MessageTable[code]));
}

// Host for a run: trace lines to standard output beside text, else to
// standard error; progress only on a terminal and without a trace.
BatchHost MakeHost(Engine& e, bool trace, const std::string& format) {
  e.TraceScan = trace ? 1 : 0;
  // Shorter slices than the window's: Ctrl+C is answered and the progress
  // moves more often. The result does not depend on the slices.
  e.SliceBudget = kSliceSteps / 25;
  std::FILE* traceOut = trace ? (format == "text" ? stdout : stderr) : nullptr;
  return BatchHost(e, traceOut, !trace && ::isatty(STDERR_FILENO));
}

// Write a result to standard output; 0, or the exit status of a failure.
int WriteResult(std::string_view text) {
  CheckedOutput out(stdout);
  out.Write(text);
  if (out.Finish()) return 0;
  std::fprintf(stderr, "%s: standard output: %s; the result is not written whole\n", kProgram, out.Error().c_str());
  return kExitUsage;
}

// A PLA file: every output run on its own, the results written together.
// pos: 1 product of sums, 0 sum of products, -1 as the file's .type lists.
int RunPlaFile(Engine& e, const std::string& path, const std::string* savePath, int pos, const std::string& format,
               bool trace, CoverSearch* cover, double minimalSeconds, bool shared) {
  std::string text;
  if (auto err = ReadInput(path, text)) return FileError(path, *err);
  PlaFile file;
  if (auto err = ReadPlaFile(text, file)) return InputFileError(path, *err);
  std::vector<std::vector<RowState>> states;
  if (auto err = AllOutputStates(file, states)) return InputFileError(path, *err);
  const bool offList = !(file.sets & kListsOn);
  const bool reducePos = pos < 0 ? offList : pos == 1;
  if (savePath) {
    // A formula file keeps the function as a typed table: one output, the
    // ON-set, no don't-cares, at most 100 rows.
    PlaFunction one;
    if (auto err = ReadPla(text, one)) return InputFileError(path, {err->line, "--save: " + err->text});
    if (one.offSet || reducePos)
      return UsageError("--save: a formula file keeps a table only as a sum of products (the rows where the "
                        "function is 1)");
    if (!PlacePlaInTableGrid(e, one))
      return UsageError("--save: the PLA file has " + std::to_string(one.value.size()) +
                        " rows; the table of a formula file holds at most 100");
  }

  BatchHost host = MakeHost(e, trace, format);
  InstallInterruptHandler();
  const PlaRun run = shared ? RunSharedPla(e, host, file, states, reducePos, minimalSeconds)
                            : RunPla(e, host, file, states, reducePos, cover, minimalSeconds);
  host.Finish();

  std::string result;
  if (format == "json") {
    result = PlaJsonResult(e, file, run).dump(2) + "\n";
  } else if (format == "pla") {
    // An interrupted run writes no file: a part of one would pass for all.
    if (!run.interrupted) result = WritePlaResults(file, run);
    if (PlaExitStatus(run) != kExitOk)
      std::fprintf(stderr, "%s: %s\n", kProgram, run.interrupted ? kEndedMessage.data() : PlaMessage(run).c_str());
  } else {
    result = PlaTextReport(e, file, run);
  }
  if (const int status = WriteResult(result)) return status;
  if (run.interrupted) return kExitInterrupted;
  if (savePath)
    if (const int status = Save(e, *savePath)) return status;
  return PlaExitStatus(run);
}

int Run(int argc, char** argv) {
  CLI::App app{"Minimise a Boolean function of up to 15 variables with the tervo42 engine.", kProgram};
  app.footer(kFooter);
  app.set_version_flag("--version", "tervo42-batch 2.0");

  std::vector<std::string> formulaWords;
  std::string formulaFile, tableFile, plaFile, loadName, savePath, format = "text";
  bool dnf = false, sop = false, noReduce = false, trace = false, perOutput = false;
  std::string minimalText;

  app.add_option("formula", formulaWords, "The formula (see below)");
  auto* fileOpt = app.add_option("-f,--file", formulaFile, "Read the formula from FILE (\"-\" standard input)")
                      ->option_text("FILE");
  auto* tableOpt = app.add_option("--table", tableFile, "Run a typed table (always a sum of products)")->option_text("FILE");
  auto* plaOpt =
      app.add_option("--pla", plaFile, "Run a PLA file: one cover shared by all its outputs")->option_text("FILE");
  auto* perOutputOpt =
      app.add_flag("--per-output", perOutput, "PLA files: reduce each output on its own instead (the window's reduction)");
  auto* loadOpt = app.add_option("--load", loadName, "Run a saved formula file")->option_text("NAME");
  app.add_flag("--sop", sop,
                              "Sum of products: list where the function is 1 (the window's CNF, the default)");
  auto* posOpt = app.add_flag("--pos", dnf, "Product of sums: list where the function is 0 (the window's DNF)");
  app.add_flag("--dnf", dnf, "The same as --pos");
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

  if (sop && dnf) return UsageError(std::string("--sop and ") + (posOpt->count() ? "--pos" : "--dnf") + " exclude each other");

  // Exactly one input.
  const int given = (formulaWords.empty() ? 0 : 1) + static_cast<int>(fileOpt->count() > 0) +
                    static_cast<int>(tableOpt->count() > 0) + static_cast<int>(plaOpt->count() > 0) +
                    static_cast<int>(loadOpt->count() > 0);
  if (given > 1) return UsageError("give exactly one input: a formula, -f FILE, --table, --pla or --load");
  const bool fromStdin = given == 0;
  if (fromStdin && ::isatty(STDIN_FILENO))
    return UsageError("no input: give a formula, -f FILE, --table, --pla or --load");
  const char* const formName = posOpt->count() ? "--pos" : "--dnf";
  if (dnf && (tableOpt->count() || loadOpt->count()))
    return UsageError(std::string(formName) +
                      " applies to formula and PLA input only (a table is always a sum of products; a saved file's "
                      "options decide)");
  if (sop && loadOpt->count()) return UsageError("--sop does not apply to --load: the file's own options are used");
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
  if (perOutputOpt->count() && !plaOpt->count()) return UsageError("--per-output applies to --pla only");
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

  if (tableOpt->count()) {
    input = "table";
    std::string text;
    if (auto err = ReadInput(tableFile, text)) return FileError(tableFile, *err);
    if (auto err = PlaceTable(e, text)) return InputFileError(tableFile, *err);
    e.FormulaMode = 0;
  } else if (plaOpt->count()) {
    std::unique_ptr<CoverSearch> plaCover;
    if (minimalOpt->count()) plaCover = std::make_unique<CoverSearch>();
    // The shared cover unless asked for each output on its own, or for what
    // only the reduction has (its trace, or no reduction at all).
    const bool shared = !perOutput && !noReduce && !trace;
    return RunPlaFile(e, plaFile, saveOpt->count() ? &savePath : nullptr, sop ? 0 : dnf ? 1 : -1, format, trace,
                      plaCover.get(), minimalSeconds, shared);
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
    if (auto err = PlaceFormula(e, text)) {
      if (!formulaWords.empty()) return UsageError(err->text);
      return FileError(fromStdin || formulaFile == "-" ? "standard input" : formulaFile, err->text);
    }
    // A formula word that names a file was perhaps meant for -f.
    if (formulaWords.size() == 1 && std::filesystem::is_regular_file(formulaWords[0]))
      std::fprintf(stderr, "%s: note: \"%s\" is run as a formula; it is also a file, which -f would read\n",
                   kProgram, formulaWords[0].c_str());
    e.FormulaMode = 1;
    e.CnfMode = dnf ? 0 : 1;
  }

  const bool json = format == "json";
  const bool plaOut = format == "pla";
  BatchHost host = MakeHost(e, trace, format);
  InstallInterruptHandler();

  std::unique_ptr<CoverSearch> cover;
  if (minimalOpt->count()) cover = std::make_unique<CoverSearch>();
  GoStages stages;
  stages.cover = cover.get();
  stages.minimalSeconds = minimalSeconds;
  const RunOutcome run = RunGo(e, host, stages);
  host.Finish();

  std::string result;
  if (json) {
    result = JsonReport(e, run, input);
  } else if (plaOut) {
    if (run.drawn && run.code == kOk)
      result = (run.minimal ? "# minimal cover" + CoverOutcomeText(run.cover) + "\n" : std::string()) + WritePla(e);
    if (!run.verifyRan || !run.verified) std::fprintf(stderr, "%s: %s\n", kProgram, run.message.c_str());
  } else {
    result = TextReport(e, run);
  }
  if (const int status = WriteResult(result)) return status;

  if (run.ended) return kExitInterrupted;

  if (saveOpt->count())
    if (const int status = Save(e, savePath)) return status;

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
