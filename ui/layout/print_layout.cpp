#include "print_layout.h"

#include <algorithm>
#include <cmath>

#include "text_format.h"

namespace tervo {

namespace {

constexpr int kLastSlot = 62;      // last line slot the two-column lists use
constexpr int kSlotHeight = 50;    // pixels per line slot
constexpr int kTopMargin = 100;    // top of slot 1
constexpr int kLeftMargin = 120;   // left edge of the left column
constexpr int kColumnStep = 1150;  // offset of the right column
constexpr int kListIndent = 200;   // list entries stand right of their line number
constexpr uint32_t kBlack = 0x000000;
constexpr uint32_t kBlue = 0x0000FF;

// The print state of one print command and its drawing operations.
class Layout {
 public:
  Layout(const Engine& e, const PrintInput& in, std::vector<PrintOp>& ops)
      : e_(e), in_(in), ops_(ops), PrintScale(in.printScale ? in.printScale : tervo::PrintScale(in.pageWidth)) {}

  void Run();

 private:
  void PrintText(const std::string& text) {
    PrintOp op;
    op.kind = PrintOp::kText;
    op.page = PageNumber;
    op.x = (kLeftMargin + kColumnStep * PrintColumn + PrintIndent) * PrintScale;
    op.y = (kSlotHeight * (PrintLine - 1) + kTopMargin) * PrintScale;
    op.slot = PrintLine;
    op.column = PrintColumn;
    op.text = text;
    op.font = font_;
    op.height = height_;
    op.color = color_;
    ops_.push_back(std::move(op));
    ++PrintLine;
  }

  void PrintRule() {
    PrintOp op;
    op.kind = PrintOp::kRule;
    op.page = PageNumber;
    op.penWidth = 2 * PrintScale;
    op.x = kLeftMargin * PrintScale;
    op.x2 = in_.pageWidth;
    // the middle of the slot: 50 * scale * (line - 0.5) is always whole
    op.y = kTopMargin * PrintScale + kSlotHeight * PrintScale * PrintLine - kSlotHeight * PrintScale / 2;
    op.slot = PrintLine;
    op.column = PrintColumn;
    ops_.push_back(std::move(op));
    ++PrintLine;
  }

  void SetBodyFont(const char* name) {
    font_ = name;
    color_ = kBlack;
    height_ = 50 * PrintScale;
  }

  // Heading and credit line draw at fixed places and leave their font set.
  void FixedText(const std::string& text, int x, int y, uint32_t color) {
    font_ = "arial";
    color_ = color;
    height_ = 35 * PrintScale;
    PrintOp op;
    op.kind = PrintOp::kText;
    op.page = PageNumber;
    op.x = x;
    op.y = y;
    op.text = text;
    op.font = font_;
    op.height = height_;
    op.color = color_;
    ops_.push_back(std::move(op));
  }

  void PageHeading() { FixedText("page " + std::to_string(PageNumber), 2000 * PrintScale, 0, kBlack); }

  void CreditLine() {
    FixedText(in_.credit, kLeftMargin * PrintScale, in_.pageHeight - 35 * PrintScale * PrintScale, kBlue);
  }

  void NextPage() {
    ++PageNumber;
    PrintOp op;
    op.kind = PrintOp::kNewPage;
    op.page = PageNumber;
    ops_.push_back(std::move(op));
    PrintLine = 1;
    ColumnTop = 1;
    PageHeading();
    CreditLine();
  }

  // One numbered row of a two-column list, under the list's header when it
  // opens a column.
  void PrintListRow(const std::string& header, int k, const std::string& text) {
    if (ColumnTop == PrintLine) {
      PrintIndent = kListIndent;
      PrintText(header);
    }
    PrintIndent = 0;
    PrintText(LineNumberText(k));
    --PrintLine;  // the text stands on the number's slot
    PrintIndent = kListIndent;
    PrintText(text);
  }

  void PrintFormula();
  void PrintTable();
  void PrintResult();

  const Engine& e_;
  const PrintInput& in_;
  std::vector<PrintOp>& ops_;
  std::string font_ = "arial";
  int height_ = 50;
  uint32_t color_ = kBlack;

