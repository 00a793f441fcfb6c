#include "pla.h"

#include <algorithm>
#include <array>
#include <cctype>
#include <charconv>
#include <iterator>
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

// A file while it is read: what the keywords so far have given.
struct PlaReader {
  explicit PlaReader(PlaFile& file) : out(file) {}
  PlaFile& out;
  long inputs = -1;         // .i, -1 until given
  long outputs = -1;        // .o, -1 until given
  long declaredTerms = -1;  // .p, -1 until given
  int termsLine = 0;        // line of .p
  int firstRowLine = 0;     // line of the first row, 0 before it
  bool namesSeen = false;   // .ilb given
  bool outNamesSeen = false;  // .ob given
  bool typeSeen = false;    // .type given
  bool ended = false;       // .e or .end read: nothing after it counts
  int lineNo = 0;           // the line being read, from 1
  std::string cells;        // the characters of the row being read
  std::vector<int> columns;  // ... and the column of each in its line

  InputError Refuse(std::string why, int column = 0) const { return InputError{lineNo, std::move(why), column}; }
};

using LineWords = std::vector<std::string_view>;
using KeywordHandler = std::optional<InputError> (*)(PlaReader&, const LineWords&);

std::optional<InputError> ReadCount(PlaReader& r, const LineWords& words) {
  const std::string_view key = words[0];
  if (words.size() != 2 || !Number(words[1])) return r.Refuse(Keyword(key) + " needs one whole number");
  const long v = *Number(words[1]);
  if (key == ".i") {
    if (r.inputs >= 0) return r.Refuse(".i is given twice");
    if (v < 1 || v > kMaxVariables)
      return r.Refuse(".i " + std::to_string(v) + ": the number of inputs must be 1 to " + std::to_string(kMaxVariables));
    r.inputs = v;
  } else if (key == ".o") {
    if (r.outputs >= 0) return r.Refuse(".o is given twice");
    if (v < 1 || v > static_cast<long>(kMaxPlaOutputs))
      return r.Refuse(".o " + std::to_string(v) + ": the number of outputs must be 1 to 1024");
    r.outputs = v;
    r.out.outputsLine = r.lineNo;
  } else {
    if (r.declaredTerms >= 0) return r.Refuse(".p is given twice");
    if (v < 0) return r.Refuse(".p needs a number of 0 or more");
    r.declaredTerms = v;
    r.termsLine = r.lineNo;
  }
  return std::nullopt;
}

std::optional<InputError> ReadNames(PlaReader& r, const LineWords& words) {
  const std::string_view key = words[0];
  const bool in = key == ".ilb";
  const long count = in ? r.inputs : r.outputs;
  if (count < 0) return r.Refuse(Keyword(key) + (in ? " must come after .i" : " must come after .o"));
  if (in ? r.namesSeen : r.outNamesSeen) return r.Refuse(Keyword(key) + " is given twice");
  if (words.size() - 1 != static_cast<std::size_t>(count))
    return r.Refuse(Keyword(key) + " names " + std::to_string(words.size() - 1) +
                    (in ? " inputs, .i says " : " outputs, .o says ") + std::to_string(count));
  std::vector<std::string>& names = in ? r.out.inputNames : r.out.outputNames;
  for (std::size_t w = 1; w < words.size(); ++w) names.emplace_back(words[w]);
  (in ? r.namesSeen : r.outNamesSeen) = true;
  return std::nullopt;
}

std::optional<InputError> ReadType(PlaReader& r, const LineWords& words) {
  if (r.typeSeen) return r.Refuse(".type is given twice");
  if (words.size() != 2) return r.Refuse(".type needs one word");
  const uint8_t sets = TypeSets(words[1]);
  if (!sets) return r.Refuse(".type " + std::string(words[1]) + ": the type must be f, r, fd, fr, dr or fdr");
  r.typeSeen = true;
  r.out.type = std::string(words[1]);
  r.out.sets = sets;
  r.out.typeLine = r.lineNo;
  return std::nullopt;
}

std::optional<InputError> ReadEnd(PlaReader& r, const LineWords&) {
  r.ended = true;
  return std::nullopt;
}

// Every keyword the reader knows, in the order the help lists them: those
// it takes with their handler, and those it refuses with the reason.
struct PlaKeyword {
  std::string_view name;
  std::string_view arguments;  // what follows it, as the help shows
  std::string_view meaning;    // the help's text; for a refused keyword why it is refused
  bool beforeRows;             // it must come before the first row
  KeywordHandler handler;      // nullptr for a refused keyword
};

