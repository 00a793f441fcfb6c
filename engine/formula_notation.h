// Formulas written in the notations people commonly paste ("A|B", "!A&B",
// "(A+B)'", "A -> B", "a ∧ ¬b") turned into the system's own operators, so
// that the editor's paste and the command-line tool read them alike.
//
//   written                          becomes
//   |  ||  ∨                         +   OR
//   &  &&  *  ∧  ·  ⋅                .   AND
//   !  ~  ¬                          /   inversion, in front
//   A'  (A+B)'   (also ’ and ′)      /A  /(A+B): the inversion put in front
//   ^  ⊕  ⊻                          -   exclusive OR
//   ->  =>  →  ⇒                     >   implication
//   <->  <=>  ==  ↔  ⇔  ≡            =   equivalence
//   a..z                             A..Z
//   tab, no-break space              blank
//
// The system's own characters, blanks and line breaks stay as they are; a
// byte order mark at the start is dropped.
#pragma once

#include <optional>
#include <string>
#include <string_view>

namespace tervo {

// A character as a message names it: "\"|\"", "tab", "U+0007",
// "\"∨\" (U+2228)"; a byte that starts no UTF-8 character as "byte 0xff".
// `ch` is a code point, or kStrayByte plus the byte's value.
inline constexpr char32_t kStrayByte = 0x110000;
std::string CharacterName(char32_t ch);

// Where and why a text was refused: line and column count from 1, the
// column in characters; line 0 when no single place is at fault.
struct TextRefusal {
  int line = 0;
  int column = 0;
  char32_t character = 0;  // the character at fault, as CharacterName takes it
  std::string why;         // e.g. "\"@\" is not in the formula language"

  // "line 2, column 5: " and the reason (the reason alone for line 0).
  std::string Text() const;
};

// The UTF-8 text in the system's own notation, into `out` (ASCII, with the
// text's blanks and line breaks, so its layout stays); or the first
// character that is neither the system's nor one of the notations above,
// with nothing written to `out`.
std::optional<TextRefusal> TranslateFormula(std::string_view utf8, std::string& out);

// The same for text that is already split into code points (a window's).
std::optional<TextRefusal> TranslateFormula(std::u32string_view text, std::string& out);

}  // namespace tervo
