// The printed layout as data: slots, columns, page breaks and scaling.
#include <gtest/gtest.h>

#include <cstdlib>
#include <map>
#include <memory>
#include <string>

#include "grid_text.h"
#include "logic_unit.h"
#include "print_layout.h"
#include "xlate_unit.h"

namespace tervo {
namespace {

PrintInput Page(int width = 2395, int height = 3451) {
  PrintInput in;
  in.title = "tervo42 V2.0";
  in.date = "08/12/2026";
  in.credit = "printed by tervo42";
  in.pageWidth = width;
  in.pageHeight = height;
  return in;
}

// An engine with a one-row formula and `terms` result rows over 3 variables.
std::unique_ptr<Engine> WithTerms(int terms) {
  auto e = std::make_unique<Engine>();
  test::SetFormulaText(*e, "A.B+/A.C");
  e->VariableCount = 3;
  e->VariableTable = {'A', 'B', 'C'};
  for (int t = 1; t <= terms; ++t) {
    e->TermValue[t] = static_cast<uint16_t>(t % 8);
    e->TermMask[t] = 7;
  }
  e->TermCount = static_cast<uint16_t>(terms);
  return e;
}

const PrintOp* FindText(const std::vector<PrintOp>& ops, const std::string& text, int page = 0) {
  for (const auto& op : ops)
    if (op.kind == PrintOp::kText && op.text == text && (page == 0 || op.page == page)) return &op;
  return nullptr;
}

std::vector<int> RuleSlots(const std::vector<PrintOp>& ops, int page) {
  std::vector<int> slots;
  for (const auto& op : ops)
    if (op.kind == PrintOp::kRule && op.page == page) slots.push_back(op.slot);
  return slots;
}

TEST(PrintLayout, OneRowFormulaFillsTheSlotsInOrder) {
  auto e = WithTerms(110);
  const auto ops = LayoutPrint(*e, Page());
  ASSERT_NE(FindText(ops, "tervo42 V2.0"), nullptr);
  EXPECT_EQ(FindText(ops, "tervo42 V2.0")->slot, 1);
  EXPECT_EQ(FindText(ops, "tervo42 V2.0")->height, 85);
  EXPECT_EQ(FindText(ops, "date: 08/12/2026")->slot, 3);
  EXPECT_EQ(FindText(ops, "input formula")->slot, 5);
  const PrintOp* row = FindText(ops, "A.B+/A.C" + std::string(32, ' '));
  ASSERT_NE(row, nullptr);
  EXPECT_EQ(row->slot, 7);
  EXPECT_EQ(row->font, "courier new");
  EXPECT_EQ(FindText(ops, "output CNF table")->slot, 9);
  EXPECT_EQ(FindText(ops, "output CNF table")->font, "arial");
  EXPECT_EQ(RuleSlots(ops, 1), (std::vector<int>{4, 6, 8, 10}));

  // each column of page 1: header in slot 11, 51 terms in slots 12..62
  int headers = 0, lastLeft = 0, firstRight = 0;
  for (const auto& op : ops) {
    if (op.page != 1 || op.kind != PrintOp::kText) continue;
    if (op.text == "A.B.C") {
      EXPECT_EQ(op.slot, 11);
      EXPECT_EQ(op.x, 120 + 1150 * op.column + 200);
      ++headers;
    }
    if (op.text == " 51") lastLeft = op.slot;
    if (op.text == " 52") {
      firstRight = op.slot;
      EXPECT_EQ(op.column, 1);
      EXPECT_EQ(op.x, 120 + 1150);
    }
  }
  EXPECT_EQ(headers, 2);
  EXPECT_EQ(lastLeft, 62);
  EXPECT_EQ(firstRight, 12);

  // term 103 starts page 2 under a header in slot 1
  const PrintOp* t103 = FindText(ops, "103");
  ASSERT_NE(t103, nullptr);
  EXPECT_EQ(t103->page, 2);
  EXPECT_EQ(t103->slot, 2);
  EXPECT_EQ(t103->column, 0);
  ASSERT_NE(FindText(ops, "page 2", 2), nullptr);
  EXPECT_EQ(FindText(ops, "page 2", 2)->x, 2000);
  EXPECT_EQ(FindText(ops, "page 2", 2)->y, 0);
  EXPECT_EQ(FindText(ops, "A.B.C", 2)->slot, 1);
  // 110 terms end in the left column of page 2: a closing rule follows
  EXPECT_EQ(RuleSlots(ops, 2), (std::vector<int>{10}));
}

TEST(PrintLayout, PositionsFollowTheSlotGeometry) {
  auto e = WithTerms(1);
  const auto ops = LayoutPrint(*e, Page());
  const PrintOp* date = FindText(ops, "date: 08/12/2026");
  EXPECT_EQ(date->x, 120);
  EXPECT_EQ(date->y, 50 * 2 + 100);
  for (const auto& op : ops) {
    if (op.kind != PrintOp::kRule) continue;
    EXPECT_EQ(op.y, 100 + 50 * op.slot - 25);
    EXPECT_EQ(op.x, 120);
    EXPECT_EQ(op.x2, 2395);
    EXPECT_EQ(op.penWidth, 2);
  }
  const PrintOp* credit = FindText(ops, "printed by tervo42");
  EXPECT_EQ(credit->y, 3451 - 35);
  EXPECT_EQ(credit->color, 0x0000FFu);
  EXPECT_EQ(credit->height, 35);
}

TEST(PrintLayout, ScaleDoublesOnlyAtExactlyFourThousandEightHundred) {
  EXPECT_EQ(PrintScale(4800), 2);
  EXPECT_EQ(PrintScale(4799), 1);
  EXPECT_EQ(PrintScale(4801), 1);
  EXPECT_EQ(PrintScale(2400), 1);
  auto e = WithTerms(3);
  const auto ops = LayoutPrint(*e, Page(4800, 6800));
  const PrintOp* date = FindText(ops, "date: 08/12/2026");
  EXPECT_EQ(date->x, 240);
  EXPECT_EQ(date->y, 400);
  EXPECT_EQ(date->height, 100);
  EXPECT_EQ(FindText(ops, "tervo42 V2.0")->height, 170);
  EXPECT_EQ(FindText(ops, "printed by tervo42")->y, 6800 - 140);
  EXPECT_EQ(FindText(ops, "page 1")->x, 4000);
  for (const auto& op : ops) {
    if (op.kind == PrintOp::kRule) {
      EXPECT_EQ(op.penWidth, 4);
    }
  }
}

TEST(PrintLayout, TypedTableSplitsIntoTwoColumnsUnderRepeatedHeaders) {
  auto e = std::make_unique<Engine>();
  e->FormulaMode = 0;
  test::SetTableText(*e, "ABC\n1 0\n01\n\n11\n0\n1 1\n001");
  const auto ops = LayoutPrint(*e, Page());
  EXPECT_EQ(FindText(ops, "input CNF table")->slot, 5);
  int headers = 0;
  for (const auto& op : ops)
    if (op.text == "A.B.C" + std::string(24, ' ')) {
      ++headers;
      EXPECT_EQ(op.slot, 7);
    }
  EXPECT_EQ(headers, 2);
  EXPECT_EQ(FindText(ops, "  4")->column, 0);
  EXPECT_EQ(FindText(ops, "  4")->slot, 11);
  EXPECT_EQ(FindText(ops, "  5")->column, 1);
  EXPECT_EQ(FindText(ops, "  5")->slot, 8);
  EXPECT_EQ(FindText(ops, "  7")->slot, 10);
  // the blank line 3 is printed as a numbered blank line
  EXPECT_NE(FindText(ops, "  3"), nullptr);
  EXPECT_NE(FindText(ops, std::string(30, ' ')), nullptr);
  // the closing rule stands below the longer left column
  EXPECT_EQ(RuleSlots(ops, 1)[2], 12);
}

TEST(PrintLayout, ClosingRuleOfAOneLineTableStaysBelowIt) {
  auto e = std::make_unique<Engine>();
  e->FormulaMode = 0;
  test::SetTableText(*e, "AB\n10");
  const auto ops = LayoutPrint(*e, Page());
  EXPECT_EQ(FindText(ops, "  1")->slot, 8);
  EXPECT_EQ(RuleSlots(ops, 1), (std::vector<int>{4, 6, 9, 11, 12}));
}

TEST(PrintLayout, EmptyResultPrintsTitlesAndRulesOnly) {
  auto e = std::make_unique<Engine>();
  const auto ops = LayoutPrint(*e, Page());
  EXPECT_NE(FindText(ops, "input formula"), nullptr);
  EXPECT_NE(FindText(ops, "output CNF table"), nullptr);
  EXPECT_EQ(RuleSlots(ops, 1), (std::vector<int>{4, 6, 7, 9, 10}));
  for (const auto& op : ops) EXPECT_NE(op.kind, PrintOp::kNewPage);
  e->CnfMode = 0;
  EXPECT_NE(FindText(LayoutPrint(*e, Page()), "output DNF table"), nullptr);
}

TEST(PrintLayout, EstimateCountsRowsAndTerms) {
  auto e = WithTerms(0);
  test::SetFormulaText(*e, "A\nB");
  EXPECT_EQ(EstimatePages(*e), 1);  // b = 12, c = 13
  auto big = WithTerms(400);        // b = 1 + 10 + 200 = 211, c = 211 + 4 = 215
  EXPECT_EQ(EstimatePages(*big), 4);
  auto three = WithTerms(240);      // b = 131, c = 134
  EXPECT_EQ(EstimatePages(*three), 3);
  auto table = std::make_unique<Engine>();
  table->FormulaMode = 0;
  test::SetTableText(*table, "AB");
  EXPECT_EQ(EstimatePages(*table), 1);
}

TEST(PrintLayout, ResultMovesToANewPageWhenLittleRoomIsLeft) {
  // A table of 100 lines leaves its closing rule in slot 58: 3 slots remain.
  auto e = std::make_unique<Engine>();
  e->FormulaMode = 0;
  std::string t = "AB";
  for (int k = 1; k <= 100; ++k) t += k % 2 ? "\n10" : "\n01";
  test::SetTableText(*e, t);
  e->VariableCount = 2;
  e->VariableTable = {'A', 'B'};
  e->TermCount = 1;
  e->TermMask[1] = 3;
  const auto ops = LayoutPrint(*e, Page());
  EXPECT_EQ(RuleSlots(ops, 1).back(), 58);
  const PrintOp* title = FindText(ops, "output CNF table");
  EXPECT_EQ(title->page, 2);
  EXPECT_EQ(title->slot, 1);
}

TEST(PrintLayout, TextBuilders) {
  auto e = WithTerms(1);
  e->TermValue[1] = 5;
  e->TermMask[1] = 5;
  EXPECT_EQ(OutputTermText(*e, 1), "1 x 1 ");
  e->CnfMode = 0;
  EXPECT_EQ(OutputTermText(*e, 1), "0 x 0 ");
  EXPECT_EQ(OutputHeaderText(*e), "A+B+C");
  EXPECT_EQ(LineNumberText(7), "  7");
  EXPECT_EQ(LineNumberText(123), "123");
  test::SetTableText(*e, "A C\n1 0");
  EXPECT_EQ(TableHeaderText(*e), "A  .C" + std::string(24, ' '));
  EXPECT_EQ(TableLineText(*e, 1), "1   0 " + std::string(24, ' '));
}

// Page breaks come only before a term: a list that fills its last page to
// the foot leaves no page with only the heading and credit line.
TEST(PrintLayout, NoPageWithoutTerms) {
  const struct {
    int terms, pages;
  } cases[] = {{0, 1}, {101, 1}, {102, 1}, {103, 2}, {224, 2}, {225, 3}, {346, 3}};
  for (const auto& c : cases) {
    SCOPED_TRACE(c.terms);
    auto e = WithTerms(c.terms);
    const auto ops = LayoutPrint(*e, Page());
    int pages = 1;
    for (const auto& op : ops)
      if (op.kind == PrintOp::kNewPage) ++pages;
    EXPECT_EQ(pages, c.pages);
    // Every page holds terms (page 1 at least the result's title).
    for (int page = 2; page <= pages; ++page) EXPECT_NE(FindText(ops, OutputHeaderText(*e), page), nullptr);
    if (c.terms > 0) {
      EXPECT_EQ(FindText(ops, LineNumberText(c.terms))->page, c.pages);
    }
  }
}

// A result of 511 terms over 9 variables on pages of several sizes: every
// term is printed once, and nothing reaches past the page or into the
// credit line once the fitting factor is applied.
TEST(PrintLayout, FitsThePage) {
  auto e = std::make_unique<Engine>();
  test::SetFormulaText(*e, "A+B+C+D+E+F+G+H+I");
  e->VariableCount = 9;
  e->VariableTable = {'A', 'B', 'C', 'D', 'E', 'F', 'G', 'H', 'I'};
  e->TermCount = 511;
  for (int t = 1; t <= 511; ++t) {
    e->TermValue[t] = static_cast<uint16_t>(t);
    e->TermMask[t] = 0x1FF;
  }
  const struct {
    const char* paper;
    int width, height;
    bool scaled;
  } cases[] = {
      {"A4", 2395, 3451, false},     {"Letter", 2466, 3216, true}, {"A5", 1663, 2423, true},
      {"A6", 1155, 1690, true},      {"A4 sideways", 3451, 2395, true},
      {"A4 at 600 dpi", 4800, 6902, false},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.paper);
    const PrintInput in = Page(c.width, c.height);
    const FittedPrint fitted = LayoutPrintFitted(*e, in);
    EXPECT_EQ(fitted.scale < 1.0, c.scaled);
    if (!c.scaled) {
      EXPECT_EQ(fitted.scale, 1.0);
      EXPECT_EQ(fitted.ops.size(), LayoutPrint(*e, in).size());
    }
    const double s = fitted.scale;
    std::vector<int> seen(512, 0);
    std::map<int, int> creditTop;
    for (const auto& op : fitted.ops)
      if (op.kind == PrintOp::kText && op.slot == 0 && op.y > 0) creditTop[op.page] = op.y;
    for (const auto& op : fitted.ops) {
      if (op.kind == PrintOp::kNewPage) continue;
      if (op.kind == PrintOp::kRule) {
        EXPECT_LE(op.x2 * s, c.width + 0.5);
        continue;
      }
      if (op.text.size() == 3 && op.slot > 0) {  // a line number
        const int k = std::atoi(op.text.c_str());
        if (k > 0 && op.text == LineNumberText(k)) ++seen[k];
      }
      EXPECT_GE(op.x, 0);
      EXPECT_LE((op.y + op.height) * s, c.height + 0.5) << op.text;
      if (op.text != in.title) {
        EXPECT_LE(TextRight(op) * s, c.width + 0.5) << op.text;
      }
      if (op.slot > 0) {
        EXPECT_LE(op.y + op.height, creditTop[op.page]) << op.text << " on page " << op.page;
      }
    }
    for (int k = 1; k <= 511; ++k) EXPECT_EQ(seen[k], 1) << "term " << k;
  }
}

}  // namespace
}  // namespace tervo
