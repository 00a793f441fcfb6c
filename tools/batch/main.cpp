// tervo42-batch: the engine without the window. Takes one function (a
// formula, a typed table, a PLA file or a saved formula file), runs the
// stages a GO press runs, and writes the result as text, PLA or JSON.

#include <unistd.h>

#include <CLI/CLI.hpp>
#include <cctype>
#include <cerrno>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <filesystem>
#include <iostream>
#include <memory>
#include <optional>
#include <sstream>
#include <string>
#include <vector>

#include "engine.h"
#include "failure.h"
#include "export_formats.h"
#include "export_report.h"
#include "formula_file.h"
#include "inputs.h"
#include "minimal_cover.h"
#include "options.h"
#include "pla.h"
#include "pla_run.h"
#include "pla_wide.h"
#include "report.h"
#include "run.h"

namespace {

using namespace tervo;
using namespace tervo::batch;

const char* const kProgram = kProgramName.data();

// Inputs larger than this are no function of 15 variables.
constexpr std::size_t kMaxInputBytes = 64u << 20;

// Report a failure as the output form asked for: with JSON, standard
// output gets its object too.
int Fail(const Options& o, const Failure& f) { return ReportFailure(f, o.format == "json"); }

// Read a whole file ("-" for standard input), without a byte-order mark at
// its start; an error text on failure.
std::optional<std::string> ReadInput(const std::string& path, std::string& out,
                                     std::size_t maxBytes = kMaxInputBytes) {
  std::FILE* f = path == "-" ? stdin : std::fopen(path.c_str(), "rb");
  if (!f) return std::string(std::strerror(errno));
  out.clear();
  char buf[65536];
  std::size_t n;
  while ((n = std::fread(buf, 1, sizeof buf, f)) > 0) {
    out.append(buf, n);
    if (out.size() > maxBytes) {
      if (f != stdin) std::fclose(f);
      return "the input is larger than " + std::to_string(maxBytes >> 20) + " MiB";
    }
  }
  const bool failed = std::ferror(f) != 0;
  const int err = errno;
  if (f != stdin) std::fclose(f);
  if (failed) return std::string(err ? std::strerror(err) : "read error");
  DropByteOrderMark(out);
  return std::nullopt;
}

// True when path names an existing regular file. Never throws: a word too
// long for a file name, or a path through a folder that cannot be entered,
// names no file.
bool IsExistingFile(const std::string& path) {
  std::error_code ec;
  return std::filesystem::is_regular_file(path, ec);
}

// A formula given as one word that names a file: most likely the file was
// meant, so the word is refused with the option that reads it.
Failure FileWordFailure(const std::string& word) {
  std::string name = std::filesystem::path(word).filename().string();
  for (char& c : name) c = static_cast<char>(std::tolower(static_cast<unsigned char>(c)));
  std::string how;
  if (name.size() > 4 && name.ends_with(".pla"))
    how = "--pla " + word;
  else if (name.starts_with("tervo42_"))
    how = "--load " + word;
  else
    how = "-f " + word + " (a formula), --table " + word + " (a typed table) or --pla " + word + " (a PLA file)";
  return UsageFailure("\"" + word + "\" names a file; read it with " + how + ", or write \"(" + word +
                      ")\" to run the word as a formula");
}

// Save a formula file after a run; the failure, if it fails. Signals wait
// until the save is done, so that none leaves its temporary file behind.
std::optional<Failure> Save(const Engine& e, const std::string& savePath) {
  std::filesystem::path written;
  FileCause cause;
  const uint8_t code = SaveWithSignalsHeld(e, savePath, &written, &cause);
  if (code == kOk) return std::nullopt;
  const std::string target = FormulaFilePath(std::filesystem::path(savePath).parent_path(),
                                             std::filesystem::path(savePath).filename().string())
                                 .string();
  return FileFailure(target, FileMessage(code, cause), "save");
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

// --help or --version, written as a result is: a failed write is an error.
int ShowHelp(const CLI::App& app, const CLI::ParseError& e) {
  std::ostringstream out, err;
  app.exit(e, out, err);
  if (const int status = WriteResult(out.str())) return status;
  std::fputs(err.str().c_str(), stderr);
  return kExitOk;
}

// A trace line that could not be written, as a failure; nothing when every
// one was.
std::optional<Failure> TraceFailure(const BatchHost& host, const std::string& format) {
  if (host.TraceError().empty()) return std::nullopt;
  const char* stream = format == "text" ? "standard output" : "standard error";
  Failure f;
  f.kind = "output";
  f.message = std::string(stream) + ": " + host.TraceError() + "; the trace is not written whole";
  return f;
}

// The failures met after a run: its save (when asked for and the run was
// not ended), then its trace. The save comes before the result is written,
// so that a reader that stops reading early costs no file.
std::vector<Failure> AfterRun(const Engine& e, const Options& o, const BatchHost& host, bool ended) {
  std::vector<Failure> failures;
  if (o.save && !ended)
    if (auto f = Save(e, o.savePath)) failures.push_back(std::move(*f));
  if (auto f = TraceFailure(host, o.format)) failures.push_back(std::move(*f));
  return failures;
}

// Write the result, then report the failures met after the run (the first
// is in a JSON result already); the exit status of the whole.
int Conclude(const std::string& result, const std::vector<Failure>& failures, int runStatus) {
  const int written = WriteResult(result);
  for (const Failure& f : failures) std::fputs(FailureText(f).c_str(), stderr);
  if (written != 0) return written;
  return failures.empty() ? runStatus : failures.front().status;
}

// A JSON result with the first failure after the run as its outcome.
std::string JsonResultText(nlohmann::ordered_json result, const std::vector<Failure>& failures) {
  if (!failures.empty()) MarkFailed(result, failures.front());
  return JsonText(result);
}

// True when the command line asks for JSON output, read word by word for
// a command line the parser refused before it took --format in.
bool AsksForJson(int argc, char** argv) {
  for (int i = 1; i < argc; ++i) {
    const std::string_view word = argv[i];
    if (word == "--") break;
    if (word == "--format=json" || (word == "--format" && i + 1 < argc && std::string_view(argv[i + 1]) == "json"))
      return true;
  }
  return false;
}

// Read the command line into o; the exit status when the tool is done
// (help, version or a refusal), else nothing.
std::optional<int> ParseCommandLine(int argc, char** argv, Options& o) {
  CLI::App app{"Minimise a Boolean function of up to 15 variables with the tervo42 engine, or a PLA file of any width.", kProgram};
  DefineOptions(app, o);
  try {
    app.parse(argc, argv);
  } catch (const CLI::ParseError& e) {
    if (e.get_exit_code() == 0) return ShowHelp(app, e);  // --help, --version
    if (o.format != "json" && AsksForJson(argc, argv)) o.format = "json";
    // Two inputs or two options that exclude each other: the refusal
    // names what is wrong in the tool's own words.
    Complete(app, o);
    const auto problem = UsageProblem(app, o, false);
    const bool excluded = dynamic_cast<const CLI::ExcludesError*>(&e) != nullptr;
    return Fail(o, UsageFailure(excluded && problem ? *problem : std::string(e.what())));
  }
  Complete(app, o);
  if (const auto problem = UsageProblem(app, o, ::isatty(STDIN_FILENO))) return Fail(o, UsageFailure(*problem));
  if (o.save) {
    const std::string name = std::filesystem::path(o.savePath).filename().string();
    if (name.empty()) return Fail(o, UsageFailure("--save needs a file name: " + o.savePath));
    if (HasExtension(name)) return Fail(o, FileFailure(o.savePath, std::string(MessageTable[kNoExtension]), "save"));
  }
  return std::nullopt;
}

// A PLA file to be saved as a formula file: it keeps the function as a
// typed table, one output, the ON-set, no don't-cares, at most 100 rows.
// The failure of a refusal.
std::optional<Failure> PlacePlaForSave(Engine& e, const std::string& path, const std::string& text, bool pos) {
  PlaFunction one;
  if (auto err = ReadPla(text, one)) return InputFailure(path, {err->line, "--save: " + err->text, err->column});
  if (one.offSet || pos)
    return UsageFailure("--save: a formula file keeps a table only as a sum of products (the rows where the "
                        "function is 1)");
  if (!PlacePlaInTableGrid(e, one))
    return UsageFailure("--save: the PLA file has " + std::to_string(one.value.size()) +
                        " rows; the table of a formula file holds at most 100");
  return std::nullopt;
}

// A design in an export format; empty, with the reason on standard error,
// when it cannot be written.
std::string ExportedText(const ExportDesign& d, ExportFormat f) {
  std::string why;
  const auto text = ExportText(d, f, &why);
  if (!text) std::fprintf(stderr, "%s: --format %s: %s\n", kProgram, ExportFormatName(f).data(), why.c_str());
  return text.value_or(std::string());
}

// The results of a PLA file in the form asked for; with JSON the first
// failure after the run is its outcome. An interrupted run writes no PLA
// file, nor a module: a part of one would pass for all.
std::string PlaResultText(const Engine& e, const PlaFile& file, const PlaRun& run, const Options& o,
                          const std::vector<std::vector<RowState>>& states, const std::vector<Failure>& failures) {
  const std::string& format = o.format;
  if (const auto exported = ExportFormatNamed(format)) {
    if (PlaExitStatus(run) != kExitOk)
      std::fprintf(stderr, "%s: %s\n", kProgram, run.interrupted ? kEndedMessage.data() : PlaMessage(run).c_str());
    if (run.interrupted) return std::string();
    return ExportedText(PlaDesign(file, run, states, ModuleNameOf(o.plaFile)), *exported);
  }
  if (format == "json") return JsonResultText(PlaJsonResult(e, file, run), failures);
  if (format != "pla") return PlaTextReport(e, file, run);
  if (PlaExitStatus(run) != kExitOk)
    std::fprintf(stderr, "%s: %s\n", kProgram, run.interrupted ? kEndedMessage.data() : PlaMessage(run).c_str());
  return run.interrupted ? std::string() : WritePlaResults(file, run);
}

// A PLA file's text may be as large as a quarter of the memory the reader
// may use: the rows it holds take about as much again.
std::size_t MaxPlaBytes() { return std::max(kMaxInputBytes, minimiser::PlaMemoryBudget({}) / 4); }

// A PLA file run by the minimiser library: the cover is written only once
// it has passed the checker; Ctrl+C writes the best checked cover so far.
// Nothing when the minimiser refuses a file that the table can take
// instead (orTable): then nothing is written.
std::optional<int> RunWide(const Options& o, const minimiser::Pla& pla, bool pos, Engine& e, bool orTable) {
  BatchHost host = MakeHost(e, false, o.format);
  InstallInterruptHandler();
  const double seconds = o.minimal && o.minimalText != "true" ? o.minimalSeconds : -1;
  const WideRun run = RunWidePla(host, pla, pos, seconds);
  host.Finish();
  // A file that contradicts itself is refused at its line, as the table does.
  if (run.Refused() && run.result.line > 0)
    return Fail(o, InputFailure(o.plaFile, InputError{run.result.line, run.result.message}));
  if (run.Refused() && orTable) return std::nullopt;
  const int status = WideExitStatus(run);
  if (o.format == "json") {
    if (const int failed = WriteResult(JsonText(WideJsonResult(pla, run)))) return failed;
  } else if (status == kExitOk || status == kExitInterrupted) {
    const std::string text = o.format == "pla" ? WriteWideResults(pla, run) : WideTextReport(pla, run);
    if (const int failed = WriteResult(text)) return failed;
  }
  if (status != kExitOk) std::fprintf(stderr, "%s: %s: %s\n", kProgram, o.plaFile.c_str(), WideMessage(run).c_str());
  return status;
}

// The results of a PLA file run through the engine's table, checked by the
// cover checker before any of it is written; 0 when they pass.
int CheckTableRun(const std::string& path, const minimiser::Pla& pla, const PlaFile& file, const PlaRun& run, bool pos) {
  if (run.interrupted || run.outputs.size() != file.outputs) return 0;
  for (const OutputResult& r : run.outputs)
    if (!r.run.drawn) return 0;
  const minimiser::CheckReport check = minimiser::CheckCover(TargetFunction(pla, pos), CoverOfRun(file, run));
  if (check.ok) return 0;
  std::fprintf(stderr, "%s: %s: the cover found fails its check: %s\n", kProgram, path.c_str(), check.text.c_str());
  return kExitVerify;
}

// A PLA file: one cover shared by all outputs, or every output run on its
// own; the results written together. Files the engine's table takes and
// where it is the better road run there; the others by the minimiser
// library.
int RunPlaFile(Engine& e, const Options& o) {
  const std::string& path = o.plaFile;
  std::string text;
  if (auto err = ReadInput(path, text, MaxPlaBytes())) return Fail(o, FileFailure(path, *err));
  minimiser::Pla pla;
  if (auto err = minimiser::ReadPla(text, pla)) return Fail(o, InputFailure(path, FromPlaError(*err)));
  // Without a form asked for, a file listing only OFF rows is reduced as a
  // product of sums.
  const bool pos = o.Form() < 0 ? pla.type.find('f') == std::string::npos : o.Form() == 1;
  // What only the engine's table has: each output on its own, the
  // reduction's trace, no reduction, a formula file saved.
  const bool tableOnly = !o.SharedPla() || o.save;
  if (tableOnly && !IsNarrow(pla)) {
    const char* what = o.save ? "--save" : o.perOutput ? "--per-output" : o.trace ? "--trace" : "--no-reduce";
    return Fail(o, InputFailure(path, InputError{0, std::string(what) + " runs the engine's table, which holds at most " +
                                                    std::to_string(kMaxVariables) + " inputs and " +
                                                    std::to_string(kTermCapacity) + " rows; the file has " +
                                                    std::to_string(pla.inputs) + " inputs and " +
                                                    std::to_string(pla.Rows()) + (pla.Rows() == 1 ? " row" : " rows")}));
  }
  if (!tableOnly && !ChooseTablePath(pla)) {
    // The table remains for a file it takes when the minimiser refuses.
    if (const auto status = RunWide(o, pla, pos, e, IsNarrow(pla))) return *status;
  }

  PlaFile file;
  if (auto err = NarrowPlaFile(pla, file)) return Fail(o, InputFailure(path, *err));
  std::vector<std::vector<RowState>> states;
  if (auto err = AllOutputStates(file, states)) return Fail(o, InputFailure(path, *err));
  if (o.save)
    if (auto f = PlacePlaForSave(e, path, text, pos)) return Fail(o, *f);

  BatchHost host = MakeHost(e, o.trace, o.format);
  InstallInterruptHandler();
  PlaRun run;
  try {
    std::unique_ptr<CoverSearch> cover;
    if (o.minimal && !o.SharedPla()) cover = std::make_unique<CoverSearch>();
    run = o.SharedPla() ? RunSharedPla(e, host, file, states, pos, o.minimalSeconds)
                        : RunPla(e, host, file, states, pos, cover.get(), o.minimalSeconds);
  } catch (const std::bad_alloc&) {
    host.Finish();
    return Fail(o, MemoryFailure());
  }
  host.Finish();

  if (const int status = CheckTableRun(path, pla, file, run, pos)) return status;
  const std::vector<Failure> failures = AfterRun(e, o, host, run.interrupted);
  return Conclude(PlaResultText(e, file, run, o, states, failures), failures, PlaExitStatus(run));
}

// The formula of a run from its words, a file or standard input, placed in
// the grid; the failure of a refusal.
std::optional<Failure> PlaceFormulaInput(Engine& e, const Options& o) {
  const std::vector<std::string>& words = o.formulaWords;
  if (words.size() == 1 && IsExistingFile(words[0])) return FileWordFailure(words[0]);
  std::string text;
  const std::string source = o.input == InputKind::kStandardInput ? "-" : o.formulaFile;
  const std::string sourceName = source == "-" ? "standard input" : source;
  if (!words.empty()) {
    for (std::size_t i = 0; i < words.size(); ++i) text += (i ? " " : "") + words[i];
  } else if (auto err = ReadInput(source, text)) {
    Failure f = FileFailure(sourceName, *err);
    f.file = source;  // the JSON names standard input "-", as the command line does
    return f;
  }
  if (auto err = PlaceFormula(e, text)) {
    if (!words.empty()) return UsageFailure(*err);
    Failure f = FormulaFailure(sourceName, *err);
    f.file = source;
    return f;
  }
  e.FormulaMode = 1;
  e.CnfMode = o.pos ? 0 : 1;
  return std::nullopt;
}

// The input of a run other than a PLA file, placed in the engine as the
// window would hold it; the failure of a refusal. input: the input form as
// the JSON names it.
std::optional<Failure> PlaceInput(Engine& e, const Options& o, std::string& input) {
  e.CnfMode = 1;
  e.ReduceOn = o.noReduce ? 0 : 1;
  if (o.input == InputKind::kTable) {
    input = "table";
    std::string text;
    if (auto err = ReadInput(o.tableFile, text)) return FileFailure(o.tableFile, *err);
    if (auto err = PlaceTable(e, text)) return InputFailure(o.tableFile, *err);
    e.FormulaMode = 0;
    return std::nullopt;
  }
  if (o.input == InputKind::kLoad) {
    input = "load";
    std::filesystem::path opened;
    FileCause cause;
    const uint8_t code = LoadFormulaFile(e, o.loadName, &opened, &cause);
    if (code == kOk) return std::nullopt;
    return FileFailure(opened.string(), FileMessage(code, cause));
  }
  input = "formula";
  return PlaceFormulaInput(e, o);
}

// The result of a run in the form asked for; with JSON the first failure
// after the run is its outcome. In an export format a constant
// ("TAUTOLOGY", "INCONSISTENT") is written as one; any other message leaves
// nothing to write. module: the module's or entity's name.
std::string ResultText(const Engine& e, const RunOutcome& run, const std::string& format, const std::string& input,
                       const std::string& module, const std::vector<Failure>& failures) {
  if (const auto exported = ExportFormatNamed(format)) {
    if (!run.verifyRan || !run.verified) std::fprintf(stderr, "%s: %s\n", kProgram, run.message.c_str());
    const bool constant = run.code == kTautology || run.code == kInconsistent;
    if (run.ended || !(constant || (run.drawn && run.code == kOk))) return std::string();
    ExportDesign d = RunDesign(e, run);
    d.module = module;
    return ExportedText(d, *exported);
  }
  if (format == "json") return JsonResultText(JsonResult(e, run, input), failures);
  if (format != "pla") return TextReport(e, run);
  if (!run.verifyRan || !run.verified) std::fprintf(stderr, "%s: %s\n", kProgram, run.message.c_str());
  if (!run.drawn || run.code != kOk) return "";
  return (run.minimal ? "# minimal cover" + CoverOutcomeText(run.cover) + "\n" : std::string()) + WritePla(e);
}

// One function: the stages a GO press runs, the formula file saved when
// asked for, then the result written.
int RunFunction(Engine& e, const Options& o, const std::string& input) {
  BatchHost host = MakeHost(e, o.trace, o.format);
  InstallInterruptHandler();
  RunOutcome run;
  try {
    std::unique_ptr<CoverSearch> cover;
    if (o.minimal) cover = std::make_unique<CoverSearch>();
    GoStages stages;
    stages.cover = cover.get();
    stages.minimalSeconds = o.minimalSeconds;
    run = RunGo(e, host, stages);
  } catch (const std::bad_alloc&) {
    host.Finish();
    return Fail(o, MemoryFailure());
  }
  host.Finish();

  const std::string source = o.input == InputKind::kTable        ? o.tableFile
                             : o.input == InputKind::kFormulaFile ? o.formulaFile
                             : o.input == InputKind::kLoad        ? o.loadName
                                                                  : std::string();
  const std::vector<Failure> failures = AfterRun(e, o, host, run.ended);
  return Conclude(ResultText(e, run, o.format, input, ModuleNameOf(source), failures), failures, ExitStatus(run));
}

int Run(int argc, char** argv, Options& o) {
  if (const auto status = ParseCommandLine(argc, argv, o)) return *status;
  auto engine = std::make_unique<Engine>();
  if (o.input == InputKind::kPla) {
    engine->CnfMode = 1;
    engine->ReduceOn = o.noReduce ? 0 : 1;
    return RunPlaFile(*engine, o);
  }
  std::string input;
  if (auto f = PlaceInput(*engine, o, input)) return Fail(o, *f);
  return RunFunction(*engine, o, input);
}

}  // namespace

int main(int argc, char** argv) {
  Options o;
  try {
    return Run(argc, argv, o);
  } catch (const std::bad_alloc&) {
    // What unwinding freed is usually enough for the report; should even
    // that fail, a line that needs no memory of its own.
    try {
      return Fail(o, MemoryFailure());
    } catch (...) {
      std::fputs("tervo42-batch: there is not enough memory to finish the run\n", stderr);
      return kExitUsage;
    }
  } catch (const std::exception& ex) {
    Failure f;
    f.kind = "internal";
    f.message = ex.what();
    return Fail(o, f);
  }
}
