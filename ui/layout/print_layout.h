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
};

// The page count shown before a long print, estimated from the sizes alone.
int EstimatePages(const Engine& e);

// The scale of the layout: 2 on a page exactly 4800 pixels wide, else 1.
int PrintScale(int pageWidth);

// Lay out the input and the result. The engine is only read.
std::vector<PrintOp> LayoutPrint(const Engine& e, const PrintInput& in);

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
