#include "pla.h"

#include <algorithm>
#include <cctype>
#include <charconv>
#include <sstream>

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
  std::ostringstream s;
  s << "byte 0x" << std::hex << static_cast<unsigned>(u);
  return s.str();
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

std::optional<InputError> ReadPla(std::string_view text, PlaFunction& out) {
  out = PlaFunction{};
  long inputs = -1, outputs = -1, declaredTerms = -1;
  int termsLine = 0, firstRowLine = 0;
  std::vector<std::string> names;
  bool typeSeen = false;
  int lineNo = 0;
  std::size_t pos = 0;
  auto refuse = [](int line, std::string why) { return InputError{line, std::move(why)}; };

  while (pos < text.size()) {
    std::size_t end = text.find('\n', pos);
    if (end == std::string_view::npos) end = text.size();
    const std::string_view line = text.substr(pos, end - pos);
    pos = end + 1;
    ++lineNo;

    const std::vector<std::string_view> words = Words(line);
    if (words.empty() || words[0][0] == '#') continue;

    if (words[0][0] == '.') {
      const std::string_view key = words[0];
      if (key == ".e" || key == ".end") break;
      if (firstRowLine && (key == ".i" || key == ".o" || key == ".ilb" || key == ".type"))
        return refuse(lineNo, std::string(key) + " must come before the first row");
      if (key == ".i" || key == ".o" || key == ".p") {
        if (words.size() != 2 || !Number(words[1]))
          return refuse(lineNo, std::string(key) + " needs one whole number");
        const long v = *Number(words[1]);
        if (key == ".i") {
          if (inputs >= 0) return refuse(lineNo, ".i is given twice");
          if (v < 1 || v > kMaxVariables)
            return refuse(lineNo, ".i " + std::to_string(v) + ": the number of inputs must be 1 to 15");
          inputs = v;
        } else if (key == ".o") {
          if (outputs >= 0) return refuse(lineNo, ".o is given twice");
          if (v != 1)
            return refuse(lineNo, ".o " + std::to_string(v) + ": only functions with a single output are taken");
          outputs = v;
        } else {
          if (declaredTerms >= 0) return refuse(lineNo, ".p is given twice");
          if (v < 0) return refuse(lineNo, ".p needs a number of 0 or more");
          declaredTerms = v;
          termsLine = lineNo;
        }
      } else if (key == ".ilb") {
        if (inputs < 0) return refuse(lineNo, ".ilb must come after .i");
        if (!names.empty()) return refuse(lineNo, ".ilb is given twice");
        if (words.size() - 1 != static_cast<std::size_t>(inputs))
          return refuse(lineNo, ".ilb names " + std::to_string(words.size() - 1) + " inputs, .i says " +
                                    std::to_string(inputs));
        for (std::size_t w = 1; w < words.size(); ++w) names.emplace_back(words[w]);
      } else if (key == ".ob") {
        if (words.size() != 2) return refuse(lineNo, ".ob must name exactly one output");
      } else if (key == ".type") {
        if (typeSeen) return refuse(lineNo, ".type is given twice");
        if (words.size() != 2) return refuse(lineNo, ".type needs one word");
        typeSeen = true;
        out.typeLine = lineNo;
        if (words[1] == "f" || words[1] == "fd")
          out.offSet = false;
        else if (words[1] == "r")
          out.offSet = true;
        else
          return refuse(lineNo, ".type " + std::string(words[1]) +
                                    ": only .type f (the ON-set) or .type r (the OFF-set) is taken");
      } else {
        return refuse(lineNo, "the keyword " + std::string(key) + " is not taken");
      }
      continue;
    }

    // A row: input characters and the output character, blanks anywhere.
    if (inputs < 0 || outputs < 0) return refuse(lineNo, "a row before .i and .o");
    if (!firstRowLine) firstRowLine = lineNo;
    std::string cells;
    for (std::string_view w : words) cells += w;
    if (cells.size() != static_cast<std::size_t>(inputs) + 1)
      return refuse(lineNo, "the row has " + std::to_string(cells.size()) + " characters; .i " +
                                std::to_string(inputs) + " and .o 1 need " + std::to_string(inputs + 1));
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
                                  "; an input must be 0, 1 or -");
      }
    }
    const char o = cells.back();
    const char want = out.offSet ? '0' : '1';
    if (o != want) {
      if (o == '-' || o == '2' || o == '~')
        return refuse(lineNo, "don't-care rows are not taken");
      if (o == '0')
        return refuse(lineNo, "output 0: rows outside the ON-set are not taken (list the rows where the "
                              "function is 1, or use .type r to list only rows where it is 0)");
      if (o == '1')
        return refuse(lineNo, "output 1 in a .type r file: it lists only the rows where the function is 0");
      return refuse(lineNo, "the output is " + Printable(o) + "; it must be " + std::string(1, want));
    }
    if (out.value.size() == static_cast<std::size_t>(kTermCapacity))
      return refuse(lineNo, "more than 32768 rows");
    out.value.push_back(static_cast<uint16_t>(value & mask));
    out.mask.push_back(mask);
  }

  if (inputs < 0) return refuse(0, "no .i line: the number of inputs is not given");
  if (outputs < 0) return refuse(0, "no .o line: the number of outputs is not given");
  if (declaredTerms >= 0 && static_cast<std::size_t>(declaredTerms) != out.value.size())
    return refuse(termsLine, ".p says " + std::to_string(declaredTerms) + " rows, the file has " +
                                 std::to_string(out.value.size()));
  out.inputs = static_cast<unsigned>(inputs);
  out.letters = ChooseLetters(names, out.inputs);
  return std::nullopt;
}

std::vector<uint8_t> ListedAssignments(const PlaFunction& f) {
  const auto full = static_cast<uint16_t>((1u << f.inputs) - 1);
  std::vector<uint8_t> listed(std::size_t{1} << f.inputs, 0);
  for (std::size_t t = 0; t < f.value.size(); ++t) {
    const auto free = static_cast<uint16_t>(full & ~f.mask[t]);
    const uint16_t base = f.value[t] & f.mask[t];
    // Every assignment that agrees with the row on its fixed columns.
    uint16_t s = free;
    while (true) {
      listed[base | s] = 1;
      if (s == 0) break;
      s = static_cast<uint16_t>((s - 1) & free);
    }
  }
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
