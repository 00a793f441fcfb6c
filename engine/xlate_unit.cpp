#include "xlate_unit.h"

#include <algorithm>

#include "text_format.h"

namespace tervo {

namespace {

bool IsOperandEnd(char prev) { return prev == 'A' || prev == ')'; }

// ---------------------------------------------------------------- scanner handlers
// In all handlers the open row is PostfixCount and the last row PostfixCount-1
// (row 0, the scratch row, when nothing has been filled yet).

void ScanVariable(Engine& e, char letter) {
  auto& t = e.PostfixTable;
  if (IsOperandEnd(e.PrevSymbol)) t[e.PostfixCount - 1].op = '.';  // implied AND
  t[e.PostfixCount].var = static_cast<uint8_t>(letter);
  ++e.PostfixCount;
  t[e.PostfixCount].pr = t[e.PostfixCount - 1].pr;
  e.PrevSymbol = 'A';
}

void ScanInversion(Engine& e) {
  auto& t = e.PostfixTable;
  if (IsOperandEnd(e.PrevSymbol)) t[e.PostfixCount - 1].op = '.';  // implied AND
  t[e.PostfixCount].op = '/';
  ++e.PostfixCount;
  t[e.PostfixCount].pr = t[e.PostfixCount - 1].pr;
  e.PrevSymbol = '/';
}

void ScanBinary(Engine& e, char op) {
  if (IsOperandEnd(e.PrevSymbol))
    e.PostfixTable[e.PostfixCount - 1].op = op;
  else
    e.ErrorCode = kSyntaxError;
  e.PrevSymbol = '.';
}

void ScanOpen(Engine& e) {
  auto& open = e.PostfixTable[e.PostfixCount];
  if (open.pr <= (kMaxBracketDepth - 1) * kBracketPriority)
    open.pr = static_cast<uint8_t>(open.pr + kBracketPriority);
  else
    e.ErrorCode = kPriorityError;
  if (IsOperandEnd(e.PrevSymbol)) e.PostfixTable[e.PostfixCount - 1].op = '.';  // implied AND
  e.PrevSymbol = '(';
}

void ScanClose(Engine& e) {
  auto& open = e.PostfixTable[e.PostfixCount];
  auto& last = e.PostfixTable[e.PostfixCount - 1];
  if (open.pr == 0)
    e.ErrorCode = kPriorityError;
  else
    last.pr = static_cast<uint8_t>(last.pr - kBracketPriority);  // what follows belongs to the outer level
  open.pr = last.pr;
  if (!IsOperandEnd(e.PrevSymbol)) e.ErrorCode = kSyntaxError;
  e.PrevSymbol = ')';
}

}  // namespace

// ---------------------------------------------------------------- collection and scan

void CollectFormula(Engine& e) {
  e.FormulaText.fill(' ');
  int pos = 1;
  for (const auto& row : e.FormulaGrid)
    for (char c : row)
      if (c != ' ') e.FormulaText[pos++] = c;
  if (pos == 1) e.ErrorCode = kEmptyWindow;
}

uint8_t OperatorPriority(char op) {
  switch (op) {
    case '>': return 1;
    case '+': return 2;
    case '-': return 3;
    case '=': return 4;
    case '.': return 5;
    case '/': return 6;
    default: return 0;
  }
}

void ScanFormula(Engine& e) {
  e.PrevSymbol = ' ';
  e.PostfixCount = 1;
  for (auto& row : e.PostfixTable) row = PostfixEntry{};  // row 0 too: it is scratch
  e.ScanPos = 1;

  while (e.ScanPos <= kFormulaChars && e.ErrorCode == kOk) {
    const char c = FoldUpper(e.FormulaText[e.ScanPos]);
    if (c >= 'A' && c <= 'Z')
      ScanVariable(e, c);
    else if (c == '/')
      ScanInversion(e);
    else if (c == '.' || c == '+' || c == '-' || c == '=' || c == '>')
      ScanBinary(e, c);
    else if (c == '(')
      ScanOpen(e);
    else if (c == ')')
      ScanClose(e);
    // anything else is skipped and leaves PrevSymbol as it was
    ++e.ScanPos;
    if (e.PostfixCount >= kPostfixRows) e.ErrorCode = kPostfixOverflow;
  }
  if (e.ErrorCode != kOk) return;

  // End checks: an unclosed bracket outranks a missing last operand.
  if (!IsOperandEnd(e.PrevSymbol)) e.ErrorCode = kSyntaxError;
  if (e.PostfixTable[e.PostfixCount].pr != 0) e.ErrorCode = kPriorityError;

  for (int r = 1; r <= e.PostfixCount; ++r) {
    auto& row = e.PostfixTable[r];
    row.pr = static_cast<uint8_t>(row.pr + OperatorPriority(row.op));
  }
}

// ---------------------------------------------------------------- variables and directors

void BuildVariableTable(Engine& e) {
  e.VariableTable.fill(0);
  e.VariableCount = 0;
  for (int r = 1; r < e.PostfixCount; ++r) {
    const char v = static_cast<char>(e.PostfixTable[r].var);
    if (v == ' ') continue;
    if (e.Variables().find(v) != std::string_view::npos) continue;
    if (e.VariableCount == kMaxVariables)
      e.ErrorCode = kTooManyVariables;
    else
      e.VariableTable[e.VariableCount++] = v;
  }
  std::sort(e.VariableTable.begin(), e.VariableTable.begin() + e.VariableCount);
}

uint16_t HighestRow(const Engine& e) {
  if (e.PostfixCount < 2) return 1;
  uint16_t best = 1;
  for (uint16_t r = 2; r < e.PostfixCount; ++r)
    if (e.PostfixTable[r].pr > e.PostfixTable[best].pr) best = r;
  // A run of inversions is applied innermost first.
  if (e.PostfixTable[best].op == '/')
    while (best + 1 < e.PostfixCount && e.PostfixTable[best + 1].op == '/') ++best;
  return best;
}

void RemoveRow(Engine& e, uint16_t k) {
  for (uint16_t r = k; r < e.PostfixCount; ++r) e.PostfixTable[r] = e.PostfixTable[r + 1];
  --e.PostfixCount;
}

void GenerateDirectors(Engine& e) {
  // Numbering: letters become their position in the VariableTable.
  const std::string_view vars = e.Variables();
  for (int r = 1; r <= e.PostfixCount; ++r) {
    auto& row = e.PostfixTable[r];
    const auto at = (row.var == ' ') ? std::string_view::npos : vars.find(static_cast<char>(row.var));
    row.var = (at == std::string_view::npos) ? 0 : static_cast<uint8_t>(at + 1);
  }

  e.DirectorCount = 1;
  e.NextIntermediate = kFirstIntermediate;
  auto& t = e.PostfixTable;
  while (t[1].op != ' ' && e.ErrorCode == kOk) {
    const uint16_t k = HighestRow(e);
    Director& d = e.DirectorTable[e.DirectorCount];
    d.op = t[k].op;
    d.sc1 = t[k].var;
    d.sc2 = t[k + 1].var;
    if (d.sc1 <= kMaxVariables && d.sc2 <= kMaxVariables) {
      t[k + 1].var = static_cast<uint8_t>(e.NextIntermediate);  // a fresh intermediate
      if (e.NextIntermediate < kValueCells)
        ++e.NextIntermediate;
      else
        e.ErrorCode = kTooManyIntermediates;
    } else if (d.sc2 <= kMaxVariables) {
      t[k + 1].var = d.sc1;  // the first operand's intermediate takes the result
    }                        // else the second operand's intermediate keeps it
    d.dest = t[k + 1].var;
    if (e.DirectorCount >= kDirectorRows)
      e.ErrorCode = kDirectorOverflow;
    else
      ++e.DirectorCount;
    RemoveRow(e, k);
  }
  e.DirectorTable[e.DirectorCount] = Director{'Q', t[1].var, 0, 0};
}

// ---------------------------------------------------------------- evaluation

uint8_t EvaluateDirectors(Engine& e) {
  auto& cell = e.ValueTable;
  uint8_t result = 0;
  // The EndDirector ends the walk; the row bound only guards a damaged table.
  for (int r = 1; r <= kDirectorRows && !e.EvalDone; ++r) {
    const Director& d = e.DirectorTable[r];
    const uint8_t a = cell[d.sc1];
    const uint8_t b = cell[d.sc2];
    switch (d.op) {
      case '.': cell[d.dest] = a & b; break;
      case '+': cell[d.dest] = a | b; break;
      case '-': cell[d.dest] = a ^ b; break;
      case '=': cell[d.dest] = (a == b) ? 1 : 0; break;
      case '>': cell[d.dest] = (!a || b) ? 1 : 0; break;
      case '/': cell[d.dest] = b ? 0 : 1; break;
      case 'Q':
        e.EvalDone = 1;
        result = cell[d.dest];
        break;
      default: break;
    }
  }
  e.EvalDone = 0;
  return result;
}

void LoadRow(Engine& e, uint16_t r) {
  // Cell 16 too, which no director reads.
  for (int i = 1; i <= kMaxVariables + 1; ++i) e.ValueTable[i] = static_cast<uint8_t>((r >> (i - 1)) & 1);
}

uint16_t LowMask(unsigned n) {
  return n >= 16 ? 0xFFFF : static_cast<uint16_t>((1u << n) - 1);
}

void EvaluateTruthTable(Engine& e) {
  const unsigned n = e.VariableCount;
  bool matched = false, differed = false;
  std::fill(e.ValueTable.begin(), e.ValueTable.end(), 0);
  e.TermCount = 0;
  e.RowMask = LowMask(n);
  auto& cell = e.ValueTable;
  uint32_t r = 0;
  do {
    if (EvaluateDirectors(e) == e.CnfMode) {
      ++e.TermCount;
      e.TermValue[e.TermCount] = static_cast<uint16_t>(r);
      e.TermMask[e.TermCount] = e.RowMask;
      matched = true;
    } else {
      differed = true;
    }
    // Ripple counter in the cells themselves.
    unsigned c = 1;
    cell[c] ^= 1;
    while (cell[c] == 0) {
      ++c;
      cell[c] ^= 1;
    }
    ++r;
  } while (cell[n + 1] == 0);

  const bool everywhereOne = e.CnfMode ? !differed : !matched;
  const bool everywhereZero = e.CnfMode ? !matched : !differed;
  if (everywhereOne)
    e.ErrorCode = kTautology;
  else if (everywhereZero)
    e.ErrorCode = kInconsistent;
}

}  // namespace tervo
