// The Karnaugh map of a result of 2 to 6 variables, as data: each cell with
// its assignment, value and box, each result term as a group of rectangles,
// and the texts around them. The map window draws the list; tests read it.
//
// Which variable goes where, variable 1 being the first letter:
//
//   variables  submaps          rows (Gray)   columns (Gray)
//   2          -                v1            v2
//   3          -                v1            v2 v3
//   4          -                v1 v2         v3 v4
//   5          v1: 2 side by side  v2 v3      v4 v5
//   6          v1 v2: 4 side by side  v3 v4   v5 v6
//
// Rows, columns and submaps run in Gray order (00, 01, 11, 10), so that
// neighbours differ in one variable, the first and the last of a row or
// column too. A heading's first digit is the value of the axis' first
// variable. A term whose cells run over the edge of a map and on at the
// other edge is two rectangles, each open on the edge side.
//
// All geometry is in the window's logical pixels; the toolkit scales it to
// the screen.
#pragma once

#include <cstdint>
#include <string>
#include <vector>

#include "engine.h"

namespace tervo {

inline constexpr int kKarnaughMinVariables = 2;
inline constexpr int kKarnaughMaxVariables = 6;

// What the map is drawn from: the result as the output pane shows it.
struct KarnaughTerm {
  uint16_t value = 0;  // bit v-1: value of variable v where the mask has it
  uint16_t mask = 0;   // bit v-1 set: variable v occurs in the term
};
struct KarnaughInput {
  std::string letters;              // letter of variable 1 first; one per variable
  bool cnf = true;                  // "CNF": terms cover the 1 cells; "DNF": the 0 cells
  std::vector<KarnaughTerm> terms;  // the result's rows, in order
  uint64_t dontCares = 0;           // bit a set: assignment a is a don't-care ("x")
};

// The result that the engine holds. It has no don't-cares: the window's
// input never gives any.
KarnaughInput KarnaughInputOf(const Engine& e);

// Why a result with this many variables and terms has no map; empty when it
// has one.
std::string KarnaughRefusal(int variables, int terms);

struct KarnaughBox {
  int x = 0, y = 0, w = 0, h = 0;
  bool operator==(const KarnaughBox&) const = default;
};

enum class KarnaughValue : uint8_t { kZero, kOne, kDontCare };

struct KarnaughCell {
  int submap = 0, row = 0, col = 0;  // place in Gray order
  uint8_t assignment = 0;            // bit v-1: value of variable v
  KarnaughValue value = KarnaughValue::kZero;
  bool grouped = false;              // the value the groups cover (1 in "CNF", 0 in "DNF")
  KarnaughBox box;
};

// One rectangle of a group: rows row..row+rows-1 and columns col..col+cols-1
// of one submap. An open side continues at the opposite edge of the map.
struct KarnaughRect {
  int submap = 0, row = 0, col = 0, rows = 0, cols = 0;
  bool openLeft = false, openRight = false, openTop = false, openBottom = false;
  KarnaughBox box;   // the cells' outer edges
  KarnaughBox clip;  // the submap's cells: nothing of the group is drawn outside
};

struct KarnaughGroup {
  int term = 0;         // entry number in the result, from 1
  uint32_t rgb = 0;     // colour, 0xRRGGBB
  int inset = 0;        // pixels inside the cell edges; overlapping groups nest
  std::vector<KarnaughRect> rects;
};

enum class KarnaughTextRole : uint8_t {
  kTitle,         // the line above the maps
  kSubmapLabel,   // values of the extra variables of a submap
  kLetters,       // variable letters of an axis, in the corner
  kHeading,       // a Gray code beside a row or above a column
  kCell,          // a cell's 1, 0 or x
  kLegendHeader,  // the letters over the legend, as the output pane's header
  kLegend,        // a term's row as the output pane shows it
};
enum class KarnaughAlign : uint8_t { kLeft, kCentre, kRight };

struct KarnaughText {
  std::string text;
  KarnaughBox box;
  KarnaughTextRole role = KarnaughTextRole::kCell;
  KarnaughAlign align = KarnaughAlign::kCentre;
};

struct KarnaughLine {
  int x1 = 0, y1 = 0, x2 = 0, y2 = 0;
};

struct KarnaughSwatch {
  int term = 0;
  uint32_t rgb = 0;
  KarnaughBox box;
};

struct KarnaughMap {
  int variables = 0;
  int width = 0, height = 0;        // the window's client area
  int submaps = 0, rows = 0, cols = 0;
  std::vector<KarnaughBox> cellAreas;  // per submap: all its cells
  std::vector<KarnaughCell> cells;     // submap by submap, row by row
  std::vector<KarnaughGroup> groups;   // one per term, in the result's order
  std::vector<KarnaughText> texts;
  std::vector<KarnaughLine> lines;     // the corner diagonals
  std::vector<KarnaughSwatch> swatches;  // a term's colour beside its legend row

  // The cell at a place; nullptr outside the map.
  const KarnaughCell* Cell(int submap, int row, int col) const;
};

// Geometry, in logical pixels.
inline constexpr int kKarnaughMargin = 16;
inline constexpr int kKarnaughTitleH = 28;
inline constexpr int kKarnaughLabelH = 24;   // submap label, 5 and 6 variables only
inline constexpr int kKarnaughHeadH = 40;    // corner and column headings
inline constexpr int kKarnaughRowHeadW = 56;
inline constexpr int kKarnaughCellW = 48;
inline constexpr int kKarnaughCellH = 40;
inline constexpr int kKarnaughMapGap = 32;
inline constexpr int kKarnaughLegendGap = 16;
inline constexpr int kKarnaughLineH = 20;
inline constexpr int kKarnaughMinWidth = 420;
inline constexpr int kKarnaughInsets[] = {3, 7, 11};

// The map of a result; a refused input (KarnaughRefusal) gives an empty map.
KarnaughMap LayOutKarnaugh(const KarnaughInput& in);

// Position p (0-based) of an axis of `bits` variables in Gray order, as the
// values of those variables: bit j of the answer is the j-th variable of the
// axis. Its heading reads them first variable first.
unsigned GrayValues(int p, int bits);
std::string GrayHeading(int p, int bits);

}  // namespace tervo
