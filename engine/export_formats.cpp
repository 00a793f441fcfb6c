#include "export_formats.h"

#include <algorithm>
#include <array>
#include <cctype>
#include <memory>
#include <set>

#include "logic_unit.h"
#include "xlate_unit.h"

namespace tervo {

namespace {

constexpr std::array<std::string_view, 4> kFormatNames = {"verilog", "vhdl", "latex", "csv"};
constexpr std::array<std::string_view, 4> kSuffixes = {".v", ".vhd", ".tex", ".csv"};

// Words neither hardware language lets a port be called (lower case; VHDL
// compares without case, and a Verilog name of the same letters in another
// case would still read badly next to the keyword).
constexpr std::string_view kReserved[] = {
    // Verilog
    "always", "and", "assign", "automatic", "begin", "buf", "bufif0", "bufif1", "case", "casex", "casez", "cell",
    "cmos", "config", "deassign", "default", "defparam", "design", "disable", "edge", "else", "end", "endcase",
    "endconfig", "endfunction", "endgenerate", "endmodule", "endprimitive", "endspecify", "endtable", "endtask",
    "event", "for", "force", "forever", "fork", "function", "generate", "genvar", "highz0", "highz1", "if", "ifnone",
    "incdir", "include", "initial", "inout", "input", "instance", "integer", "join", "large", "liblist", "library",
    "localparam", "macromodule", "medium", "module", "nand", "negedge", "nmos", "nor", "noshowcancelled", "not",
    "notif0", "notif1", "or", "output", "parameter", "pmos", "posedge", "primitive", "pull0", "pull1", "pulldown",
    "pullup", "pulsestyle_ondetect", "pulsestyle_onevent", "rcmos", "real", "realtime", "reg", "release", "repeat",
    "rnmos", "rpmos", "rtran", "rtranif0", "rtranif1", "scalared", "showcancelled", "signed", "small", "specify",
    "specparam", "strong0", "strong1", "supply0", "supply1", "table", "task", "time", "tran", "tranif0", "tranif1",
    "tri", "tri0", "tri1", "triand", "trior", "trireg", "unsigned", "use", "uwire", "vectored", "wait", "wand",
    "weak0", "weak1", "while", "wire", "wor", "xnor", "xor", "logic", "bit", "byte", "int",
    // VHDL (those not above)
    "abs", "access", "after", "alias", "all", "architecture", "array", "assert", "attribute", "block", "body",
    "buffer", "bus", "component", "configuration", "constant", "disconnect", "downto", "elsif", "entity", "exit",
    "file", "group", "guarded", "impure", "in", "inertial", "is", "label", "linkage", "literal", "loop", "map", "mod",
    "new", "next", "null", "of", "on", "open", "others", "out", "package", "port", "postponed", "procedure", "process",
    "pure", "range", "record", "register", "reject", "rem", "report", "return", "rol", "ror", "select", "severity",
    "shared", "signal", "sla", "sll", "sra", "srl", "subtype", "then", "to", "transport", "type", "units", "until",
    "variable", "when", "with", "std_logic", "std_ulogic", "ieee", "std", "work", "rtl", "boolean", "character",
    "string", "natural", "positive", "severity_level"};

std::string Lower(std::string_view s) {
  std::string out(s);
  for (char& c : out) c = static_cast<char>(std::tolower(static_cast<unsigned char>(c)));
  return out;
}

bool IsReserved(std::string_view name) {
  const std::string low = Lower(name);
  return std::find(std::begin(kReserved), std::end(kReserved), low) != std::end(kReserved);
}

// One name made legal in both hardware languages, not yet distinct.
std::string LegalName(std::string_view given, std::string_view fallback) {
  std::string s;
  for (const char c : given) {
    const bool word = std::isalnum(static_cast<unsigned char>(c)) != 0;
    const char ch = word ? c : '_';
    if (ch == '_' && (s.empty() || s.back() == '_')) continue;  // no leading or double "_"
    s += ch;
  }
  while (!s.empty() && s.back() == '_') s.pop_back();
  if (s.empty()) return std::string(fallback);
  if (!std::isalpha(static_cast<unsigned char>(s.front()))) s = "n_" + s;
  if (IsReserved(s)) s += "_v";
  return s;
}

// Make name distinct from those taken (without case), and take it.
std::string Distinct(std::string name, std::set<std::string>& taken) {
  std::string candidate = name;
  for (int k = 2; taken.count(Lower(candidate)) != 0; ++k) candidate = name + "_" + std::to_string(k);
  taken.insert(Lower(candidate));
  return candidate;
}

// ---------------------------------------------------------------- logic as text

// The operators of one target language.
struct Syntax {
  std::string_view andOp, orOp, one, zero;
  std::string (*invert)(const std::string& name);
};

std::string VerilogNot(const std::string& n) { return "~" + n; }
std::string VhdlNot(const std::string& n) { return "not " + n; }
std::string LatexNot(const std::string& n) { return "\\overline{" + n + "}"; }

constexpr Syntax kVerilogSyntax{" & ", " | ", "1'b1", "1'b0", VerilogNot};
constexpr Syntax kVhdlSyntax{" and ", " or ", "'1'", "'0'", VhdlNot};
constexpr Syntax kLatexSyntax{" ", " + ", "1", "0", LatexNot};

// One row: the AND of its literals in a sum of products, the OR of its
// opposite literals in a product of sums; in brackets when it has more than
// one literal (the hardware languages' own rule for mixing the two; LaTeX
// needs them only around a sum).
std::string RowExpression(const ExportOutput& o, std::size_t row, const std::vector<std::string>& names,
                          const Syntax& syn, bool latex) {
  const uint16_t value = o.value[row], mask = o.mask[row];
  std::string s;
  int literals = 0;
  for (std::size_t v = 0; v < names.size(); ++v) {
    if (!(mask >> v & 1)) continue;
    if (literals++ > 0) s += o.productOfSums ? syn.orOp : syn.andOp;
    const bool plain = (value >> v & 1) != (o.productOfSums ? 1 : 0);
    s += plain ? names[v] : syn.invert(names[v]);
  }
  if (literals == 0) return std::string(o.productOfSums ? syn.zero : syn.one);
  if (literals > 1 && (!latex || o.productOfSums)) s = "(" + s + ")";
  return s;
}

// The whole output; rows after the first each on a line of their own,
// started by `indent`.
std::string OutputExpression(const ExportOutput& o, const std::vector<std::string>& names, const Syntax& syn,
                             bool latex, std::string_view indent) {
  if (o.constant == 0 || o.constant == 1) return std::string(o.constant ? syn.one : syn.zero);
  if (o.value.empty()) return std::string(o.productOfSums ? syn.one : syn.zero);
  std::string s;
  for (std::size_t r = 0; r < o.value.size(); ++r) {
    if (r > 0) {
      s += indent;
      s += o.productOfSums ? (latex ? std::string_view(" ") : syn.andOp) : syn.orOp;
    }
    s += RowExpression(o, r, names, syn, latex);
  }
  return s;
}

std::string FormName(const ExportOutput& o) {
  if (o.constant == 0 || o.constant == 1) return "constant " + std::to_string(o.constant);
  return o.productOfSums ? "product of sums" : "sum of products";
}

// ---------------------------------------------------------------- Verilog and VHDL

std::string Verilog(const ExportDesign& d, const ExportNames& n) {
  std::string s = "// " + n.module + ": written by tervo42\n";
  if (!d.formula.empty()) s += "// from the formula " + d.formula + "\n";
  for (std::size_t k = 0; k < n.outputs.size(); ++k) s += "// " + n.outputs[k] + ": " + FormName(d.outputs[k]) + "\n";
  s += "module " + n.module + " (\n";
  for (const std::string& in : n.inputs) s += "  input wire " + in + ",\n";
  for (std::size_t k = 0; k < n.outputs.size(); ++k)
    s += "  output wire " + n.outputs[k] + (k + 1 < n.outputs.size() ? ",\n" : "\n");
  s += ");\n";
  for (std::size_t k = 0; k < n.outputs.size(); ++k)
    s += "  assign " + n.outputs[k] + " = " +
         OutputExpression(d.outputs[k], n.inputs, kVerilogSyntax, false, "\n      ") + ";\n";
  s += "endmodule\n";
  return s;
}

std::string Vhdl(const ExportDesign& d, const ExportNames& n) {
  std::string s = "-- " + n.module + ": written by tervo42\n";
  if (!d.formula.empty()) s += "-- from the formula " + d.formula + "\n";
  for (std::size_t k = 0; k < n.outputs.size(); ++k) s += "-- " + n.outputs[k] + ": " + FormName(d.outputs[k]) + "\n";
  s += "library ieee;\nuse ieee.std_logic_1164.all;\n\n";
  s += "entity " + n.module + " is\n  port (\n";
  for (const std::string& in : n.inputs) s += "    " + in + " : in std_logic;\n";
  for (std::size_t k = 0; k < n.outputs.size(); ++k)
    s += "    " + n.outputs[k] + " : out std_logic" + (k + 1 < n.outputs.size() ? ";\n" : "\n");
  s += "  );\nend entity " + n.module + ";\n\n";
  s += "architecture logic of " + n.module + " is\nbegin\n";
  for (std::size_t k = 0; k < n.outputs.size(); ++k)
    s += "  " + n.outputs[k] + " <= " + OutputExpression(d.outputs[k], n.inputs, kVhdlSyntax, false, "\n      ") +
         ";\n";
  s += "end architecture logic;\n";
  return s;
}

// ---------------------------------------------------------------- LaTeX

// A name in text or math as given: letters, digits and plain punctuation
// stand as they are, "_", "#", "$", "%", "&", "{" and "}" are escaped, and
// any other byte (one LaTeX reads as a command or a special sign, or a
// byte of a character outside ASCII, which math cannot set) becomes "?".
// Longer than one character a name is set in \mathit, so that it reads as
// one name.
std::string LatexName(const std::string& name, bool math) {
  static constexpr std::string_view kPlain = "[]().,:;!?-+/*'=@ ";
  static constexpr std::string_view kEscaped = "_#$%&{}";
  std::string s;
  for (const char c : name) {
    if (std::isalnum(static_cast<unsigned char>(c)) || kPlain.find(c) != std::string_view::npos)
      s += c;
    else if (kEscaped.find(c) != std::string_view::npos)
      s += std::string("\\") + c;
    else
      s += '?';
  }
  return math && name.size() > 1 ? "\\mathit{" + s + "}" : s;
}

// The formula as typed: its operators are plain characters in \texttt, but
// a run of "-" would be set as a dash outside it, and ">" as an inverted
// question mark in some fonts; \textgreater avoids the question.
std::string LatexFormula(std::string_view formula) {
  std::string s;
  for (const char c : formula) {
    if (c == '>')
      s += "\\textgreater{}";
    else if (c == '-')
      s += "-{}";
    else
      s += c;
  }
  return s;
}

std::string Latex(const ExportDesign& d) {
  std::vector<std::string> inputs, math;
  for (const std::string& in : d.inputs) {
    inputs.push_back(LatexName(in, false));
    math.push_back(LatexName(in, true));
  }
  std::string s = "% written by tervo42\n";
  if (!d.formula.empty()) s += "\\noindent Formula: \\texttt{" + LatexFormula(d.formula) + "}\n\n";
  for (const ExportOutput& o : d.outputs) {
    const std::string name = LatexName(o.name.empty() ? std::string("f") : o.name, true);
    s += "% " + FormName(o) + "\n";
    s += "\\[ " + name + " = " + OutputExpression(o, math, kLatexSyntax, true, "\n   ") + " \\]\n";
    if (o.constant == 0 || o.constant == 1 || o.value.empty()) continue;
    // The table as the output pane shows it: the header letters joined by
    // "." or "+", then one row per term, 1, 0 or x per input.
    s += "\\begin{tabular}{" + std::string(inputs.size(), 'c') + "}\n";
    for (std::size_t v = 0; v < inputs.size(); ++v) s += (v ? " & " : "") + inputs[v];
    s += " \\\\\n\\hline\n";
    for (std::size_t r = 0; r < o.value.size(); ++r) {
      for (std::size_t v = 0; v < inputs.size(); ++v) {
        const bool present = (o.mask[r] >> v & 1) != 0;
        const bool bit = (o.value[r] >> v & 1) != 0;
        s += v ? " & " : "";
        s += !present ? "x" : (bit != o.productOfSums) ? "1" : "0";
      }
      s += " \\\\\n";
    }
    s += "\\end{tabular}\n\n";
  }
  return s;
}

// ---------------------------------------------------------------- CSV

// A CSV field, quoted when it holds a comma, a quote or a line break.
std::string CsvField(const std::string& text) {
  if (text.find_first_of(",\"\r\n") == std::string::npos) return text;
  std::string s = "\"";
  for (const char c : text) s += c == '"' ? std::string("\"\"") : std::string(1, c);
  return s + "\"";
}

// The result of an output on every assignment of n inputs. Each row marks
// the assignments it covers, so an unreduced table of 32768 rows costs
// 32768 marks, not a search of every row for every assignment.
std::vector<uint8_t> ResultValues(const ExportOutput& o, unsigned n) {
  const uint32_t count = 1u << n;
  if (o.constant == 0 || o.constant == 1) return std::vector<uint8_t>(count, static_cast<uint8_t>(o.constant));
  std::vector<uint8_t> covered(count, 0);
  const uint32_t full = count - 1;
  for (std::size_t r = 0; r < o.value.size(); ++r) {
    const uint32_t mask = o.mask[r] & full, base = o.value[r] & mask, free = full & ~mask;
    for (uint32_t s = free;; s = (s - 1) & free) {
      covered[base | s] = 1;
      if (s == 0) break;
    }
  }
  // A covered assignment is one the rows list: 1 in a sum, 0 in a product.
  if (o.productOfSums)
    for (uint8_t& v : covered) v ^= 1;
  return covered;
}

std::string Csv(const ExportDesign& d) {
  std::string s;
  for (std::size_t v = 0; v < d.inputs.size(); ++v) s += (v ? "," : "") + CsvField(d.inputs[v]);
  for (const ExportOutput& o : d.outputs) {
    if (!o.function.empty()) s += "," + CsvField(o.name);
    s += "," + CsvField(o.name + "_result");
  }
  s += "\r\n";
  const uint32_t count = 1u << d.inputs.size();
  std::vector<std::vector<uint8_t>> results;
  for (const ExportOutput& o : d.outputs) results.push_back(ResultValues(o, static_cast<unsigned>(d.inputs.size())));
  for (uint32_t a = 0; a < count; ++a) {
    for (std::size_t v = 0; v < d.inputs.size(); ++v) {
      if (v) s += ',';
      s += (a >> v & 1) ? '1' : '0';
    }
    for (std::size_t k = 0; k < d.outputs.size(); ++k) {
      const ExportOutput& o = d.outputs[k];
      if (!o.function.empty()) {
        const uint8_t f = a < o.function.size() ? o.function[a] : uint8_t{kDontCare};
        s += f == kValue1 ? ",1" : f == kValue0 ? ",0" : ",-";
      }
      s += results[k][a] ? ",1" : ",0";
    }
    s += "\r\n";
  }
  return s;
}

}  // namespace

std::optional<ExportFormat> ExportFormatNamed(std::string_view name) {
  for (std::size_t i = 0; i < kFormatNames.size(); ++i)
    if (kFormatNames[i] == name) return static_cast<ExportFormat>(i);
  return std::nullopt;
}

std::string_view ExportFormatName(ExportFormat f) { return kFormatNames[static_cast<std::size_t>(f)]; }

std::string_view ExportSuffix(ExportFormat f) { return kSuffixes[static_cast<std::size_t>(f)]; }

bool ExportOutput::ValueAt(uint32_t a) const {
  if (constant == 0 || constant == 1) return constant == 1;
  bool covered = false;
  for (std::size_t r = 0; r < value.size() && !covered; ++r) covered = ((a ^ value[r]) & mask[r]) == 0;
  // A covered assignment is one the rows list: 1 in a sum, 0 in a product.
  return covered != productOfSums;
}

ExportNames LegalNames(const ExportDesign& d) {
  ExportNames n;
  std::set<std::string> taken;
  for (std::size_t v = 0; v < d.inputs.size(); ++v)
    n.inputs.push_back(Distinct(LegalName(d.inputs[v], "in" + std::to_string(v)), taken));
  for (std::size_t k = 0; k < d.outputs.size(); ++k)
    n.outputs.push_back(Distinct(LegalName(d.outputs[k].name, "out" + std::to_string(k)), taken));
  n.module = Distinct(LegalName(d.module, "tervo42"), taken);
  return n;
}

std::optional<std::string> ExportText(const ExportDesign& d, ExportFormat f, std::string* why) {
  auto refuse = [why](const char* text) {
    if (why) *why = text;
    return std::nullopt;
  };
  if (d.inputs.empty()) return refuse("the result has no variables");
  if (d.inputs.size() > kMaxVariables) return refuse("the result has more than 15 variables");
  if (d.outputs.empty()) return refuse("the result has no output");
  for (const ExportOutput& o : d.outputs)
    if (o.value.size() != o.mask.size()) return refuse("an output's rows are damaged");
  switch (f) {
    case ExportFormat::kVerilog: return Verilog(d, LegalNames(d));
    case ExportFormat::kVhdl: return Vhdl(d, LegalNames(d));
    case ExportFormat::kLatex: return Latex(d);
    case ExportFormat::kCsv: return Csv(d);
  }
  return refuse("unknown format");
}

// ---------------------------------------------------------------- from the engine

bool InputFunction(const Engine& input, std::string_view variables, std::vector<uint8_t>& out) {
  auto s = std::make_unique<Engine>();
  s->FormulaGrid = input.FormulaGrid;
  s->TableGrid = input.TableGrid;
  s->FormulaMode = input.FormulaMode;
  s->CnfMode = 1;
  s->GoOn = 1;
  s->ErrorCode = kOk;
  if (s->FormulaMode) {
    CollectFormula(*s);
    if (s->ErrorCode == kOk) ScanFormula(*s);
    if (s->ErrorCode == kOk) BuildVariableTable(*s);
    if (s->ErrorCode == kOk) GenerateDirectors(*s);
  } else {
    ReadTable(*s);
  }
  if (s->ErrorCode != kOk || s->Variables() != variables) return false;
  const uint32_t count = 1u << variables.size();
  out.assign(count, kValue0);
  for (uint32_t a = 0; a < count; ++a) {
    const auto row = static_cast<uint16_t>(a);
    if (s->FormulaMode) {
      LoadRow(*s, row);
      out[a] = EvaluateDirectors(*s) ? kValue1 : kValue0;
    } else {
      out[a] = IsCoveredByInput(*s, row) ? kValue1 : kValue0;
    }
  }
  return true;
}

ExportDesign DesignFromEngine(const Engine& e, int constant, const Engine* input) {
  const Engine& in = input ? *input : e;
  ExportDesign d;
  for (const char letter : e.Variables()) d.inputs.emplace_back(1, letter);
  ExportOutput o;
  o.productOfSums = e.CnfMode == 0;
  o.constant = constant;
  if (constant < 0)
    for (unsigned t = 1; t <= e.TermCount; ++t) {
      o.value.push_back(e.TermValue[t]);
      o.mask.push_back(e.TermMask[t]);
    }
  if (!InputFunction(in, e.Variables(), o.function)) o.function.clear();
  d.outputs.push_back(std::move(o));
  if (in.FormulaMode)
    for (const auto& row : in.FormulaGrid)
      for (const char c : row)
        if (c != ' ') d.formula += c;
  return d;
}

}  // namespace tervo
