// Formula translation: collect the formula from the editor grid, scan it
// into the PostfixTable, number the variables, compile the director program
// and evaluate it over every assignment into the TruthTable.
#pragma once

#include <cstdint>

#include "engine.h"

namespace tervo {

// Copy the non-blank characters of the FormulaGrid, in reading order, into
// FormulaText. Sets kEmptyWindow when there are none.
void CollectFormula(Engine& e);

// Binding strength of an operator character ('>' 1 ... '/' 6, others 0).
uint8_t OperatorPriority(char op);

// Scan FormulaText into the PostfixTable. May set kSyntaxError,
// kPostfixOverflow or kPriorityError.
void ScanFormula(Engine& e);

// Collect the distinct letters of the PostfixTable, sorted. May set
// kTooManyVariables.
void BuildVariableTable(Engine& e);

// Number the PostfixTable and compile it into the DirectorTable, ending with
// the EndDirector. May set kTooManyIntermediates or kDirectorOverflow.
void GenerateDirectors(Engine& e);

// Index of the PostfixTable row to compile next.
uint16_t HighestRow(const Engine& e);

// Delete PostfixTable row k, moving the rows after it down.
void RemoveRow(Engine& e, uint16_t k);

// Run the director program once over the current ValueTable; returns 0 or 1.
uint8_t EvaluateDirectors(Engine& e);

// Load assignment r into cells 1..16 (cell 1 = bit 0).
void LoadRow(Engine& e, uint16_t r);

// The mask with the low n bits set (n = 0..16).
uint16_t LowMask(unsigned n);

// Evaluate the formula on every row and collect the rows whose value equals
// CnfMode. May set kInconsistent or kTautology.
void EvaluateTruthTable(Engine& e);

}  // namespace tervo
