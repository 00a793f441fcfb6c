#include "trace_layout.h"

#include "logic_unit.h"

namespace tervo {

namespace {

constexpr int kHeading = 8;
constexpr int kBody = 12;
constexpr int kTermX = 125;

int RowY(int r) { return 35 + 18 * (r - 1); }

void Add(std::vector<InfoText>& out, int x, int y, std::string text, int points = kBody, bool right = false) {
  out.push_back(InfoText{x, y, points, std::move(text), right});
}

std::string Char(uint8_t c) { return std::string(1, static_cast<char>(c)); }

}  // namespace

void SnapshotPostfix(const Engine& e, PostfixSnapshot& snap) {
  snap.rows = e.PostfixTable;
  snap.count = e.PostfixCount;
}

void AddTerm(std::vector<InfoText>& out, const Engine& e, int x, int y, uint16_t value, uint16_t mask) {
  static constexpr char kCell[4] = {'x', '0', 'x', '1'};  // mask bit + 2 * value bit
  for (int i = 0; i < e.VariableCount; ++i) {
    const int index = ((mask >> i) & 1) + 2 * ((value >> i) & 1);
    Add(out, x + 15 * i, y, std::string(1, kCell[index]));
  }
}

void AddVariableLetters(std::vector<InfoText>& out, const Engine& e, int x, int y) {
  for (int i = 0; i < e.VariableCount; ++i) Add(out, x + 15 * i, y, std::string(1, e.VariableTable[i]));
}

void AddPostfixTable(std::vector<InfoText>& out, const PostfixSnapshot& snap) {
  Add(out, 0, 0, "postfix", kHeading);
  Add(out, 0, 15, "var op  pr", kHeading);
  for (int r = 1; r <= snap.count && r <= kPostfixRows; ++r) {
    const PostfixEntry& row = snap.rows[r];
    Add(out, 5, RowY(r), Char(row.var));
    Add(out, 30, RowY(r), std::string(1, row.op));
    Add(out, 70, RowY(r), std::to_string(row.pr), kBody, true);
  }
}

void AddVariableTable(std::vector<InfoText>& out, const Engine& e) {
  Add(out, 100, 0, "variables", kHeading);
  Add(out, 100, 15, " nr var", kHeading);
  for (int i = 1; i <= e.VariableCount; ++i) {
    Add(out, 120, RowY(i), std::to_string(i), kBody, true);
    Add(out, 130, RowY(i), std::string(1, e.VariableTable[i - 1]));
  }
}

void AddDirectorTable(std::vector<InfoText>& out, const Engine& e) {
  Add(out, 200, 0, "directors", kHeading);
  Add(out, 200, 15, "op dest  sc1  sc2", kHeading);
  for (int r = 1; r <= e.DirectorCount && r <= kDirectorRows; ++r) {
    const Director& d = e.DirectorTable[r];
    Add(out, 200, RowY(r), std::string(1, d.op));
    Add(out, 250, RowY(r), std::to_string(d.dest), kBody, true);
    Add(out, 280, RowY(r), std::to_string(d.sc1), kBody, true);
    Add(out, 320, RowY(r), std::to_string(d.sc2), kBody, true);
  }
}

void AddTableCompare(std::vector<InfoText>& out, const Engine& e, const TraceRecord& r) {
  Add(out, 10, 5, "truth table compare", kHeading);
  AddVariableLetters(out, e, kTermX, 20);
  Add(out, 5, 40, "i=" + PadNumber(r.i, 5) + ":");
  AddTerm(out, e, kTermX, 40, e.TermValue[r.i], e.TermMask[r.i]);
  Add(out, 5, 60, "j=" + PadNumber(r.j, 5) + ":");
  AddTerm(out, e, kTermX, 60, e.TermValue[r.j], e.TermMask[r.j]);
  Add(out, 5, 100, "difference");
  AddTerm(out, e, kTermX, 100, r.diff, 0xFFFF);
  if (r.firstHole) Add(out, 5, 120, "hole-i");
  if (r.secondHole) Add(out, 5, 140, "hole-j");
  Add(out, 5, 160, std::string("(").append(std::to_string(r.code)).append(")"));
  const std::string action = ActionText(e, r);
  Add(out, 5, 180, action);
  if (FormsVirtualTerm(e, r)) {
    uint16_t value = 0, mask = 0;
    Consensus(e.FullMask, e.TermValue[r.i], e.TermMask[r.i], e.TermValue[r.j], e.TermMask[r.j], r.diff, value,
              mask);
    AddTerm(out, e, kTermX, 180, value, mask);
  }
  if (r.rescan) Add(out, 5, 200, "rescan");
}

void AddVirtualCompare(std::vector<InfoText>& out, const Engine& e, const TraceRecord& r) {
  Add(out, 10, 5, "virtual term compare", kHeading);
  AddVariableLetters(out, e, kTermX, 20);
  Add(out, 5, 40, "VT");
  AddTerm(out, e, kTermX, 40, e.VtValue, e.VtMask);
  Add(out, 5, 60, "k=" + PadNumber(r.k, 5) + ":");
  AddTerm(out, e, kTermX, 60, e.TermValue[r.k], e.TermMask[r.k]);
  Add(out, 5, 100, "difference");
  AddTerm(out, e, kTermX, 100, r.diff, 0xFFFF);
  if (r.firstHole) Add(out, 5, 120, "hole-VT");
  if (r.secondHole) Add(out, 5, 140, "hole [k]");
  const std::string action = ActionText(e, r);
  Add(out, 5, 160, action);
  if (FormsVirtualTerm(e, r)) {
    uint16_t value = 0, mask = 0;
    Consensus(e.FullMask, e.VtValue, e.VtMask, e.TermValue[r.k], e.TermMask[r.k], r.diff, value, mask);
    AddTerm(out, e, kTermX, 160, value, mask);
  }
  if (r.rescan) Add(out, 5, 180, "rescan");
  if (r.history != 0) {
    Add(out, 5, 200, "VT history");
    AddTerm(out, e, kTermX, 200, r.history, e.FullMask);
  }
}

void AddVirtualStack(std::vector<InfoText>& out, const Engine& e) {
  Add(out, 5, 220, "virtual stack", kHeading);
  AddVariableLetters(out, e, kTermX, 220);
  for (int m = 1; e.StackPos + m <= e.StackCount && m < kStackSlots; ++m) {
    const VirtualSlot& slot = e.VirtualStack[e.StackPos + m];
    AddTerm(out, e, kTermX, 220 + 20 * m, slot.value, slot.mask);
  }
}

std::vector<InfoText> TraceStepTexts(const Engine& e, const TraceRecord& r) {
  std::vector<InfoText> out;
  if (r.kind == kPairCompare) {
    AddTableCompare(out, e, r);
  } else if (r.kind == kVirtualCompare) {
    AddVirtualCompare(out, e, r);
    if (e.StackPos < e.StackCount) AddVirtualStack(out, e);
  }
  return out;
}

}  // namespace tervo
