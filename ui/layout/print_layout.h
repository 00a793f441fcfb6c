// The printed pages as data: every text, rule and page break of a print,
// with its position in printer pixels, computed from the engine's tables.
// The renderer only draws this list, so the layout can be checked without a
// printer.
#pragma once

#include <cstdint>
#include <string>
#include <vector>

#include "engine.h"
#include "logic_unit.h"

namespace tervo {

struct PrintOp {
  enum Kind : uint8_t { kText, kRule, kNewPage };
  Kind kind = kText;
  int page = 1;        // page the operation belongs to
  int x = 0;           // text: left edge; rule: start
  int y = 0;           // text: top of the character cell; rule: centre line
  int x2 = 0;          // rule: end
  int penWidth = 0;    // rule: pen width
  int slot = 0;        // line slot (1 at the top of a page); 0 for the heading and credit line
  int column = 0;      // 0 left, 1 right
  std::string text;    // text
  std::string font;    // "arial" or "courier new"
  int height = 0;      // font cell height in pixels
  uint32_t color = 0;  // 0xRRGGBB
};

struct PrintInput {
  std::string title;       // the main window's caption
  std::string date;        // today as dd/mm/yyyy with the system's separator
  std::string credit;      // the decoded credit line
  int pageWidth = 2400;    // printable width in device pixels
  int pageHeight = 3400;   // printable height in device pixels
  int printScale = 0;      // 1 or 2; 0 takes it from pageWidth (PrintScale)
};

// A print that fits its page: the operations, laid out on a page enlarged by
// 1 / scale where the device's page is too small to hold the layout as it
// is, and the factor that maps them back onto the device's page. With scale
// 1 the operations are those of LayoutPrint for the page itself.
struct FittedPrint {
  std::vector<PrintOp> ops;
  double scale = 1.0;
};

// The page count shown before a long print, estimated from the sizes alone.
int EstimatePages(const Engine& e);

// The scale of the layout: 2 on a page exactly 4800 pixels wide, else 1.
int PrintScale(int pageWidth);

// Lay out the input and the result. The engine is only read.
std::vector<PrintOp> LayoutPrint(const Engine& e, const PrintInput& in);

// Lay out as LayoutPrint, scaled down (both ways alike) when a text would
// reach past the page's right edge or a line into the credit line, so that
// nothing is cut off on paper smaller than the layout.
FittedPrint LayoutPrintFitted(const Engine& e, const PrintInput& in);

// The right edge of a text, estimated from its length: no glyph of the
// printed fonts is wider than 0.6 of the cell height in the monospaced font,
// and the texts in the proportional one average less.
int TextRight(const PrintOp& op);

// Text builders shared with the tests.
std::string FormulaRowText(const Engine& e, int row);
std::string TableHeaderText(const Engine& e);
std::string TableLineText(const Engine& e, int line);
std::string OutputTermText(const Engine& e, int term);
std::string LineNumberText(int k);

// Last FormulaGrid row (1..30) holding a non-blank character, 0 for none.
int LastFormulaRow(const Engine& e);
// Last TableGrid line (0..100) holding a non-blank character, 0 for none.
int LastTableLine(const Engine& e);

}  // namespace tervo
