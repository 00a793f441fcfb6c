#include "help_layout.h"

#include <algorithm>

namespace tervo {

namespace {

// The style and pen position of the text row being laid out.
class HelpRowLayout {
 public:
  HelpRowLayout(HelpPageDrawing& page, const HelpCharWidth& width, int row)
      : page_(page), width_(width), row_(row), y_(kHelpRowHeight * row) {}

  void LayOut(const std::string& text) {
    bool commandPending = false;
    for (size_t i = 0; i < text.size(); ++i) {
      const char c = text[i];
      if (c == '\\') {
        commandPending = true;
        continue;
      }
      if (!commandPending) {
        const int w = AddCharacter(c);
        if (boxOn_) BoxExtend();
        x_ += w;
        continue;
      }
      commandPending = false;
      if (const auto command = HelpCommandOf(c)) Apply(*command, text, i);
      // any other command is dropped
    }
  }

 private:
  // i is at the command letter; a link moves it past the page number.
  void Apply(HelpCommand command, const std::string& text, size_t& i) {
    switch (command) {
      case HelpCommand::kLower: SetHeight(17, 7); break;
      case HelpCommand::kRaise: SetHeight(17, -5); break;
      case HelpCommand::kSmall: SetHeight(17, 0); break;
      case HelpCommand::kLarge: SetHeight(24, 0); break;
      case HelpCommand::kBold: bold_ = true; italic_ = false; break;
      case HelpCommand::kItalic: italic_ = true; bold_ = false; break;
      case HelpCommand::kMarked: marked_ = true; break;
      case HelpCommand::kNormal:
        SetHeight(20, 0);
        bold_ = italic_ = marked_ = boxOn_ = false;
        break;
      case HelpCommand::kTab: x_ = (x_ / kHelpTabWidth + 1) * kHelpTabWidth; break;
      case HelpCommand::kBoxEdge: BoxEdge(); break;
      case HelpCommand::kLink: {
        int target = 0;
        while (i + 1 < text.size() && text[i + 1] >= '0' && text[i + 1] <= '9') {
          target = std::min(target * 10 + (text[i + 1] - '0'), 1000);
          ++i;
        }
        if (target >= 1 && target <= kHelpMaxPages) page_.links[row_] = static_cast<uint8_t>(target);
        break;
      }
    }
  }

  void SetHeight(uint8_t cellHeight, int offset) {
    cellHeight_ = cellHeight;
    offset_ = offset;
  }

  // Appends a character at (x_, y_ + offset_); returns its width.
  int AddCharacter(char ch) {
    HelpDrawOp op;
    op.kind = HelpDrawOp::Character;
    op.x = x_;
    op.y = y_ + offset_;
    op.ch = ch;
    op.cellHeight = cellHeight_;
    op.bold = bold_;
    op.italic = italic_;
    op.marked = marked_;
    op.width = width_(ch, cellHeight_, bold_, italic_);
    page_.ops.push_back(op);
    return op.width;
  }

  void AddEdge(int x1, int y1, int x2, int y2) {
    HelpDrawOp op;
    op.kind = HelpDrawOp::Edge;
    op.x = x1;
    op.y = y1;
    op.x2 = x2;
    op.y2 = y2;
    page_.ops.push_back(op);
  }

  // A box's left (or next) edge at the pen; the box's top and bottom edges
  // grow with every character until "\N".
  void BoxEdge() {
    if (boxOn_) BoxExtend();
    boxOn_ = true;
    boxStartX_ = x_;
    AddEdge(x_, y_ - 5, x_, y_ + 25);
    x_ += 5;
  }

  void BoxExtend() {
    AddEdge(boxStartX_, y_ - 5, x_, y_ - 5);
    AddEdge(boxStartX_, y_ + 25, x_, y_ + 25);
    boxStartX_ = x_;
  }

  HelpPageDrawing& page_;
  const HelpCharWidth& width_;
  int row_;
  int x_ = 10;
  int y_;
  int offset_ = 0;  // vertical offset of raised and lowered text
  uint8_t cellHeight_ = 20;
  bool bold_ = false;
  bool italic_ = false;
  bool marked_ = false;
  bool boxOn_ = false;  // boxed-cell drawing active on this row
  int boxStartX_ = 0;   // x up to which the box's top and bottom edges are drawn
};

}  // namespace

HelpPageDrawing LayOutHelpPage(const std::vector<std::string>& lines, const HelpCharWidth& width) {
  HelpPageDrawing page;
  const int rows = std::min(static_cast<int>(lines.size()), kHelpLinesPerPage);
  if (rows > 0) page.title = lines[0];  // the title line is shown as it stands: no markup
  for (int row = 1; row < rows; ++row) HelpRowLayout(page, width, row).LayOut(lines[row]);
  return page;
}

}  // namespace tervo