 public:
  const int PrintScale;  // 1, or 2 on a page exactly 4800 pixels wide
  int PageNumber = 1;    // page being printed
  int PrintLine = 1;     // slot of the next printed line
  int ColumnTop = 1;     // slot where the current two-column block starts
  int PrintColumn = 0;   // 0 left, 1 right
  int PrintIndent = 0;   // 0 or 200
  int Highest = 0;       // lowest slot reached by the typed table's columns
};

void Layout::Run() {
  PrintColumn = 0;
  PageHeading();
  CreditLine();

  // title and date
  SetBodyFont("arial");
  height_ = 85 * PrintScale;
  PrintIndent = 0;
  PrintLine = 1;
  PrintText(in_.title);
  PrintLine = 3;
  SetBodyFont("arial");
  PrintText("date: " + in_.date);
  PrintRule();

  if (e_.FormulaMode)
    PrintFormula();
  else
    PrintTable();
  PrintResult();
}

void Layout::PrintFormula() {
  PrintText("input formula");
  PrintRule();
  SetBodyFont("courier new");
  const int rows = LastFormulaRow(e_);
  for (int r = 0; r < rows; ++r) PrintText(FormulaRowText(e_, r));
  PrintRule();
}

void Layout::PrintTable() {
  SetBodyFont("arial");
  PrintText("input CNF table");
  PrintRule();
  ColumnTop = PrintLine;
  SetBodyFont("courier new");
  const int last = LastTableLine(e_);
  Highest = PrintLine;
  const std::string header = TableHeaderText(e_);
  for (int k = 1; k <= last; ++k) {
    PrintListRow(header, k, TableLineText(e_, k));
    // Note the left column's depth before moving to the right column, so
    // that the closing rule never strikes through its last line.
    Highest = std::max(Highest, PrintLine);
    if (k == (last + 1) / 2) {  // the rest goes into the right column
      PrintLine = ColumnTop;
      PrintColumn = 1;
    }
    Highest = std::max(Highest, PrintLine);
  }
  PrintLine = Highest;
  PrintRule();
}

void Layout::PrintResult() {
  PrintIndent = 0;
  const int room = kLastSlot - PrintLine;
  if (room <= 10 && (e_.TermCount + 1) / 2 >= room - 3) NextPage();

  SetBodyFont("courier new");
  PrintColumn = 0;
  font_ = "arial";
  PrintText(std::string("output ") + (e_.CnfMode ? "CNF" : "DNF") + " table");
  PrintRule();
  ColumnTop = PrintLine;
  font_ = "courier new";

  const std::string header = OutputHeaderText(e_);
  for (int k = 1; k <= e_.TermCount; ++k) {
    // A full column moves on only when another term follows, so that a list
    // that ends exactly at the foot of a page leaves no empty page behind.
    if (PrintLine > kLastSlot) {
      if (PrintColumn == 0) {
        PrintColumn = 1;
        PrintLine = ColumnTop;
      } else {
        PrintColumn = 0;
        NextPage();
        SetBodyFont("courier new");
      }
    }
    PrintListRow(header, k, OutputTermText(e_, k));
  }
  if (PrintColumn == 0 && PrintLine <= kLastSlot) PrintRule();
}

}  // namespace

int PrintScale(int pageWidth) { return pageWidth == 4800 ? 2 : 1; }

int LastFormulaRow(const Engine& e) {
  for (int r = kGridRows; r >= 1; --r)
    for (char c : e.FormulaGrid[r - 1])
      if (c != ' ') return r;
  return 0;
}

int LastTableLine(const Engine& e) {
  for (int l = kTableLines - 1; l >= 1; --l)
    for (char c : e.TableGrid[l])
      if (c != ' ') return l;
  return 0;
}

int EstimatePages(const Engine& e) {
  const int a = e.FormulaMode ? LastFormulaRow(e) : (LastTableLine(e) + 1) / 2;
  const int b = a + 10 + (e.TermCount + 1) / 2;
  const int c = b + (b + 61) / 62;
  return (c + 61) / 62;
}

std::string FormulaRowText(const Engine& e, int row) {
  return std::string(e.FormulaGrid[row].begin(), e.FormulaGrid[row].end());
}

std::string TableHeaderText(const Engine& e) {
  std::string s;
  for (int col = 0; col < kTableCols; ++col) {
    const char c = e.TableGrid[0][col];
    if (col > 0) s += (c == ' ') ? ' ' : '.';
    s += c;
  }
  return s;
}

std::string TableLineText(const Engine& e, int line) {
  std::string s;
  for (int col = 0; col < kTableCols; ++col) {
    s += e.TableGrid[line][col];
    s += ' ';
  }
  return s;
}

std::string OutputTermText(const Engine& e, int term) {
  return OutputRowText(e, e.TermValue[term], e.TermMask[term]);
}

std::string LineNumberText(int k) { return PadNumber(k, 3); }

std::vector<PrintOp> LayoutPrint(const Engine& e, const PrintInput& in) {
  std::vector<PrintOp> ops;
  Layout layout(e, in, ops);
  layout.Run();
  return ops;
}

int TextRight(const PrintOp& op) {
  return op.x + static_cast<int>(op.text.size()) * (op.height * 3 + 4) / 5;  // 0.6 of the height, rounded up
}

FittedPrint LayoutPrintFitted(const Engine& e, const PrintInput& in) {
  FittedPrint fitted;
  fitted.ops = LayoutPrint(e, in);
  // What the layout needs: the widest line and the foot of the lowest one,
  // which must stay above the credit line (drawn `credit` above the foot of
  // the page). The title is left out of the width: a long file name would
  // otherwise shrink every page.
  int right = 0, bottom = 0, credit = 0;
  for (const PrintOp& op : fitted.ops) {
    if (op.kind == PrintOp::kRule) {
      bottom = std::max(bottom, op.y + op.penWidth / 2);
    } else if (op.kind == PrintOp::kText) {
      if (op.slot == 0) {
        if (op.y > 0) credit = in.pageHeight - op.y;  // the credit line; the heading stands at y 0
        else right = std::max(right, TextRight(op));
        continue;
      }
      const bool title = op.page == 1 && op.slot == 1 && op.text == in.title;
      if (!title) right = std::max(right, TextRight(op));
      bottom = std::max(bottom, op.y + op.height);
    }
  }
  double scale = 1.0;
  if (right > in.pageWidth) scale = std::min(scale, static_cast<double>(in.pageWidth) / right);
  if (bottom + credit > in.pageHeight) scale = std::min(scale, static_cast<double>(in.pageHeight) / (bottom + credit));
  if (scale >= 1.0) return fitted;

  PrintInput larger = in;
  larger.printScale = in.printScale ? in.printScale : PrintScale(in.pageWidth);
  larger.pageWidth = static_cast<int>(std::ceil(in.pageWidth / scale));
  larger.pageHeight = static_cast<int>(std::ceil(in.pageHeight / scale));
  // Keep the proportions: one factor both ways, from the page actually used.
  fitted.scale = std::min(static_cast<double>(in.pageWidth) / larger.pageWidth,
                          static_cast<double>(in.pageHeight) / larger.pageHeight);
  fitted.ops = LayoutPrint(e, larger);
  return fitted;
}

}  // namespace tervo