constexpr std::string_view kPhaseReason =
    "it chooses outputs to reduce in complemented form; here every output is reduced in one form (--sop or --pos)";
constexpr std::string_view kSymbolicReason = "symbolic and sequential descriptions are not taken";

// "the number of inputs, 1 to 15", its limit taken from kMaxVariables.
constexpr auto kInputsMeaningText = [] {
  constexpr std::string_view head = "the number of inputs, 1 to ";
  std::array<char, head.size() + 8> text{};
  std::size_t n = 0;
  for (char c : head) text[n++] = c;
  char digits[8]{};
  int d = 0;
  for (int v = kMaxVariables; v > 0; v /= 10) digits[d++] = static_cast<char>('0' + v % 10);
  while (d > 0) text[n++] = digits[--d];
  return text;
}();
constexpr std::string_view kInputsMeaning(kInputsMeaningText.data());

constexpr PlaKeyword kPlaKeywords[] = {
    {".i", "N", kInputsMeaning, true, ReadCount},
    {".o", "N", "the number of outputs, 1 to 1024", true, ReadCount},
    {".ilb", "NAMES", "a name for each input, after .i", true, ReadNames},
    {".ob", "NAMES", "a name for each output, after .o", true, ReadNames},
    {".type", "T", "the sets the rows list: f, r, fd (the default), fr, dr or fdr", true, ReadType},
    {".p", "N", "the number of rows, checked when given", false, ReadCount},
    {".e", "", "the end: nothing after it is read", false, ReadEnd},
    {".end", "", "the same as .e", false, ReadEnd},
    {".mv", "", "multiple-valued variables are not taken", false, nullptr},
    {".label", "", "multiple-valued variables are not taken", false, nullptr},
    {".phase", "", kPhaseReason, false, nullptr},
    {".pair", "", "paired inputs are not taken", false, nullptr},
    {".symbolic", "", kSymbolicReason, false, nullptr},
    {".symbolic-output", "", kSymbolicReason, false, nullptr},
    {".kiss", "", kSymbolicReason, false, nullptr},
    {".latch", "", kSymbolicReason, false, nullptr},
    {".clock", "", kSymbolicReason, false, nullptr},
    {".code", "", kSymbolicReason, false, nullptr},
};

const PlaKeyword* FindKeyword(std::string_view key) {
  for (const PlaKeyword& k : kPlaKeywords)
    if (k.name == key) return &k;
  return nullptr;
}

std::optional<InputError> ReadKeyword(PlaReader& r, const LineWords& words) {
  const std::string_view key = words[0];
  const PlaKeyword* k = FindKeyword(key);
  if (!k || !k->handler) {
    std::string why = "the keyword " + Keyword(key) + " is not taken";
    if (k) why += std::string(": ") + std::string(k->meaning);
    return r.Refuse(why);
  }
  if (r.firstRowLine && k->beforeRows) return r.Refuse(Keyword(key) + " must come before the first row");
  return k->handler(r, words);
}

// The cube of a row and its output characters, added to the file.
std::optional<InputError> ReadRowCells(PlaReader& r) {
  const std::string& cells = r.cells;
  const long inputs = r.inputs, outputs = r.outputs;
  const auto want = static_cast<std::size_t>(inputs + outputs);
  if (cells.size() != want)
    return r.Refuse("the row has " + std::to_string(cells.size()) + " characters; .i " + std::to_string(inputs) +
                    " and .o " + std::to_string(outputs) + " need " + std::to_string(want));
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
      return r.Refuse("input " + std::to_string(c + 1) + " is " + Printable(ch) +
                          "; an input must be 0, 1 or - (also written 2)",
                      r.columns[static_cast<std::size_t>(c)]);
    }
  }
  PlaFile& out = r.out;
  for (long k = 0; k < outputs; ++k) {
    const char ch = cells[static_cast<std::size_t>(inputs + k)];
    const char cell = OutputCell(ch);
    if (!cell) {
      std::string why = "the output is " + Printable(ch);
      if (outputs > 1) why += " for output " + std::to_string(k + 1);
      return r.Refuse(why + "; an output must be 1, 0, - or ~ (also written 4, 2 or 3)",
                      r.columns[static_cast<std::size_t>(inputs + k)]);
    }
    out.outs += cell;
  }
  if (out.value.size() == static_cast<std::size_t>(kTermCapacity)) return r.Refuse("more than " + std::to_string(kTermCapacity) + " rows");
  out.value.push_back(value);
  out.mask.push_back(mask);
  out.rowLine.push_back(r.lineNo);
  return std::nullopt;
}

