#include "pla.h"

#include <algorithm>
#include <array>
#include <cctype>
#include <charconv>
#include <iterator>
#include <tuple>

#include "tervo/pla.h"


namespace tervo::batch {

namespace {

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

// The sets that a ".type" word lists.
uint8_t TypeSets(std::string_view word) {
  uint8_t sets = 0;
  if (word.find('f') != std::string_view::npos) sets |= kListsOn;
  if (word.find('d') != std::string_view::npos) sets |= kListsDc;
  if (word.find('r') != std::string_view::npos) sets |= kListsOff;
  return sets;
}

// A word-wrapped text, each line indented by `indent` blanks, the first
// line's indent left to the caller.
std::string Wrap(std::string_view text, std::size_t indent, std::size_t width) {
  std::string s;
  std::size_t column = indent;
  for (std::size_t i = 0; i < text.size();) {
    while (i < text.size() && text[i] == ' ') ++i;
    const std::size_t start = i;
    i = std::min(text.find(' ', i), text.size());
    if (i == start) break;
    const std::string_view word = text.substr(start, i - start);
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

InputError FromPlaError(const minimiser::PlaError& err) { return InputError{err.line, err.text, err.column}; }

bool IsNarrow(const minimiser::Pla& p) {
  return p.inputs <= static_cast<unsigned>(kMaxVariables) && p.Rows() <= static_cast<std::size_t>(kTermCapacity);
}

std::optional<InputError> NarrowPlaFile(const minimiser::Pla& p, PlaFile& out) {
  out = PlaFile{};
  if (p.inputs > static_cast<unsigned>(kMaxVariables))
    return InputError{p.inputsLine, ".i " + std::to_string(p.inputs) + ": the engine's table holds 1 to " +
                                        std::to_string(kMaxVariables) + " inputs"};
  if (p.Rows() > static_cast<std::size_t>(kTermCapacity))
    return InputError{p.line[kTermCapacity], "more than " + std::to_string(kTermCapacity) +
                                                 " rows: the engine's table holds no more"};
  out.inputs = p.inputs;
  out.outputs = p.outputs;
  out.inputNames = p.inputNames;
  out.outputNames = p.outputNames;
  out.letters = ChooseLetters(out.inputNames, out.inputs);
  out.type = p.type;
  out.sets = TypeSets(p.type);
  out.typeLine = p.typeLine;
  out.outputsLine = p.outputsLine;
  out.value.reserve(p.Rows());
  out.mask.reserve(p.Rows());
  out.outs.reserve(p.Rows() * p.outputs);
  for (std::size_t r = 0; r < p.Rows(); ++r) {
    uint16_t value = 0, mask = 0;
    for (unsigned c = 0; c < p.inputs; ++c) {
      const auto bit = static_cast<uint16_t>(1u << c);
      if (p.in[r][c] != '-') mask |= bit;
      if (p.in[r][c] == '1') value |= bit;
    }
    out.value.push_back(value);
    out.mask.push_back(mask);
    out.outs += p.out[r];
  }
  out.rowLine = p.line;
  return std::nullopt;
}

std::optional<InputError> ReadPlaFile(std::string_view text, PlaFile& out) {
  out = PlaFile{};
  minimiser::Pla p;
  if (auto err = minimiser::ReadPla(text, p)) return FromPlaError(*err);
  return NarrowPlaFile(p, out);
}

std::string PlaKeywordHelp() {
  constexpr std::size_t kColumn = 18, kWidth = 78;
  const auto keywords = minimiser::PlaKeywords();
  std::string s;
  for (std::size_t i = 0; i < keywords.size(); ++i) {
    const minimiser::PlaKeyword& k = keywords[i];
    // Keywords refused for the same reason share one item; those that do
    // not fit beside it are named after the reason.
    std::string tag = "  ";
    tag.append(k.name).append(k.arguments.empty() ? "" : " ").append(k.arguments);
    std::string text = k.taken ? "" : "refused: ";
    text.append(k.meaning);
    std::vector<std::string_view> also;
    while (i + 1 < keywords.size() && !k.taken && !keywords[i + 1].taken && keywords[i + 1].meaning == k.meaning)
      also.push_back(keywords[++i].name);
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
