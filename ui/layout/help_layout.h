// The help page layout: the markup of the help text and how a page of it is
// laid out, as data (characters with position and style, box edges, links).
// No window toolkit: the help window measures the characters with its fonts
// and draws the result; the help text generator checks the markup with the
// same table.
#pragma once

#include <array>
#include <cstdint>
#include <functional>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

namespace tervo {

// ---------------------------------------------------------------- the markup
// A text line's commands: a backslash and one letter, matched without regard
// to case. "\G" is followed by a page number.
enum class HelpCommand : uint8_t { kLower, kRaise, kSmall, kLarge, kBold, kItalic, kMarked, kNormal, kTab, kBoxEdge, kLink };

struct HelpMarkup {
  char letter;               // after the backslash, upper case (either case is read)
  HelpCommand command;
  std::string_view meaning;  // what it does to the rest of the line
};

inline constexpr HelpMarkup kHelpMarkup[] = {
    {'B', HelpCommand::kLower, "height 17, 7 pixels lower (an index)"},
    {'P', HelpCommand::kRaise, "height 17, 5 pixels higher (an exponent)"},
    {'S', HelpCommand::kSmall, "height 17 (small)"},
    {'L', HelpCommand::kLarge, "height 24 (large)"},
    {'F', HelpCommand::kBold, "bold"},
    {'I', HelpCommand::kItalic, "italic"},
    {'M', HelpCommand::kMarked, "grey background"},
    {'N', HelpCommand::kNormal, "back to normal: height 20, no style, no box"},
    {'T', HelpCommand::kTab, "next tab stop (every 150 pixels)"},
    {'[', HelpCommand::kBoxEdge, "boxed-cell edge"},
    {'G', HelpCommand::kLink, "G<page>: the row links to that page"},
};

// The command a letter after a backslash names, in either case; none for a
// letter that is no command.
constexpr std::optional<HelpCommand> HelpCommandOf(char letter) {
  const char upper = letter >= 'a' && letter <= 'z' ? static_cast<char>(letter - 'a' + 'A') : letter;
  for (const HelpMarkup& m : kHelpMarkup)
    if (m.letter == upper) return m.command;
  return std::nullopt;
}

// ---------------------------------------------------------------- the page
inline constexpr int kHelpLinesPerPage = 25;  // a title and 24 text lines
inline constexpr int kHelpRowHeight = 24;     // text row r starts at y = 24 r
inline constexpr int kHelpTabWidth = 150;     // tab stops every 150 pixels
inline constexpr int kHelpMaxPages = 255;     // the page number is one byte

// One drawing operation of a help page, in page-area coordinates.
struct HelpDrawOp {
  enum Kind : uint8_t { Character, Edge };
  Kind kind = Character;
  int x = 0;  // Character: left of the character cell; Edge: start point
  int y = 0;  // Character: top of the character cell (offset included)
  int x2 = 0;  // Edge: end point
  int y2 = 0;
  char ch = 0;            // Character: the text byte (Latin-1)
  uint8_t cellHeight = 20;  // Character: 17, 20 or 24
  bool bold = false;
  bool italic = false;
  bool marked = false;  // drawn on an opaque #D8D8D8 background
  int width = 0;        // Character: advance width in pixels
};

// Everything drawn for one page, in drawing order.
struct HelpPageDrawing {
  std::vector<HelpDrawOp> ops;
  std::string title;  // the page's title line, as it stands (Latin-1)
  std::array<uint8_t, kHelpLinesPerPage> links{};  // per row: the linked page, 0 none
};

// The advance width in pixels of a character drawn in the given style.
using HelpCharWidth = std::function<int(char ch, uint8_t cellHeight, bool bold, bool italic)>;

// Lays out the decoded lines of one page: line 0 is the title, taken as it
// stands; lines 1.. are text rows with markup. Unknown commands are dropped,
// and a link to a page beyond kHelpMaxPages is none.
HelpPageDrawing LayOutHelpPage(const std::vector<std::string>& lines, const HelpCharWidth& width);

}  // namespace tervo
