// Exported results checked by the tools that read them: the Verilog module
// simulated by iverilog and the VHDL entity by ghdl on every assignment
// through a generated testbench, the LaTeX fragment passed by lacheck and
// its table read back, the CSV parsed back; each compared with the result
// itself. The tools are installed by scripts/install-deps.sh; a missing one
// fails its test.
#include <gtest/gtest.h>
#include <stdlib.h>
#include <unistd.h>

#include <cstdio>
#include <filesystem>
#include <fstream>
#include <sstream>
#include <string>
#include <vector>

#include "export_formats.h"
#include "grid_text.h"
#include "pipeline.h"

namespace tervo {
namespace {

namespace fs = std::filesystem;

// A fresh folder of its own, removed at the end.
struct TempDir {
  fs::path path;
  TempDir() {
    std::string t = (fs::temp_directory_path() / "tervo42_export_XXXXXX").string();
    path = ::mkdtemp(t.data()) ? fs::path(t) : fs::path();
  }
  ~TempDir() {
    std::error_code ec;
    if (!path.empty()) fs::remove_all(path, ec);
  }
};

void WriteText(const fs::path& p, const std::string& text) { std::ofstream(p, std::ios::binary) << text; }

// Run a shell command in a folder; its standard output and error together.
std::string Shell(const fs::path& dir, const std::string& command, int* status = nullptr) {
  const std::string line = "cd '" + dir.string() + "' && " + command + " 2>&1";
  std::FILE* p = ::popen(line.c_str(), "r");
  std::string out;
  if (!p) return out;
  char buf[4096];
  std::size_t n;
  while ((n = std::fread(buf, 1, sizeof buf, p)) > 0) out.append(buf, n);
  const int st = ::pclose(p);
  if (status) *status = st;
  return out;
}

bool HaveTool(const char* tool) {
  return Shell(fs::temp_directory_path(), std::string("command -v ") + tool + " >/dev/null && echo yes") == "yes\n";
}

#define REQUIRE_TOOL(tool) \
  ASSERT_TRUE(HaveTool(tool)) << tool << " is missing: scripts/install-deps.sh installs it for the tests"

// ---------------------------------------------------------------- designs

// A formula run as GO runs it, in "CNF" or "DNF", reduced.
ExportDesign FromFormula(const char* formula, bool cnf) {
  auto e = std::make_unique<Engine>();
  test::SetFormulaText(*e, formula);
  e->FormulaMode = 1;
  e->CnfMode = cnf ? 1 : 0;
  e->ReduceOn = 1;
  NullHost host;
  const RunOutcome run = RunGo(*e, host);
  const int constant = run.code == kTautology ? 1 : run.code == kInconsistent ? 0 : -1;
  return DesignFromEngine(*e, constant);
}

// Several outputs of the same inputs, with names the languages do not take
// as they stand.
ExportDesign ManyOutputs() {
  ExportDesign d;
  d.module = "2 bit adder";
  d.inputs = {"a[0]", "in", "carry-in", "A_"};
  ExportOutput sum;  // odd parity of the first three
  sum.name = "sum";
  for (uint16_t a = 0; a < 8; ++a)
    if (__builtin_popcount(a) % 2) {
      sum.value.push_back(a);
      sum.mask.push_back(7);
    }
  ExportOutput carry;  // majority, as a product of sums of its 0 rows
  carry.name = "out";
  carry.productOfSums = true;
  carry.value = {0, 0, 0};
  carry.mask = {3, 5, 6};
  ExportOutput one;
  one.name = "F";
  one.constant = 1;
  ExportOutput always;  // a row without a variable: 1 everywhere
  always.name = "f";
  always.value = {0};
  always.mask = {0};
  ExportOutput never;  // a product of sums with a row without a variable: 0
  never.name = "module%#{}";
  never.productOfSums = true;
  never.value = {5};
  never.mask = {0};
  d.outputs = {sum, carry, one, always, never};
  return d;
}

struct Case {
  const char* name;
  ExportDesign design;
};

std::vector<Case> Cases() {
  std::vector<Case> cases = {
      {"sum of products", FromFormula("A./B+C.D+/A.B./D", true)},
      {"product of sums", FromFormula("(A+B).(/C+D).(A+/D)", false)},
      {"xor chain in DNF", FromFormula("A-B-C-E", false)},
      {"tautology", FromFormula("A+/A", true)},
      {"inconsistent", FromFormula("A./A.B", false)},
      {"several outputs, odd names", ManyOutputs()},
  };
  ExportDesign empty = FromFormula("A.B", true);  // an empty table read as it stands: 0
  empty.outputs[0].value.clear();
  empty.outputs[0].mask.clear();
  cases.push_back({"empty sum of products", empty});
  ExportDesign emptyPos = FromFormula("A.B", false);  // ... and 1 as a product
  emptyPos.outputs[0].value.clear();
  emptyPos.outputs[0].mask.clear();
  cases.push_back({"empty product of sums", emptyPos});
  return cases;
}

// What the design says on every assignment, one string of 0/1 per output.
std::vector<std::string> Expected(const ExportDesign& d) {
  std::vector<std::string> rows;
  for (uint32_t a = 0; a < (1u << d.inputs.size()); ++a) {
    std::string bits;
    for (const ExportOutput& o : d.outputs) bits += o.ValueAt(a) ? '1' : '0';
    rows.push_back(bits);
  }
  return rows;
}

// "i bits" lines of a simulation, indexed by i; bits without quotes.
std::vector<std::string> Simulated(const std::string& out, std::size_t assignments, std::string_view marker) {
  std::vector<std::string> rows(assignments);
  std::istringstream lines(out);
  for (std::string line; std::getline(lines, line);) {
    const std::size_t at = line.find(marker);
    if (at == std::string::npos) continue;
    std::istringstream words(line.substr(at + marker.size()));
    std::size_t i = 0;
    std::string bits, clean;
    if (!(words >> i >> bits) || i >= assignments) continue;
    for (char c : bits)
      if (c != '\'') clean += c;
    rows[i] = clean;
  }
  return rows;
}

TEST(ExportFormats, VerilogSimulatesToTheResultOnEveryAssignment) {
  REQUIRE_TOOL("iverilog");
  for (const Case& c : Cases()) {
    TempDir dir;
    const ExportDesign& d = c.design;
    const auto text = ExportText(d, ExportFormat::kVerilog);
    ASSERT_TRUE(text) << c.name;
    WriteText(dir.path / "design.v", *text);
    const ExportNames n = LegalNames(d);
    std::string tb = "module tb;\n  reg [" + std::to_string(d.inputs.size() - 1) + ":0] a;\n";
    for (std::size_t k = 0; k < d.outputs.size(); ++k) tb += "  wire o" + std::to_string(k) + ";\n";
    tb += "  " + n.module + " dut(";
    for (std::size_t v = 0; v < n.inputs.size(); ++v) tb += "." + n.inputs[v] + "(a[" + std::to_string(v) + "]), ";
    for (std::size_t k = 0; k < n.outputs.size(); ++k)
      tb += "." + n.outputs[k] + "(o" + std::to_string(k) + ")" + (k + 1 < n.outputs.size() ? ", " : ");\n");
    tb += "  integer i;\n  initial begin\n    for (i = 0; i < " + std::to_string(1u << d.inputs.size()) +
          "; i = i + 1) begin\n      a = i;\n      #1;\n      $display(\"row %0d ";
    for (std::size_t k = 0; k < d.outputs.size(); ++k) tb += "%b";
    tb += "\", i";
    for (std::size_t k = 0; k < d.outputs.size(); ++k) tb += ", o" + std::to_string(k);
    tb += ");\n    end\n    $finish;\n  end\nendmodule\n";
    WriteText(dir.path / "tb.v", tb);
    int status = 0;
    const std::string out =
        Shell(dir.path, "iverilog -g2005 -Wall -o sim design.v tb.v && vvp -n sim", &status);
    ASSERT_EQ(status, 0) << c.name << "\n" << *text << out;
    EXPECT_EQ(Simulated(out, 1u << d.inputs.size(), "row "), Expected(d)) << c.name << "\n" << *text;
  }
}

TEST(ExportFormats, VhdlSimulatesToTheResultOnEveryAssignment) {
  REQUIRE_TOOL("ghdl");
  for (const Case& c : Cases()) {
    TempDir dir;
    const ExportDesign& d = c.design;
    const auto text = ExportText(d, ExportFormat::kVhdl);
    ASSERT_TRUE(text) << c.name;
    WriteText(dir.path / "design.vhd", *text);
    const ExportNames n = LegalNames(d);
    const std::string width = std::to_string(d.inputs.size());
    std::string tb =
        "library ieee;\nuse ieee.std_logic_1164.all;\nuse ieee.numeric_std.all;\n\nentity tb is\nend entity tb;\n\n"
        "architecture sim of tb is\n  signal a : std_logic_vector(" +
        width + " - 1 downto 0);\n";
    for (std::size_t k = 0; k < d.outputs.size(); ++k) tb += "  signal o" + std::to_string(k) + " : std_logic;\n";
    tb += "begin\n  dut: entity work." + n.module + " port map (";
    for (std::size_t v = 0; v < n.inputs.size(); ++v) tb += n.inputs[v] + " => a(" + std::to_string(v) + "), ";
    for (std::size_t k = 0; k < n.outputs.size(); ++k)
      tb += n.outputs[k] + " => o" + std::to_string(k) + (k + 1 < n.outputs.size() ? ", " : ");\n");
    tb += "  process\n  begin\n    for i in 0 to 2 ** " + width +
          " - 1 loop\n      a <= std_logic_vector(to_unsigned(i, " + width +
          "));\n      wait for 1 ns;\n      report \"row \" & integer'image(i) & \" \"";
    for (std::size_t k = 0; k < d.outputs.size(); ++k) tb += " & std_logic'image(o" + std::to_string(k) + ")";
    tb += ";\n    end loop;\n    wait;\n  end process;\nend architecture sim;\n";
    WriteText(dir.path / "tb.vhd", tb);
    int status = 0;
    const std::string out = Shell(dir.path, "ghdl -a design.vhd tb.vhd && ghdl -e tb && ghdl -r tb", &status);
    ASSERT_EQ(status, 0) << c.name << "\n" << *text << out;
    EXPECT_EQ(Simulated(out, 1u << d.inputs.size(), "(report note): row "), Expected(d)) << c.name << "\n" << *text;
  }
}

TEST(ExportFormats, LatexPassesLacheckAndItsTableReadsBack) {
  REQUIRE_TOOL("lacheck");
  for (const Case& c : Cases()) {
    TempDir dir;
    const ExportDesign& d = c.design;
    const auto text = ExportText(d, ExportFormat::kLatex);
    ASSERT_TRUE(text) << c.name;
    WriteText(dir.path / "result.tex", *text);
    int status = 0;
    const std::string out = Shell(dir.path, "lacheck result.tex", &status);
    EXPECT_EQ(out, "") << c.name << "\n" << *text;
    // One tabular per output with rows, in order: the rows as the output
    // pane shows them (polarity inverted in a product of sums).
    std::istringstream lines(*text);
    std::vector<std::vector<std::string>> tables;
    bool inRows = false;
    for (std::string line; std::getline(lines, line);) {
      if (line == "\\hline") {
        tables.emplace_back();
        inRows = true;
      } else if (line == "\\end{tabular}") {
        inRows = false;
      } else if (inRows) {
        std::string row;
        for (char ch : line)
          if (ch == '0' || ch == '1' || ch == 'x') row += ch;
        tables.back().push_back(row);
      }
    }
    std::vector<std::vector<std::string>> expected;
    for (const ExportOutput& o : d.outputs) {
      if (o.constant >= 0 || o.value.empty()) continue;
      expected.emplace_back();
      for (std::size_t r = 0; r < o.value.size(); ++r) {
        std::string row;
        for (std::size_t v = 0; v < d.inputs.size(); ++v)
          row += !(o.mask[r] >> v & 1) ? 'x' : ((o.value[r] >> v & 1) != o.productOfSums) ? '1' : '0';
        expected.back().push_back(row);
      }
    }
    EXPECT_EQ(tables, expected) << c.name << "\n" << *text;
  }
}

TEST(ExportFormats, CsvReadsBackAsTheFunctionAndTheResult) {
  for (const Case& c : Cases()) {
    const ExportDesign& d = c.design;
    const auto text = ExportText(d, ExportFormat::kCsv);
    ASSERT_TRUE(text) << c.name;
    std::vector<std::vector<std::string>> rows;
    std::istringstream lines(*text);
    for (std::string line; std::getline(lines, line);) {
      ASSERT_TRUE(!line.empty() && line.back() == '\r') << c.name << ": lines end in CR LF";
      line.pop_back();
      std::vector<std::string> fields;
      std::string field;
      bool quoted = false;
      for (std::size_t i = 0; i < line.size(); ++i) {
        const char ch = line[i];
        if (quoted && ch == '"' && i + 1 < line.size() && line[i + 1] == '"') {
          field += '"';
          ++i;
        } else if (ch == '"') {
          quoted = !quoted;
        } else if (ch == ',' && !quoted) {
          fields.push_back(field);
          field.clear();
        } else {
          field += ch;
        }
      }
      fields.push_back(field);
      rows.push_back(fields);
    }
    const std::size_t n = d.inputs.size();
    ASSERT_EQ(rows.size(), (1u << n) + 1) << c.name;
    for (std::size_t v = 0; v < n; ++v) EXPECT_EQ(rows[0][v], d.inputs[v]) << c.name;
    for (uint32_t a = 0; a < (1u << n); ++a) {
      const std::vector<std::string>& row = rows[a + 1];
      std::size_t at = 0;
      for (std::size_t v = 0; v < n; ++v) ASSERT_EQ(row[at++], (a >> v & 1) ? "1" : "0") << c.name << " row " << a;
      for (const ExportOutput& o : d.outputs) {
        if (!o.function.empty()) {
          ASSERT_EQ(rows[0][at], o.name) << c.name;
          EXPECT_EQ(row[at++], o.function[a] == kValue1 ? "1" : o.function[a] == kValue0 ? "0" : "-") << c.name;
        }
        ASSERT_EQ(rows[0][at], o.name + "_result") << c.name;
        EXPECT_EQ(row[at++], o.ValueAt(a) ? "1" : "0") << c.name << " row " << a;
      }
      EXPECT_EQ(at, row.size()) << c.name;
    }
  }
}

// A run's CSV: the function column is the formula itself, and a verified
// result agrees with it everywhere, in both forms and for a typed table.
TEST(ExportFormats, RunResultsAgreeWithTheirInputFunction) {
  const struct {
    const char* formula;  // or the table's lines when table is set
    bool cnf, table;
  } cases[] = {
      {"A./B+C.D+/A.B./D", true, false},
      {"A>B=C", false, false},
      {"(A+B.C).(D+E+F+G+H)", true, false},
      {"CAB\n1 1\n011\n  0", true, true},
  };
  for (const auto& c : cases) {
    auto e = std::make_unique<Engine>();
    if (c.table) {
      test::SetTableText(*e, c.formula);
      e->FormulaMode = 0;
    } else {
      test::SetFormulaText(*e, c.formula);
      e->FormulaMode = 1;
    }
    e->CnfMode = c.cnf ? 1 : 0;
    e->ReduceOn = 1;
    NullHost host;
    const RunOutcome run = RunGo(*e, host);
    ASSERT_TRUE(run.verified) << c.formula << ": " << run.message;
    const ExportDesign d = DesignFromEngine(*e, -1);
    ASSERT_EQ(d.outputs[0].function.size(), 1u << e->VariableCount) << c.formula;
    int ones = 0;
    for (uint32_t a = 0; a < (1u << e->VariableCount); ++a) {
      EXPECT_EQ(d.outputs[0].function[a] == kValue1, d.outputs[0].ValueAt(a)) << c.formula << " at " << a;
      ones += d.outputs[0].function[a] == kValue1;
    }
    EXPECT_GT(ones, 0) << c.formula;
    EXPECT_EQ(d.formula.empty(), c.table) << c.formula;
  }
  // The grids edited after the run: their function is not the result's.
  auto e = std::make_unique<Engine>();
  test::SetFormulaText(*e, "A.B");
  NullHost host;
  RunGo(*e, host);
  test::SetFormulaText(*e, "A.C");
  EXPECT_TRUE(DesignFromEngine(*e, -1).outputs[0].function.empty());
}

// Fifteen variables, unreduced: 32768 lines, each result as the function.
TEST(ExportFormats, CsvOfFifteenVariablesUnreduced) {
  for (const bool cnf : {true, false}) {
    auto e = std::make_unique<Engine>();
    test::SetFormulaText(*e, "(A.B+C.D+E.F+G.H)-(I.J+K.L+M.N.O)");
    e->FormulaMode = 1;
    e->CnfMode = cnf ? 1 : 0;
    e->ReduceOn = 0;
    NullHost host;
    ASSERT_TRUE(RunGo(*e, host).verified);
    ASSERT_GT(e->TermCount, 10000);
    const auto text = ExportText(DesignFromEngine(*e, -1), ExportFormat::kCsv);
    ASSERT_TRUE(text);
    std::istringstream lines(*text);
    std::string line;
    std::getline(lines, line);
    EXPECT_EQ(line, "A,B,C,D,E,F,G,H,I,J,K,L,M,N,O,f,f_result\r");
    int count = 0, ones = 0;
    while (std::getline(lines, line)) {
      ASSERT_EQ(line.size(), 15 * 2 + 4u) << line;  // 15 inputs, the two columns, CR
      const char function = line[30], result = line[32];
      ASSERT_EQ(function, result) << "line " << count + 2;
      ones += result == '1';
      ++count;
    }
    EXPECT_EQ(count, 32768);
    EXPECT_EQ(ones, cnf ? e->TermCount : 32768 - e->TermCount);
  }
}

TEST(ExportFormats, NamesAreLegalAndDistinctAndRefusalsSayWhy) {
  const struct {
    std::vector<std::string> inputs, outputs;
    std::string module;
    std::vector<std::string> legalInputs, legalOutputs;
    std::string legalModule;
  } cases[] = {
      {{"A", "B"}, {"f"}, "tervo42", {"A", "B"}, {"f"}, "tervo42"},
      {{"F"}, {"f"}, "tervo42", {"F"}, {"f_2"}, "tervo42"},
      {{"in", "out", "1st", "a  b", "_x_"}, {"carry-out", "", "signal"}, "my adder",
       {"in_v", "out_v", "n_1st", "a_b", "x"}, {"carry_out", "out1", "signal_v"}, "my_adder"},
      {{"x", "X", "x_2"}, {"x"}, "x", {"x", "X_2", "x_2_2"}, {"x_3"}, "x_4"},
  };
  for (const auto& c : cases) {
    ExportDesign d;
    d.inputs = c.inputs;
    d.module = c.module;
    for (const std::string& o : c.outputs) {
      d.outputs.emplace_back();
      d.outputs.back().name = o;
    }
    const ExportNames n = LegalNames(d);
    EXPECT_EQ(n.inputs, c.legalInputs) << c.module;
    EXPECT_EQ(n.outputs, c.legalOutputs) << c.module;
    EXPECT_EQ(n.module, c.legalModule);
  }
  std::string why;
  ExportDesign none;
  EXPECT_FALSE(ExportText(none, ExportFormat::kVerilog, &why));
  EXPECT_EQ(why, "the result has no variables");
  none.inputs = {"A"};
  EXPECT_FALSE(ExportText(none, ExportFormat::kCsv, &why));
  EXPECT_EQ(why, "the result has no output");
  for (const char* name : {"verilog", "vhdl", "latex", "csv"}) {
    const auto f = ExportFormatNamed(name);
    ASSERT_TRUE(f) << name;
    EXPECT_EQ(ExportFormatName(*f), name);
  }
  EXPECT_FALSE(ExportFormatNamed("pdf"));
}

}  // namespace
}  // namespace tervo