// A row: the input characters, then one character per output; blanks and
// "|" may stand anywhere between them, and a "#" starts a comment that runs
// to the end of the line.
std::optional<InputError> ReadRow(PlaReader& r, std::string_view line) {
  line = line.substr(0, line.find('#'));
  // Text before .i that is no row is a title, as many files begin.
  if (r.inputs < 0 && !IsRowText(line)) return std::nullopt;
  if (r.inputs < 0 || r.outputs < 0) return r.Refuse("a row before .i and .o");
  if (!r.firstRowLine) r.firstRowLine = r.lineNo;
  if (const std::size_t at = StrayByte(line); at != std::string_view::npos)
    return r.Refuse("column " + std::to_string(at + 1) + " is " + Printable(line[at]) +
                        "; a row holds the characters 0 1 - 2 ~ 3 4, blanks and \"|\"",
                    static_cast<int>(at) + 1);
  r.cells.clear();
  r.columns.clear();
  for (std::size_t i = 0; i < line.size(); ++i)
    if (!IsBlank(line[i]) && line[i] != '|') {
      r.cells += line[i];
      r.columns.push_back(static_cast<int>(i) + 1);
    }
  return ReadRowCells(r);
}

// What the whole file must give once every line is read.
std::optional<InputError> Finish(PlaReader& r) {
  PlaFile& out = r.out;
  if (r.inputs < 0) return InputError{0, "no .i line: the number of inputs is not given"};
  if (r.outputs < 0) return InputError{0, "no .o line: the number of outputs is not given"};
  if (r.declaredTerms >= 0 && static_cast<std::size_t>(r.declaredTerms) != out.value.size())
    return InputError{r.termsLine, ".p says " + std::to_string(r.declaredTerms) + " rows, the file has " +
                                       std::to_string(out.value.size())};
  out.inputs = static_cast<unsigned>(r.inputs);
  out.outputs = static_cast<unsigned>(r.outputs);
  out.letters = ChooseLetters(out.inputNames, out.inputs);
  return std::nullopt;
}

// A word-wrapped text, each line indented by `indent` blanks, the first
// line's indent left to the caller.
std::string Wrap(std::string_view text, std::size_t indent, std::size_t width) {
  std::string s;
  std::size_t column = indent;
  for (std::string_view word : Words(text)) {
    if (column > indent && column + 1 + word.size() > width) {
      s += "\n" + std::string(indent, ' ');
      column = indent;
    } else if (column > indent) {
      s += ' ';
      ++column;
    }
    s += word;
    column += word.size();
  }
  return s;
}

}  // namespace

std::optional<InputError> ReadPlaFile(std::string_view text, PlaFile& out) {
  out = PlaFile{};
  PlaReader r(out);
  std::size_t pos = 0;
  while (pos < text.size() && !r.ended) {
    std::size_t end = text.find('\n', pos);
    if (end == std::string_view::npos) end = text.size();
    const std::string_view line = text.substr(pos, end - pos);
    pos = end + 1;
    ++r.lineNo;
    const LineWords words = Words(line);
    if (words.empty() || words[0][0] == '#') continue;
    auto err = words[0][0] == '.' ? ReadKeyword(r, words) : ReadRow(r, line);
    if (err) return err;
  }
  return Finish(r);
}

std::string PlaKeywordHelp() {
  constexpr std::size_t kColumn = 18, kWidth = 78;
  std::string s;
  for (std::size_t i = 0; i < std::size(kPlaKeywords); ++i) {
    const PlaKeyword& k = kPlaKeywords[i];
    // Keywords refused for the same reason share one item; those that do
    // not fit beside it are named after the reason.
    std::string tag = "  ";
    tag.append(k.name).append(k.arguments.empty() ? "" : " ").append(k.arguments);
    std::string text = k.handler ? "" : "refused: ";
    text.append(k.meaning);
    std::vector<std::string_view> also;
    while (i + 1 < std::size(kPlaKeywords) && !k.handler && !kPlaKeywords[i + 1].handler &&
           kPlaKeywords[i + 1].meaning == k.meaning)
      also.push_back(kPlaKeywords[++i].name);
    if (also.size() == 1 && tag.size() + 2 + also[0].size() + 2 <= kColumn) {
      tag += ", " + std::string(also[0]);
    } else if (!also.empty()) {
      tag += " ...";
      text += " (also";
      for (std::size_t a = 0; a < also.size(); ++a)
        text += std::string(a == 0 ? " " : a + 1 == also.size() ? " and " : ", ") + std::string(also[a]);
      text += ")";
    }
    s += tag + std::string(kColumn - tag.size(), ' ') + Wrap(text, kColumn, kWidth) + "\n";
  }
  return s;
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
