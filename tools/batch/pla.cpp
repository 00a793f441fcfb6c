#include "pla.h"

#include <algorithm>
#include <cctype>
#include <charconv>
#include <tuple>


namespace tervo::batch {

namespace {

bool IsBlank(char c) { return c == ' ' || c == '\t' || c == '\r' || c == '\v' || c == '\f'; }

std::vector<std::string_view> Words(std::string_view line) {
  std::vector<std::string_view> words;
  std::size_t i = 0;
  while (i < line.size()) {
    while (i < line.size() && IsBlank(line[i])) ++i;
    const std::size_t start = i;
    while (i < line.size() && !IsBlank(line[i])) ++i;
    if (i > start) words.push_back(line.substr(start, i - start));
  }
  return words;
}

// A whole decimal number, or nothing.
std::optional<long> Number(std::string_view word) {
  long v = 0;
  const auto [end, ec] = std::from_chars(word.data(), word.data() + word.size(), v);
  if (ec != std::errc() || end != word.data() + word.size()) return std::nullopt;
  return v;
}

std::string Printable(char c) {
  const auto u = static_cast<unsigned char>(c);
  if (u >= 0x21 && u < 0x7F) return std::string("\"") + c + "\"";
  static const char* hex = "0123456789abcdef";
  return std::string("byte 0x") + hex[u >> 4] + hex[u & 15];
}

// The first control character (other than a blank) or byte outside ASCII
// in a line, or npos.
std::size_t StrayByte(std::string_view line) {
  for (std::size_t i = 0; i < line.size(); ++i) {
    const auto u = static_cast<unsigned char>(line[i]);
    if ((u < 0x20 && !IsBlank(line[i])) || u >= 0x7F) return i;
  }
  return std::string_view::npos;
}

// True when a line holds only the characters of a row: what a row before
// .i looks like, as opposed to a title.
bool IsRowText(std::string_view line) {
  return line.find_first_not_of("01234-~| \t\r\v\f") == std::string_view::npos;
}

// Letters from ".ilb" when they are distinct single letters, else A, B, C...
std::string ChooseLetters(const std::vector<std::string>& names, unsigned inputs) {
  std::string letters;
  for (const std::string& name : names) {
    if (name.size() != 1 || !std::isalpha(static_cast<unsigned char>(name[0]))) break;
    const char c = static_cast<char>(std::toupper(static_cast<unsigned char>(name[0])));
    if (letters.find(c) != std::string::npos) break;
    letters += c;
  }
  if (letters.size() == inputs) return letters;
  letters.clear();
  for (unsigned c = 0; c < inputs; ++c) letters += static_cast<char>('A' + c);
  return letters;
}

}  // namespace

namespace {

// Why a keyword of the format is not taken here, for the ones that are
// known; empty for the others.
std::string_view KeywordReason(std::string_view key) {
  if (key == ".mv" || key == ".label") return "multiple-valued variables are not taken";
  if (key == ".phase")
    return "it chooses outputs to reduce in complemented form; here every output is reduced in one form "
           "(--sop or --pos)";
  if (key == ".pair") return "paired inputs are not taken";
  if (key == ".symbolic" || key == ".symbolic-output" || key == ".kiss" || key == ".latch" || key == ".clock" ||
      key == ".code")
    return "symbolic and sequential descriptions are not taken";
  return "";
}

// The sets that a ".type" word lists, or 0 for an unknown word.
uint8_t TypeSets(std::string_view word) {
  if (word == "f") return kListsOn;
  if (word == "r") return kListsOff;
  if (word == "fd") return kListsOn | kListsDc;
  if (word == "fr") return kListsOn | kListsOff;
  if (word == "dr") return kListsDc | kListsOff;
  if (word == "fdr") return kListsOn | kListsDc | kListsOff;
  return 0;
}

// An output character as kept: '1', '0', '-' or '~'; 0 for any other.
char OutputCell(char c) {
  switch (c) {
    case '1':
    case '4':
      return '1';
    case '0':
      return '0';
    case '-':
    case '2':
      return '-';
    case '~':
    case '3':
      return '~';
    default:
      return 0;
  }
}

std::string Keyword(std::string_view key) { return std::string(key); }

}  // namespace

std::optional<InputError> ReadPlaFile(std::string_view text, PlaFile& out) {
  out = PlaFile{};
  long inputs = -1, outputs = -1, declaredTerms = -1;
  int termsLine = 0, firstRowLine = 0;
  bool typeSeen = false, namesSeen = false, outNamesSeen = false;
  int lineNo = 0;
  std::size_t pos = 0;
  std::string cells;
  auto refuse = [](int line, std::string why) { return InputError{line, std::move(why)}; };

  while (pos < text.size()) {
    std::size_t end = text.find('\n', pos);
    if (end == std::string_view::npos) end = text.size();
    std::string_view line = text.substr(pos, end - pos);
    pos = end + 1;
    ++lineNo;

    std::vector<std::string_view> words = Words(line);
    if (words.empty() || words[0][0] == '#') continue;

    if (words[0][0] == '.') {
      const std::string_view key = words[0];
      if (key == ".e" || key == ".end") break;
      if (firstRowLine && (key == ".i" || key == ".o" || key == ".ilb" || key == ".ob" || key == ".type"))
        return refuse(lineNo, Keyword(key) + " must come before the first row");
      if (key == ".i" || key == ".o" || key == ".p") {
        if (words.size() != 2 || !Number(words[1])) return refuse(lineNo, Keyword(key) + " needs one whole number");
        const long v = *Number(words[1]);
        if (key == ".i") {
          if (inputs >= 0) return refuse(lineNo, ".i is given twice");
          if (v < 1 || v > kMaxVariables)
            return refuse(lineNo, ".i " + std::to_string(v) + ": the number of inputs must be 1 to 15");
          inputs = v;
        } else if (key == ".o") {
          if (outputs >= 0) return refuse(lineNo, ".o is given twice");
          if (v < 1 || v > static_cast<long>(kMaxPlaOutputs))
            return refuse(lineNo, ".o " + std::to_string(v) + ": the number of outputs must be 1 to 1024");
          outputs = v;
          out.outputsLine = lineNo;
        } else {
          if (declaredTerms >= 0) return refuse(lineNo, ".p is given twice");
          if (v < 0) return refuse(lineNo, ".p needs a number of 0 or more");
          declaredTerms = v;
          termsLine = lineNo;
        }
      } else if (key == ".ilb" || key == ".ob") {
        const bool in = key == ".ilb";
        const long count = in ? inputs : outputs;
        if (count < 0) return refuse(lineNo, Keyword(key) + (in ? " must come after .i" : " must come after .o"));
        if (in ? namesSeen : outNamesSeen) return refuse(lineNo, Keyword(key) + " is given twice");
        if (words.size() - 1 != static_cast<std::size_t>(count))
          return refuse(lineNo, Keyword(key) + " names " + std::to_string(words.size() - 1) +
                                    (in ? " inputs, .i says " : " outputs, .o says ") + std::to_string(count));
        std::vector<std::string>& names = in ? out.inputNames : out.outputNames;
        for (std::size_t w = 1; w < words.size(); ++w) names.emplace_back(words[w]);
        (in ? namesSeen : outNamesSeen) = true;
      } else if (key == ".type") {
        if (typeSeen) return refuse(lineNo, ".type is given twice");
        if (words.size() != 2) return refuse(lineNo, ".type needs one word");
        const uint8_t sets = TypeSets(words[1]);
        if (!sets)
          return refuse(lineNo, ".type " + std::string(words[1]) + ": the type must be f, r, fd, fr, dr or fdr");
        typeSeen = true;
        out.type = std::string(words[1]);
        out.sets = sets;
        out.typeLine = lineNo;
      } else {
        std::string why = "the keyword " + Keyword(key) + " is not taken";
        const std::string_view reason = KeywordReason(key);
        if (!reason.empty()) why += std::string(": ") + std::string(reason);
        return refuse(lineNo, why);
      }
      continue;
    }

    // A row: the input characters, then one character per output; blanks
    // and "|" may stand anywhere between them, and a "#" starts a comment
    // that runs to the end of the line.
    line = line.substr(0, line.find('#'));
    words = Words(line);
    // Text before .i that is no row is a title, as many files begin.
    if (inputs < 0 && !IsRowText(line)) continue;
    if (inputs < 0 || outputs < 0) return refuse(lineNo, "a row before .i and .o");
    if (!firstRowLine) firstRowLine = lineNo;
    if (const std::size_t at = StrayByte(line); at != std::string_view::npos)
      return refuse(lineNo, "column " + std::to_string(at + 1) + " is " + Printable(line[at]) +
                                "; a row holds the characters 0 1 - 2 ~ 3 4, blanks and \"|\"");
    cells.clear();
    for (std::string_view w : words)
      for (char c : w)
        if (c != '|') cells += c;
    const auto want = static_cast<std::size_t>(inputs + outputs);
    if (cells.size() != want)
      return refuse(lineNo, "the row has " + std::to_string(cells.size()) + " characters; .i " +
                                std::to_string(inputs) + " and .o " + std::to_string(outputs) + " need " +
                                std::to_string(want));
    uint16_t value = 0, mask = 0;
    for (long c = 0; c < inputs; ++c) {
      const char ch = cells[static_cast<std::size_t>(c)];
      const auto bit = static_cast<uint16_t>(1u << c);
      if (ch == '1') {
        value |= bit;
        mask |= bit;
      } else if (ch == '0') {
        mask |= bit;
      } else if (ch != '-' && ch != '2') {
        return refuse(lineNo, "input " + std::to_string(c + 1) + " is " + Printable(ch) +
                                  "; an input must be 0, 1 or - (also written 2)");
      }
    }
    for (long k = 0; k < outputs; ++k) {
      const char ch = cells[static_cast<std::size_t>(inputs + k)];
      const char cell = OutputCell(ch);
      if (!cell) {
        std::string why = "the output is " + Printable(ch);
        if (outputs > 1) why += " for output " + std::to_string(k + 1);
        return refuse(lineNo, why + "; an output must be 1, 0, - or ~ (also written 4, 2 or 3)");
      }
      out.outs += cell;
    }
    if (out.value.size() == static_cast<std::size_t>(kTermCapacity)) return refuse(lineNo, "more than 32768 rows");
    out.value.push_back(value);
    out.mask.push_back(mask);
    out.rowLine.push_back(lineNo);
  }

  if (inputs < 0) return refuse(0, "no .i line: the number of inputs is not given");
  if (outputs < 0) return refuse(0, "no .o line: the number of outputs is not given");
  if (declaredTerms >= 0 && static_cast<std::size_t>(declaredTerms) != out.value.size())
    return refuse(termsLine, ".p says " + std::to_string(declaredTerms) + " rows, the file has " +
                                 std::to_string(out.value.size()));
  out.inputs = static_cast<unsigned>(inputs);
  out.outputs = static_cast<unsigned>(outputs);
  out.letters = ChooseLetters(out.inputNames, out.inputs);
  return std::nullopt;
}

std::string AssignmentText(unsigned inputs, uint16_t a) {
  std::string s;
  for (unsigned c = 0; c < inputs; ++c) s += (a >> c & 1) ? '1' : '0';
  return s;
}

namespace {

// The first row whose output k is `cell` and whose cube covers a.
std::size_t FirstRowCovering(const PlaFile& f, unsigned k, char cell, uint16_t a) {
  for (std::size_t r = 0; r < f.value.size(); ++r)
    if (f.Out(r, k) == cell && ((f.value[r] ^ a) & f.mask[r]) == 0) return r;
  return f.value.size();
}

}  // namespace

std::optional<InputError> OutputStates(const PlaFile& f, unsigned k, std::vector<RowState>& states) {
  constexpr uint8_t kOnBit = 1, kDcBit = 2, kOffBit = 4;
  std::vector<uint8_t> marks(std::size_t{1} << f.inputs, 0);
  // Each distinct cube is expanded once, however often the file repeats it.
  std::vector<uint32_t> cubes;
  for (const auto& [cell, set, bit] : {std::tuple{'1', kListsOn, kOnBit}, std::tuple{'-', kListsDc, kDcBit},
                                       std::tuple{'0', kListsOff, kOffBit}}) {
    if (!(f.sets & set)) continue;
    cubes.clear();
    for (std::size_t r = 0; r < f.value.size(); ++r)
      if (f.Out(r, k) == cell) cubes.push_back(uint32_t{f.mask[r]} << 16 | (f.value[r] & f.mask[r]));
    std::sort(cubes.begin(), cubes.end());
    cubes.erase(std::unique(cubes.begin(), cubes.end()), cubes.end());
    for (const uint32_t c : cubes)
      ForEachAssignment(f.inputs, static_cast<uint16_t>(c), static_cast<uint16_t>(c >> 16),
                        [&, b = bit](uint16_t a) { marks[a] |= b; });
  }

  // What the file leaves out.
  const bool on = f.sets & kListsOn, off = f.sets & kListsOff;
  const RowState rest = on && off ? RowState::kDontCare : on ? RowState::kOff : RowState::kOn;
  states.assign(marks.size(), rest);
  for (std::size_t a = 0; a < marks.size(); ++a) {
    const uint8_t m = marks[a];
    if (m & kDcBit) {
      states[a] = RowState::kDontCare;
    } else if ((m & kOnBit) && (m & kOffBit)) {
      const auto row = static_cast<uint16_t>(a);
      const int onLine = f.rowLine[FirstRowCovering(f, k, '1', row)];
      const int offLine = f.rowLine[FirstRowCovering(f, k, '0', row)];
      std::string what = f.outputs > 1 ? "output " + std::to_string(k + 1) : std::string("the output");
      return InputError{std::max(onLine, offLine),
                        "inputs " + AssignmentText(f.inputs, row) + " are 1 for " + what + " on line " +
                            std::to_string(onLine) + " and 0 on line " + std::to_string(offLine)};
    } else if (m & kOnBit) {
      states[a] = RowState::kOn;
    } else if (m & kOffBit) {
      states[a] = RowState::kOff;
    }
  }
  return std::nullopt;
}

std::optional<InputError> ReadPla(std::string_view text, PlaFunction& out) {
  out = PlaFunction{};
  PlaFile file;
  if (auto err = ReadPlaFile(text, file)) return err;
  if (file.outputs != 1)
    return InputError{file.outputsLine, ".o " + std::to_string(file.outputs) +
                                            ": a table holds one function; only a file with a single output fits"};
  const bool offSet = file.sets == kListsOff;
  if (file.sets != kListsOn && file.sets != (kListsOn | kListsDc) && !offSet)
    return InputError{file.typeLine, ".type " + file.type +
                                         ": a table lists one set of rows, the ON-set (.type f) or the OFF-set "
                                         "(.type r)"};
  const char want = offSet ? '0' : '1';
  for (std::size_t r = 0; r < file.value.size(); ++r) {
    const char o = file.Out(r, 0);
    if (o == want) {
      out.value.push_back(static_cast<uint16_t>(file.value[r] & file.mask[r]));
      out.mask.push_back(file.mask[r]);
      continue;
    }
    const int line = file.rowLine[r];
    if (o == '-' || o == '~') return InputError{line, "don't-care rows and rows of no meaning have no place in a table"};
    if (offSet) return InputError{line, "output 1 in a .type r file: a table lists only the rows where it is 0"};
    return InputError{line, "output 0: rows outside the ON-set have no place in a table (list the rows where the "
                            "function is 1, or use .type r to list only rows where it is 0)"};
  }
  out.inputs = file.inputs;
  out.letters = file.letters;
  out.offSet = offSet;
  out.typeLine = file.typeLine;
  return std::nullopt;
}

std::vector<uint8_t> ListedAssignments(const PlaFunction& f) {
  std::vector<uint8_t> listed(std::size_t{1} << f.inputs, 0);
  for (std::size_t t = 0; t < f.value.size(); ++t)
    ForEachAssignment(f.inputs, f.value[t], f.mask[t], [&](uint16_t a) { listed[a] = 1; });
  return listed;
}

std::string WritePla(const Engine& e) {
  const unsigned n = e.VariableCount;
  std::string s;
  s += e.CnfMode ? "# rows where the function is 1\n" : "# rows where the function is 0\n";
  s += ".i " + std::to_string(n) + "\n.o 1\n.ilb";
  for (unsigned v = 0; v < n; ++v) {
    s += ' ';
    s += e.VariableTable[v];
  }
  s += "\n.ob f\n";
  s += e.CnfMode ? ".type f\n" : ".type r\n";
  s += ".p " + std::to_string(e.TermCount) + "\n";
  for (unsigned t = 1; t <= e.TermCount; ++t) {
    for (unsigned v = 0; v < n; ++v) {
      if (!(e.TermMask[t] >> v & 1))
        s += '-';
      else
        s += (e.TermValue[t] >> v & 1) ? '1' : '0';
    }
    s += e.CnfMode ? " 1\n" : " 0\n";
  }
  s += ".e\n";
  return s;
}

}  // namespace tervo::batch
