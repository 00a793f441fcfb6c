#include "options.h"

#include <CLI/CLI.hpp>
#include <cstdlib>
#include <iterator>
#include <string_view>

#include "pla.h"

namespace tervo::batch {

namespace {

const char* const kInputsHelp = R"(
Inputs (give exactly one):
  FORMULA         A formula over A..Z: ( ) priority, / NOT, . AND, = equal,
                  - XOR, + OR, > implication; letters a..z are the same as
                  A..Z. The common notations below are put into these.
                  Several words are joined; blanks, tabs and line
                  breaks carry no meaning. Any other character is refused
                  with its line and column (exit status 2). At most 1200
                  non-blank characters, counted after the notations are
                  put into ours. Put "--" before a formula that starts
                  with "-".
  -f FILE         The formula from a file ("-" for standard input). With no
                  input at all the formula is read from standard input when
                  that is not a terminal.
  --table FILE    A typed table: the first line is the header (character j
                  is column j, a variable letter or a blank), then up to 100
                  term lines of "0", "1" and blanks, at most 15 columns.
                  Always a sum of products.
  --pla FILE      A PLA file: the keywords below, "#" comments, and rows. A
                  row is the inputs ("0", "1", "-" or "2" for either) and
                  one character per output; blanks and "|" may stand
                  anywhere in it, a "#" comment after it. Text before .i
                  that is no row (a title) is passed over. An output "1"
                  (or "4") puts the row in the ON-set, "-" (or "2") in the
                  don't-care set, "0" in the OFF-set, "~" (or "3") nowhere,
                  as far as the type lists that set: .type f the ON-set
                  (the rest is 0), fd the ON-set and don't-cares (the
                  default), r the OFF-set (the rest is 1), dr the OFF-set
                  and don't-cares, fr and fdr both (the rest is
                  don't-care). A listed don't-care wins; a row listed both
                  1 and 0 is refused. All outputs get one cover together:
                  a row serves every output marked in it and counts once,
                  and the search looks for as few rows as it can find (then
                  as few literals) within a fixed budget of work (or
                  --minimal=SECONDS), ending sooner once it stops gaining.
                  The message line gives the rows, then ", minimum" when
                  proved, else ", at least N" and how the search ended.
                  --per-output reduces each output on its own
                  instead, one after the other, with the window's
                  reduction (or --minimal's search): its ON-set and
                  don't-cares together, then the terms that no ON row
                  needs are dropped; --trace and --no-reduce imply it.
                  Either way every output must cover each of its ON rows
                  and none of its OFF rows, and an output that is constant
                  is a result. Files of .type r or dr give a product of
                  sums unless --sop is given. (The window has no
                  don't-cares: they exist only here.)
                  Files of any number of inputs are read. A file of at
                  most 15 inputs runs through the engine's 3^n cube table
                  as above when that table is small beside its rows; the
                  others (every file of more than 15 inputs, and one of
                  few rows over many inputs) get their shared cover from
                  the minimiser of any width, which works on lists of
                  cubes: --minimal=SECONDS bounds it, Ctrl+C writes the
                  best cover so far (exit status 130). --per-output,
                  --trace, --no-reduce and --save need the table and
                  refuse a file it cannot hold. Every cover is checked
                  against the file (each ON point covered, no OFF point)
                  before it is written; one that fails is not written
                  (exit status 3). In JSON a term of a wide file is its
                  text of inputs ("0", "1", "-") and outputs.
  --load NAME     A saved formula file, run with the input mode and options
                  stored in it. NAME "abc" opens "tervo42_abc".
  A formula of one word that names a file is refused with the option that
  reads the file; in parentheses, as (WORD), it runs as a formula. A UTF-8
  byte-order mark at the start of a text input is passed over.

)";

const char* const kFormsAndMoreHelp = R"(
Formula notations (the window's paste takes the same; U+ a Unicode sign):
  | || U+2228               + (OR)
  & && * U+2227 U+00B7 U+22C5
                            . (AND)
  ! ~ U+00AC                / (NOT) in front of its operand
  A' (A+B)'                 /A /(A+B): a ' (or U+2019, U+2032) after a letter
                            or a closing bracket inverts that letter or bracket
  ^ U+2295 U+22BB           - (exclusive OR)
  -> => U+2192 U+21D2       > (implication)
  <-> <=> == U+2194 U+21D4 U+2261
                            = (equivalence)
  So (a & b)' || !c -> d runs as /(A.B)+/C>D.

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
                  "interrupted", "error"), whether the verification held,
                  the exit status and the seconds; for a PLA file one
                  object per output under "outputs", and "cover"
                  ("shared", with "rows", "minimum", "lower_bound" and
                  "search_end" of the whole, or "per output"). value and mask give the
                  row's literals: bit v of mask is set when variable v+1
                  occurs, bit v of value when it occurs as itself. A
                  failure (usage, input, file, save, output, memory) is one
                  object as well: "outcome" "error", "error" its kind, the
                  message, "file", "line" and "column" (null where not
                  known) and "exit_status". After a failed save (or
                  trace) the result is that of the failure in the same
                  way, keeping the run's message as "run_message"; its
                  outcome and exit status are always the process's.
  verilog         A Verilog module with one input port per variable and one
                  output port per output ("f" for a formula or a table),
                  each output one continuous assignment of its rows.
  vhdl            The same as a VHDL entity and architecture.
  latex           A LaTeX fragment: the formula, each output as an equation
                  and its rows as a tabular.
  csv             The whole truth table, one line per assignment: the
                  inputs, then per output the input function ("-" where it
                  does not care) and the result ("NAME_result").
  For verilog and vhdl, names that are no legal identifiers (PLA .ilb/.ob
  names such as "a[0]" or "in") are made so, and the module is named after
  the input file; latex sets the names as given. A constant result is
  written as its constant.

Writing:
  Names may be any bytes; in JSON a byte that is not UTF-8 becomes U+FFFD.

  Every write of a result is checked, the trace included: a full disk ends
  the tool with a message and exit status 2. A closed pipe ends it by the
  signal SIGPIPE (status 141 in a shell), or, where SIGPIPE is ignored,
  with a message and exit status 2.

Minimal covers:
  With --minimal[=SECONDS] the tool computes a cover with as few terms as it
  can find (then as few literals) in place of the reduction, for a formula,
  a typed table, a saved file, the shared cover of a PLA file, or each
  output of a PLA file on its own with --per-output (whose don't-cares its
  terms may use).

  Without SECONDS the search's length is counted in its own units of work,
  never in seconds, so the same input gives the same cover on any machine
  and under any load: it ends when it proves its cover, when it stalls (the
  work since it last found fewer terms or a higher bound exceeds four
  fifths of the work it took to get there), or when its fixed budget is
  spent (about 10 s on a 2.8 GHz core, for the whole file). With SECONDS it
  searches at most that long instead (for the whole file), still ending
  when it stalls; the result then depends on the machine's speed.

  The message line adds ", minimum" when the cover is proved to have the
  fewest terms, else ", at least N" with a proved lower bound and how the
  search ended: ", stalled", ", work budget spent", ", time limit reached".
  The PLA output carries the same as a comment line, the JSON output as
  "minimum" (true or false), "lower_bound" and "search_end" ("proved",
  "finished", "stalled", "budget", "time limit" or "stopped"). Ctrl+C during
  the search keeps the best cover found so far (", stopped: best cover so
  far").

Trace and progress:
  With --trace the tool prints one line per comparison of the reduction: TT
  (two entries, i and j) or VT (the virtual term and entry k), the code and
  the action. The lines go to standard output with --format text, else to
  standard error.

  On a terminal a long reduction or search shows its progress on standard
  error (the output or phase, the terms so far and the bound), and Ctrl+C
  ends it (and the outputs still to come).

Limits:
  15 variables, 32768 truth-table rows, 100 typed terms, 1200 formula
  characters, 32768 PLA rows and 1024 outputs.

Saving:
  With --save PATH the tool writes the input, options and result as a
  formula file after the run. The file name gets the prefix "tervo42_"
  unless it has it; a "." in the name is refused ("NO EXTENSION ALLOWED IN
  FILE NAME").

  An existing file is replaced only once the new one is complete, keeping
  its mode bits; a symbolic link is followed, while a second hard link keeps
  the old content. A PLA file can be saved when it is one sum of products of
  at most 100 rows without don't-cares.

  The file is saved before the result is written, so a reader that stops
  early (| head -1) costs no file; Ctrl+C, SIGTERM and SIGHUP wait until
  the save is done, and no temporary file stays behind. A failed save or
  load gives the message with its cause, e.g. "FILE I/O ERROR: No space
  left on device" (exit status 2).

Exit status:
  0    the run ended "OK: "
  1    it ended with a message such as "SYNTAX ERROR", "TAUTOLOGY" or
       "INCONSISTENT"
  2    usage, input and file errors, failed saves and writes, and too
       little memory
  3    the result failed its verification ("TT Verify ERROR: ")
  130  ended by Ctrl+C ("process terminated")
)";

// The options that give the input, of which a run takes one.
struct InputOption {
  const char* name;
  InputKind kind;
};
constexpr InputOption kInputs[] = {{"formula", InputKind::kFormula},
                                   {"--file", InputKind::kFormulaFile},
                                   {"--table", InputKind::kTable},
                                   {"--pla", InputKind::kPla},
                                   {"--load", InputKind::kLoad}};

// Two options (or either of two lists of them) that exclude each other,
// and the refusal when both are given. In the message "{1}" stands for the
// option of the first list as given, "{2}" for that of the second.
// Checked in the order of the table, at one of three points among the
// other checks of the command line.
enum class CheckPoint { kFirst, kAfterInputs, kAfterSeconds };

struct Exclusion {
  std::vector<std::string> first;
  std::vector<std::string> second;
  std::string_view message;
  CheckPoint when;
};

const std::vector<Exclusion>& Exclusions() {
  static const std::vector<Exclusion> table = {
      {{"--sop"}, {"--pos", "--dnf"}, "--sop and {2} exclude each other", CheckPoint::kFirst},
      {{"--pos", "--dnf"},
       {"--table", "--load"},
       "{1} applies to formula and PLA input only (a table is always a sum of products; a saved file's options "
       "decide)",
       CheckPoint::kAfterInputs},
      {{"--sop"}, {"--load"}, "--sop does not apply to --load: the file's own options are used",
       CheckPoint::kAfterInputs},
      {{"--no-reduce"}, {"--load"}, "--no-reduce does not apply to --load: the file's own options are used",
       CheckPoint::kAfterInputs},
      {{"--minimal"}, {"--no-reduce"}, "--minimal takes the reduction's place and does not combine with --no-reduce",
       CheckPoint::kAfterSeconds},
      {{"--minimal"}, {"--trace"}, "--minimal does not combine with --trace: the trace shows the reduction's comparisons",
       CheckPoint::kAfterSeconds},
  };
  return table;
}

// The first of the named options that was given, or "".
std::string FirstGiven(const CLI::App& app, const std::vector<std::string>& names) {
  for (const std::string& name : names)
    if (app.get_option(name)->count() > 0) return name;
  return "";
}

std::string Replace(std::string text, std::string_view mark, const std::string& by) {
  const std::size_t at = text.find(mark);
  if (at != std::string::npos) text.replace(at, mark.size(), by);
  return text;
}

// The option list as CLI11 lays it out, without the "Excludes:" notes it
// would add to the flags: the text after the list says what combines.
class HelpFormatter : public CLI::Formatter {
 public:
  std::string make_option_opts(const CLI::Option* opt) const override {
    return opt->get_option_text().empty() ? std::string() : " " + opt->get_option_text();
  }
};

// The refusal of the first pair of options given that exclude each other,
// among those checked at point `when`.
std::optional<std::string> ExcludedPair(const CLI::App& app, CheckPoint when) {
  for (const Exclusion& x : Exclusions()) {
    if (x.when != when) continue;
    const std::string a = FirstGiven(app, x.first), b = FirstGiven(app, x.second);
    if (!a.empty() && !b.empty()) return Replace(Replace(std::string(x.message), "{1}", a), "{2}", b);
  }
  return std::nullopt;
}

// --minimal's seconds as given after "=", or nothing when they are no
// number of seconds from 0 to 1000000.
std::optional<double> MinimalSeconds(const std::string& text) {
  char* end = nullptr;
  const double seconds = std::strtod(text.c_str(), &end);
  if (text.empty() || *end != '\0' || !(seconds >= 0 && seconds <= 1e6)) return std::nullopt;
  return seconds;
}

// A number among the formula words beside a bare --minimal was meant as its
// seconds; a number is never a formula.
std::optional<std::string> StrayNumber(const std::vector<std::string>& words) {
  for (const std::string& w : words) {
    char* end = nullptr;
    std::strtod(w.c_str(), &end);
    if (!w.empty() && *end == '\0') return w;
  }
  return std::nullopt;
}

}  // namespace

std::string HelpFooter() {
  return kInputsHelp + std::string("PLA keywords:\n") + PlaKeywordHelp() + kFormsAndMoreHelp;
}

void DefineOptions(CLI::App& app, Options& o) {
  app.formatter(std::make_shared<HelpFormatter>());
  app.footer(HelpFooter());
  app.set_version_flag("--version", "tervo42-batch 2.0");
  // The inputs: at most one, each excluding the others; none reads a
  // formula from standard input.
  app.add_option("formula", o.formulaWords, "The formula (see below)")->option_text("TEXT ...");
  app.add_option("-f,--file", o.formulaFile, "Read the formula from FILE (\"-\" standard input)")->option_text("FILE");
  app.add_option("--table", o.tableFile, "Run a typed table (always a sum of products)")->option_text("FILE");
  app.add_option("--pla", o.plaFile, "Run a PLA file: one cover shared by all its outputs")->option_text("FILE");
  app.add_flag("--per-output", o.perOutput, "PLA files: reduce each output on its own instead (the window's reduction)");
  app.add_option("--load", o.loadName, "Run a saved formula file")->option_text("NAME");
  for (std::size_t i = 0; i < std::size(kInputs); ++i)
    for (std::size_t j = i + 1; j < std::size(kInputs); ++j)
      app.get_option(kInputs[i].name)->excludes(app.get_option(kInputs[j].name));
  app.add_flag("--sop", o.sop, "Sum of products: list where the function is 1 (the window's CNF, the default)");
  app.add_flag("--pos", o.pos, "Product of sums: list where the function is 0 (the window's DNF)");
  app.add_flag("--dnf", o.pos, "The same as --pos");
  app.add_flag("--no-reduce", o.noReduce, "Do not reduce the truth table");
  app.add_option("--save", o.savePath, "Save a formula file after the run")->option_text("PATH");
  app.add_flag("--minimal", o.minimalText,
               "A minimal cover in place of the reduction: a fixed budget of work, or at most SECONDS")
      ->option_text("[=SECONDS]");
  app.add_flag("--trace", o.trace, "One line per comparison of the reduction");
  app.add_option("--format", o.format, "Output form: text, pla, json, verilog, vhdl, latex or csv")
      ->check(CLI::IsMember({"text", "pla", "json", "verilog", "vhdl", "latex", "csv"}))
      ->option_text("text|pla|json|verilog|vhdl|latex|csv");
  for (const Exclusion& x : Exclusions())
    for (const std::string& a : x.first)
      for (const std::string& b : x.second) app.get_option(a)->excludes(app.get_option(b));
}

void Complete(const CLI::App& app, Options& o) {
  o.inputsGiven = 0;
  o.input = InputKind::kStandardInput;
  for (const auto& [name, kind] : kInputs)
    if (app.get_option(name)->count() > 0) {
      ++o.inputsGiven;
      if (o.input == InputKind::kStandardInput) o.input = kind;
    }
  o.save = app.get_option("--save")->count() > 0;
  o.minimal = app.get_option("--minimal")->count() > 0;
  o.formName = app.get_option("--pos")->count() > 0 ? "--pos" : "--dnf";
  // "true": --minimal given without seconds.
  if (o.minimal && o.minimalText != "true") o.minimalSeconds = MinimalSeconds(o.minimalText).value_or(-1);
}

std::optional<std::string> UsageProblem(const CLI::App& app, const Options& o, bool stdinIsTerminal) {
  if (o.minimal && o.minimalText == "true")
    if (const auto number = StrayNumber(o.formulaWords))
      return "--minimal takes its seconds after \"=\": --minimal=" + *number;
  if (auto problem = ExcludedPair(app, CheckPoint::kFirst)) return problem;
  if (o.inputsGiven > 1) return "give exactly one input: a formula, -f FILE, --table, --pla or --load";
  if (o.inputsGiven == 0 && stdinIsTerminal) return "no input: give a formula, -f FILE, --table, --pla or --load";
  if (auto problem = ExcludedPair(app, CheckPoint::kAfterInputs)) return problem;
  if (o.minimal && o.minimalText != "true" && !MinimalSeconds(o.minimalText))
    return "--minimal=SECONDS takes a number of seconds from 0 to 1000000, not \"" + o.minimalText + "\"";
  if (auto problem = ExcludedPair(app, CheckPoint::kAfterSeconds)) return problem;
  if (o.perOutput && o.input != InputKind::kPla) return "--per-output applies to --pla only";
  return std::nullopt;
}

}  // namespace tervo::batch
