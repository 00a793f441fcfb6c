#include "formula_notation.h"

#include <array>
#include <cstdio>

#include "text_format.h"

namespace tervo {

namespace {

// The text's code points; a byte that starts no well-formed UTF-8
// character becomes kStrayByte plus its value, and decoding goes on after it.
std::u32string DecodeUtf8(std::string_view s) {
  std::u32string out;
  out.reserve(s.size());
  for (std::size_t i = 0; i < s.size();) {
    const auto u = static_cast<unsigned char>(s[i]);
    std::size_t n = u < 0x80                   ? 1
                    : (u >= 0xC2 && u <= 0xDF) ? 2
                    : (u >= 0xE0 && u <= 0xEF) ? 3
                    : (u >= 0xF0 && u <= 0xF4) ? 4
                                               : 0;
    char32_t cp = n <= 1 ? u : u & (0x7F >> n);
    for (std::size_t k = 1; k < n; ++k) {
      const auto b = i + k < s.size() ? static_cast<unsigned char>(s[i + k]) : 0;
      if ((b & 0xC0) != 0x80) {
        n = 0;
        break;
      }
      cp = cp << 6 | (b & 0x3F);
    }
    // Overlong forms, surrogates and code points past U+10FFFF are no characters.
    if (n == 3 && (cp < 0x800 || (cp >= 0xD800 && cp <= 0xDFFF))) n = 0;
    if (n == 4 && (cp < 0x10000 || cp > 0x10FFFF)) n = 0;
    if (n == 0) {
      out += kStrayByte + u;
      ++i;
    } else {
      out += cp;
      i += n;
    }
  }
  return out;
}

struct Spelling {
  std::u32string_view written;
  char ours;  // '\'' for the postfix inversion
};

// Longer spellings first, so that "<->" is not read as "<" and "->".
// clang-format off
constexpr std::array kSpellings = {
    Spelling{U"<->", '='}, Spelling{U"<=>", '='}, Spelling{U"==", '='},
    Spelling{U"\u2194", '='}, Spelling{U"\u21D4", '='}, Spelling{U"\u2261", '='},  // ↔ ⇔ ≡
    Spelling{U"->", '>'}, Spelling{U"=>", '>'},
    Spelling{U"\u2192", '>'}, Spelling{U"\u21D2", '>'},  // → ⇒
    Spelling{U"||", '+'}, Spelling{U"|", '+'}, Spelling{U"\u2228", '+'},  // ∨
    Spelling{U"&&", '.'}, Spelling{U"&", '.'}, Spelling{U"*", '.'},
    Spelling{U"\u2227", '.'}, Spelling{U"\u00B7", '.'}, Spelling{U"\u22C5", '.'},  // ∧ · ⋅
    Spelling{U"!", '/'}, Spelling{U"~", '/'}, Spelling{U"\u00AC", '/'},  // ¬
    Spelling{U"^", '-'}, Spelling{U"\u2295", '-'}, Spelling{U"\u22BB", '-'},  // ⊕ ⊻
    // The postfix inversion; ’ is what word processors make of '.
    Spelling{U"'", '\''}, Spelling{U"\u2019", '\''}, Spelling{U"\u2032", '\''},  // ’ ′
    Spelling{U"\t", ' '}, Spelling{U"\u00A0", ' '},  // tab, no-break space
};
// clang-format on

bool IsOwn(char32_t c) {
  if ((c >= U'A' && c <= U'Z') || (c >= U'a' && c <= U'z')) return true;
  return c == U' ' || c == U'(' || c == U')' || c == U'/' || c == U'.' || c == U'=' || c == U'-' || c == U'+' ||
         c == U'>';
}

bool IsBlankOrBreak(char c) { return c == ' ' || c == '\n' || c == '\r'; }

// Put an inversion in front of the operand that ends `out`: a letter, or a
// bracket with everything back to its "(". False when `out` ends in none.
bool InvertLastOperand(std::string& out) {
  std::size_t end = out.size();
  while (end > 0 && IsBlankOrBreak(out[end - 1])) --end;
  if (end == 0) return false;
  std::size_t at = end - 1;
  if (out[at] == ')') {
    int depth = 0;
    for (;; --at) {
      if (out[at] == ')') ++depth;
      if (out[at] == '(' && --depth == 0) break;
      if (at == 0) return false;
    }
  } else if (!(out[at] >= 'A' && out[at] <= 'Z')) {
    return false;
  }
  out.insert(at, 1, '/');
  return true;
}

}  // namespace

std::string CharacterName(char32_t ch) {
  char buf[24];
  if (ch >= kStrayByte) {
    std::snprintf(buf, sizeof buf, "byte 0x%02x", static_cast<unsigned>(ch - kStrayByte));
    return buf;
  }
  if (ch == U'\t') return "tab";
  if (ch < 32 || ch == 127) {
    std::snprintf(buf, sizeof buf, "U+%04X", static_cast<unsigned>(ch));
    return buf;
  }
  if (ch < 127) return std::string("\"") + static_cast<char>(ch) + "\"";
  // UTF-8 of the character, then its code point.
  std::string s = "\"";
  if (ch < 0x800) {
    s += static_cast<char>(0xC0 | ch >> 6);
  } else {
    if (ch < 0x10000) {
      s += static_cast<char>(0xE0 | ch >> 12);
    } else {
      s += static_cast<char>(0xF0 | ch >> 18);
      s += static_cast<char>(0x80 | (ch >> 12 & 0x3F));
    }
    s += static_cast<char>(0x80 | (ch >> 6 & 0x3F));
  }
  s += static_cast<char>(0x80 | (ch & 0x3F));
  std::snprintf(buf, sizeof buf, "\" (U+%04X)", static_cast<unsigned>(ch));
  return s + buf;
}

std::string TextRefusal::Text() const {
  if (line == 0) return why;
  return "line " + std::to_string(line) + ", column " + std::to_string(column) + ": " + why;
}

std::optional<TextRefusal> TranslateFormula(std::string_view utf8, std::string& out) {
  return TranslateFormula(DecodeUtf8(utf8), out);
}

std::optional<TextRefusal> TranslateFormula(std::u32string_view text, std::string& out) {
  std::string s;
  s.reserve(text.size() + 8);
  int line = 1, column = 0;
  // A byte order mark, as some editors start a file with, is no character.
  if (text.starts_with(U'\uFEFF')) text.remove_prefix(1);
  for (std::size_t i = 0; i < text.size();) {
    const char32_t c = text[i];
    ++column;
    if (c == U'\n' || c == U'\r') {
      s += static_cast<char>(c);
      // "\r\n" is one line break.
      if (c == U'\n' || i + 1 >= text.size() || text[i + 1] != U'\n') {
        ++line;
        column = 0;
      }
      ++i;
      continue;
    }
    // The spellings first: "->" and "==" start with characters of our own.
    const Spelling* found = nullptr;
    for (const Spelling& sp : kSpellings)
      if (text.substr(i).starts_with(sp.written)) {
        found = &sp;
        break;
      }
    if (found == nullptr && IsOwn(c)) {
      s += FoldUpper(static_cast<char>(c));
      ++i;
      continue;
    }
    if (found == nullptr) return TextRefusal{line, column, c, CharacterName(c) + " is not in the formula language"};
    if (found->ours == '\'') {
      if (!InvertLastOperand(s))
        return TextRefusal{line, column, c,
                           CharacterName(c) + " inverts what stands before it, and no variable or \")\" does"};
    } else {
      s += found->ours;
    }
    i += found->written.size();
    column += static_cast<int>(found->written.size()) - 1;
  }
  out = std::move(s);
  return std::nullopt;
}

}  // namespace tervo
