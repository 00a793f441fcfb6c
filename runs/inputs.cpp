#include "inputs.h"

#include <algorithm>
#include <cstdio>

#include "formula_notation.h"
#include "logic_unit.h"
#include "xlate_unit.h"

namespace tervo::batch {

namespace {

bool IsBlank(char c) { return c == ' ' || c == '\t' || c == '\r' || c == '\n' || c == '\v' || c == '\f'; }

char Upper(char c) { return (c >= 'a' && c <= 'z') ? static_cast<char>(c - 'a' + 'A') : c; }

std::vector<std::string> SplitLines(std::string_view text) {
  std::vector<std::string> lines;
  std::size_t pos = 0;
  while (pos <= text.size()) {
    std::size_t end = text.find('\n', pos);
    if (end == std::string_view::npos) end = text.size();
    std::string line(text.substr(pos, end - pos));
    if (!line.empty() && line.back() == '\r') line.pop_back();
    lines.push_back(std::move(line));
    pos = end + 1;
  }
  // A final line break ends the last line; it does not start another.
  if (!lines.empty() && lines.back().empty()) lines.pop_back();
  return lines;
}

void TrimRight(std::string& s) {
  while (!s.empty() && s.back() == ' ') s.pop_back();
}

std::string Printable(char c) {
  const auto u = static_cast<unsigned char>(c);
  if (u >= 0x21 && u < 0x7F) return std::string("\"") + c + "\"";
  static const char* hex = "0123456789abcdef";
  return std::string("byte 0x") + hex[u >> 4] + hex[u & 15];
}

// The length of the UTF-8 sequence that starts with byte u, or 0 when u
// cannot start one.
std::size_t Utf8Length(unsigned char u) {
  if (u < 0x80) return 1;
  if (u >= 0xC2 && u <= 0xDF) return 2;
  if (u >= 0xE0 && u <= 0xEF) return 3;
  if (u >= 0xF0 && u <= 0xF4) return 4;
  return 0;
}

// The character that starts at text[i] for a message: printable ASCII in
// quotes, a well-formed UTF-8 sequence in quotes with its code point, a
// control character or a stray byte by its value.
std::string Describe(std::string_view text, std::size_t i) {
  const auto u = static_cast<unsigned char>(text[i]);
  const std::size_t n = Utf8Length(u);
  if (n <= 1 || i + n > text.size()) return Printable(text[i]);
  uint32_t cp = u & (0x7F >> n);
  for (std::size_t k = 1; k < n; ++k) {
    const auto b = static_cast<unsigned char>(text[i + k]);
    if ((b & 0xC0) != 0x80) return Printable(text[i]);
    cp = cp << 6 | (b & 0x3F);
  }
  char code[16];
  std::snprintf(code, sizeof code, "U+%04X", static_cast<unsigned>(cp));
  std::string s = "\"";
  return s.append(text.substr(i, n)).append("\" (").append(code).append(")");
}

// True when a line of text starts with a PLA file's ".i" or ".o" keyword.
bool LooksLikePla(std::string_view text) {
  for (const std::string& line : SplitLines(text)) {
    const std::size_t at = line.find_first_not_of(" \t");
    if (at == std::string::npos) continue;
    const std::string_view rest = std::string_view(line).substr(at);
    if ((rest.starts_with(".i") || rest.starts_with(".o")) && rest.size() > 2 && IsBlank(rest[2])) return true;
  }
  return false;
}

// The formula in the system's own notation, or the first character that
// neither is in it nor translates into it, with its line and column.
std::optional<InputError> TranslateFormulaText(std::string_view text, std::string& out) {
  const auto refusal = TranslateFormula(text, out);
  if (!refusal) return std::nullopt;
  std::string why = refusal->Text();
  if (refusal->why.ends_with("not in the formula language"))
    why += " (letters A..Z, blanks, ( ) / . = - + > and the notations that --help lists)";
  const char32_t c = refusal->character;
  if (LooksLikePla(text))
    why += "; a PLA file is read with --pla FILE (--pla - for standard input)";
  else if (c == U'0' || c == U'1')
    why += "; a typed table of 0 and 1 is read with --table";
  return InputError{refusal->line, std::move(why), refusal->column};
}

}  // namespace

void DropByteOrderMark(std::string& text) {
  if (text.starts_with("\xEF\xBB\xBF")) text.erase(0, 3);
}

std::optional<InputError> PlaceFormula(Engine& e, std::string_view written) {
  std::string text;
  if (auto err = TranslateFormulaText(written, text)) return err;
  const auto count = std::count_if(text.begin(), text.end(), [](char c) { return !IsBlank(c); });
  if (count > kFormulaChars)
    return InputError{0, "the formula has " + std::to_string(count) +
                             " non-blank characters; the formula grid holds at most " + std::to_string(kFormulaChars)};

  std::vector<std::string> lines = SplitLines(text);
  for (std::string& line : lines) {
    for (char& c : line) c = IsBlank(c) ? ' ' : Upper(c);
    TrimRight(line);
  }
  while (!lines.empty() && lines.back().empty()) lines.pop_back();
  const bool fits = lines.size() <= static_cast<std::size_t>(kGridRows) &&
                    std::all_of(lines.begin(), lines.end(),
                                [](const std::string& l) { return l.size() <= static_cast<std::size_t>(kGridCols); });

  for (auto& row : e.FormulaGrid) row.fill(' ');
  if (fits) {
    for (std::size_t r = 0; r < lines.size(); ++r) std::copy(lines[r].begin(), lines[r].end(), e.FormulaGrid[r].begin());
  } else {
    int cell = 0;
    for (char c : text)
      if (!IsBlank(c)) {
        e.FormulaGrid[cell / kGridCols][cell % kGridCols] = Upper(c);
        ++cell;
      }
  }
  return std::nullopt;
}

std::optional<InputError> PlaceTable(Engine& e, std::string_view text) {
  std::vector<std::string> lines = SplitLines(text);
  for (std::size_t i = 0; i < lines.size(); ++i) {
    std::string& line = lines[i];
    const int lineNo = static_cast<int>(i) + 1;
    if (const std::size_t tab = line.find('\t'); tab != std::string::npos)
      return InputError{lineNo, "a tab has no column of its own; use blanks", static_cast<int>(tab) + 1};
    TrimRight(line);
    if (line.empty()) continue;
    for (std::size_t col = 0; col < line.size(); ++col) {
      const char c = line[col];
      const std::string where = "column " + std::to_string(col + 1) + " is " + Describe(line, col);
      const int column = static_cast<int>(col) + 1;
      if (i == 0) {
        if (c != ' ' && !((c >= 'A' && c <= 'Z') || (c >= 'a' && c <= 'z')))
          return InputError{lineNo, where + "; the header holds variable letters A..Z and blanks", column};
      } else if (c != ' ' && c != '0' && c != '1') {
        return InputError{lineNo, where + "; a term line holds 0, 1 and blanks", column};
      }
    }
    if (line.size() > static_cast<std::size_t>(kTableCols))
      return InputError{lineNo, "the line has " + std::to_string(line.size()) + " columns; the table has " + std::to_string(kTableCols)};
    if (i >= static_cast<std::size_t>(kTableLines))
      return InputError{lineNo, "the table holds the header and at most " + std::to_string(kInputTerms) + " term lines"};
  }
  for (auto& line : e.TableGrid) line.fill(' ');
  for (std::size_t i = 0; i < lines.size(); ++i)
    for (std::size_t col = 0; col < lines[i].size(); ++col) e.TableGrid[i][col] = Upper(lines[i][col]);
  return std::nullopt;
}

bool PlacePlaInTableGrid(Engine& e, const PlaFunction& f) {
  if (f.value.size() > static_cast<std::size_t>(kInputTerms)) return false;
  for (auto& line : e.TableGrid) line.fill(' ');
  for (unsigned c = 0; c < f.inputs; ++c) e.TableGrid[0][c] = f.letters[c];
  for (std::size_t t = 0; t < f.value.size(); ++t)
    for (unsigned c = 0; c < f.inputs; ++c)
      if (f.mask[t] >> c & 1) e.TableGrid[t + 1][c] = (f.value[t] >> c & 1) ? '1' : '0';
  return true;
}

}  // namespace tervo::batch
