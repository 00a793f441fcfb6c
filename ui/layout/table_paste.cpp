#include "table_paste.h"

#include <algorithm>
#include <array>
#include <bit>
#include <cstdint>

#include "engine.h"
#include "text_format.h"

namespace tervo {

namespace {

// A cell read from a line, and the line's character it came from (from 1).
struct Cell {
  char ch;  // a letter on the header; '0', '1' or ' ' on a term line
  int column;
};

// The lines of the text; "\n", "\r\n" and a lone "\r" end a line, and a
// final line break starts no line of its own.
std::vector<std::u32string_view> SplitLines(std::u32string_view text) {
  std::vector<std::u32string_view> lines;
  std::size_t start = 0;
  for (std::size_t i = 0; i < text.size(); ++i) {
    if (text[i] != U'\n' && text[i] != U'\r') continue;
    lines.push_back(text.substr(start, i - start));
    if (text[i] == U'\r' && i + 1 < text.size() && text[i + 1] == U'\n') ++i;
    start = i + 1;
  }
  if (start < text.size()) lines.push_back(text.substr(start));
  return lines;
}

std::u32string_view TrimRight(std::u32string_view s) {
  while (!s.empty() && (s.back() == U' ' || s.back() == U'\t')) s.remove_suffix(1);
  return s;
}

TextRefusal Refuse(int line, int column, char32_t ch, const std::string& why) {
  return TextRefusal{line, column, ch, CharacterName(ch) + " " + why};
}

std::optional<TextRefusal> ReadHeader(std::u32string_view line, int lineNo, std::vector<Cell>& cells, bool& zeroRows) {
  char32_t joiner = 0;  // '.' or '+', the first one met
  for (std::size_t i = 0; i < line.size(); ++i) {
    const char32_t c = line[i];
    const int column = static_cast<int>(i) + 1;
    if ((c >= U'A' && c <= U'Z') || (c >= U'a' && c <= U'z')) {
      cells.push_back({FoldUpper(static_cast<char>(c)), column});
    } else if (c == U'.' || c == U'+') {
      if (joiner != 0 && joiner != c)
        return Refuse(lineNo, column, c,
                      "mixes with \".\": a header joins its letters by \".\" (CNF) or by \"+\" (DNF)");
      joiner = c;
    } else if (c != U',' && c != U' ' && c != U'\t') {
      return Refuse(lineNo, column, c, "is not a variable letter; the top line holds the header");
    }
  }
  zeroRows = joiner == U'+';
  return std::nullopt;
}

// A term line's cell character: '0', '1', ' ' for a free cell; 0 for none.
char TermCell(char32_t c) {
  if (c == U'0' || c == U'1') return static_cast<char>(c);
  if (c == U'x' || c == U'X' || c == U'-' || c == U'2' || c == U' ') return ' ';
  return '\0';
}

std::optional<TextRefusal> ReadTermLine(std::u32string_view line, int lineNo, std::vector<Cell>& cells) {
  auto take = [&](std::size_t i) -> std::optional<TextRefusal> {
    const char cell = TermCell(line[i]);
    if (cell == '\0')
      return Refuse(lineNo, static_cast<int>(i) + 1, line[i],
                    "is not a table cell (1, 0, or x, -, 2 or a blank for either)");
    cells.push_back({cell, static_cast<int>(i) + 1});
    return std::nullopt;
  };
  if (line.find_first_of(U"\t,") != std::u32string_view::npos) {
    // Fields between tabs and commas; blanks around a field's cells carry
    // nothing, and an empty field is a free cell.
    std::size_t start = 0;
    for (std::size_t i = 0; i <= line.size(); ++i) {
      if (i < line.size() && line[i] != U'\t' && line[i] != U',') continue;
      bool any = false;
      for (std::size_t k = start; k < i; ++k) {
        if (line[k] == U' ') continue;
        any = true;
        if (auto r = take(k)) return r;
      }
      if (!any) cells.push_back({' ', static_cast<int>(i) + 1});
      start = i + 1;
    }
    return std::nullopt;
  }
  bool spaced = true;
  for (std::size_t i = 1; i < line.size(); i += 2) spaced = spaced && line[i] == U' ';
  for (std::size_t i = 0; i < line.size(); i += spaced ? 2 : 1)
    if (auto r = take(i)) return r;
  return std::nullopt;
}

struct Cube {
  uint16_t value, mask;
};

// The cubes that cover what the cubes of `f` leave uncovered, within the
// subspace `at`, split on the variable the most cubes fix. `f` holds only
// cubes that meet `at`, with the bits of at.mask taken out.
void Complement(const std::vector<Cube>& f, Cube at, std::vector<Cube>& out, std::size_t limit) {
  if (out.size() > limit) return;
  if (f.empty()) {
    out.push_back(at);
    return;
  }
  std::array<int, 16> fixes{};
  for (const Cube& c : f) {
    if (c.mask == 0) return;  // this subspace is covered
    for (int b = 0; b < 16; ++b) fixes[b] += c.mask >> b & 1;
  }
  const auto bit = static_cast<uint16_t>(1u << (std::max_element(fixes.begin(), fixes.end()) - fixes.begin()));
  for (const uint16_t half : {uint16_t{0}, bit}) {
    std::vector<Cube> sub;
    for (const Cube& c : f)
      if (!(c.mask & bit) || (c.value & bit) == half)
        sub.push_back({static_cast<uint16_t>(c.value & ~bit), static_cast<uint16_t>(c.mask & ~bit)});
    Complement(sub, {static_cast<uint16_t>(at.value | half), static_cast<uint16_t>(at.mask | bit)}, out, limit);
  }
}

// Each cube made as large as it can be while it meets none of the cubes
// where the function is 0: the variables it can do without are dropped.
void ExpandCubes(std::vector<Cube>& cubes, const std::vector<Cube>& zeros) {
  for (Cube& c : cubes)
    for (int b = 0; b < 16; ++b) {
      const auto bit = static_cast<uint16_t>(1u << b);
      if (!(c.mask & bit)) continue;
      const Cube wider{static_cast<uint16_t>(c.value & ~bit), static_cast<uint16_t>(c.mask & ~bit)};
      const bool meets = std::any_of(zeros.begin(), zeros.end(), [&](const Cube& z) {
        return ((wider.value ^ z.value) & wider.mask & z.mask) == 0;
      });
      if (!meets) c = wider;
    }
}

// Fewer cubes for the same cover: two that differ in one variable only
// become one, and a cube inside another goes.
void MergeCubes(std::vector<Cube>& cubes) {
  for (bool changed = true; changed;) {
    changed = false;
    for (std::size_t i = 0; i < cubes.size(); ++i)
      for (std::size_t j = 0; j < cubes.size(); ++j) {
        if (i == j) continue;
        const Cube a = cubes[i], b = cubes[j];
        const bool inside = (a.mask & b.mask) == a.mask && ((a.value ^ b.value) & a.mask) == 0;
        const uint16_t differ = (a.value ^ b.value) & a.mask;
        if (inside) {
          cubes.erase(cubes.begin() + static_cast<std::ptrdiff_t>(j));
        } else if (a.mask == b.mask && std::popcount(differ) == 1) {
          cubes[i] = {static_cast<uint16_t>(a.value & ~differ), static_cast<uint16_t>(a.mask & ~differ)};
          cubes.erase(cubes.begin() + static_cast<std::ptrdiff_t>(j));
        } else {
          continue;
        }
        changed = true;
        if (j < i) --i;
        j = cubes.size();  // start row i again with its new neighbours
      }
  }
}

std::string CellsText(const std::vector<Cell>& cells) {
  std::string s;
  for (const Cell& c : cells) s += c.ch;
  while (!s.empty() && s.back() == ' ') s.pop_back();
  return s;
}

}  // namespace

std::optional<TextRefusal> ReadPastedTable(std::u32string_view text, int firstLine, int cols, int lastLine,
                                           PastedTable& out) {
  out = {};
  const std::vector<std::u32string_view> lines = SplitLines(text);
  bool zeroRows = false;
  std::vector<Cube> rows;  // the term lines as cubes, for a table of rows where it is 0
  int width = 0;           // the widest line, in cells
  for (std::size_t k = 0; k < lines.size(); ++k) {
    const int lineNo = static_cast<int>(k) + 1;
    const int gridLine = firstLine + static_cast<int>(k);
    const std::u32string_view line = TrimRight(lines[k]);
    std::vector<Cell> cells;
    if (auto r = gridLine == 0 ? ReadHeader(line, lineNo, cells, zeroRows) : ReadTermLine(line, lineNo, cells))
      return r;
    // Free cells past the edge say nothing; any other cell must find room.
    while (!cells.empty() && cells.back().ch == ' ') cells.pop_back();
    if (cells.size() > static_cast<std::size_t>(cols)) {
      const Cell& past = cells[cols];
      return Refuse(lineNo, past.column, line[past.column - 1],
                    "falls past the last column: from the cursor there is room for " + std::to_string(cols) +
                        " cells");
    }
    // Rows where the function is 0 become other rows: only their number counts.
    if (gridLine > lastLine && !zeroRows) {
      if (cells.empty()) continue;
      return TextRefusal{lineNo, 1, line[0],
                         "the line would fall past the table's last line " + std::to_string(lastLine)};
    }
    // A line with cells that are all free: no line of the grid can hold it.
    const bool freeOnly = gridLine > 0 && cells.empty() && line.find_first_not_of(U" \t,") != std::u32string_view::npos;
    width = std::max(width, static_cast<int>(cells.size()));
    if (gridLine > 0 && zeroRows) {
      if (cells.empty() && !freeOnly) continue;  // an empty line between rows
      Cube c{0, 0};
      for (std::size_t j = 0; j < cells.size(); ++j) {
        if (cells[j].ch == ' ') continue;
        // A row of a product of sums shows each variable as it appears in
        // its sum: the sum is 0 where a "1" variable is 0 and a "0" one is 1.
        c.mask |= static_cast<uint16_t>(1u << j);
        if (cells[j].ch == '0') c.value |= static_cast<uint16_t>(1u << j);
      }
      rows.push_back(c);
      continue;
    }
    if (freeOnly)
      return TextRefusal{lineNo, 1, line[0],
                         "a row of free cells only (1 everywhere) is no table line: a line needs a 1 or a 0"};
    out.lines.push_back(CellsText(cells));
  }
  // A header alone says nothing about rows: its letters go in as they are.
  if (!zeroRows || rows.empty()) return std::nullopt;

  // Rows where the function is 0: table input lists where it is 1, so the
  // rows that go in are the cover of everything the given rows leave out.
  const int room = lastLine - firstLine;
  std::vector<Cube> ones;
  Complement(rows, {0, 0}, ones, 4 * kInputTerms);
  ExpandCubes(ones, rows);
  MergeCubes(ones);
  if (ones.size() > static_cast<std::size_t>(room))
    return TextRefusal{
        0, 0, 0,
        "the rows where the function is 0 make " +
            (ones.size() > 4 * kInputTerms ? "over " + std::to_string(4 * kInputTerms) : std::to_string(ones.size())) +
            " rows where it is 1, and the table has room for " + std::to_string(room) + " below the header"};
  for (const Cube& c : ones) {
    std::string s(static_cast<std::size_t>(width), ' ');
    for (int j = 0; j < width; ++j)
      if (c.mask >> j & 1) s[j] = (c.value >> j & 1) ? '1' : '0';
    while (!s.empty() && s.back() == ' ') s.pop_back();
    out.lines.push_back(s);
  }
  out.turned = true;
  out.turnedRows = ones.size();
  return std::nullopt;
}

}  // namespace tervo
