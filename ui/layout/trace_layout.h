// What the info pane shows at the trace stops, as data: every text with its
// position and size. The pane renders the list; tests read it.
#pragma once

#include <array>
#include <cstdint>
#include <string>
#include <vector>

#include "engine.h"
#include "text_format.h"

namespace tervo {

struct InfoText {
  int x = 0;                 // left edge, or right edge when alignRight
  int y = 0;                 // top of the text
  int points = 12;           // 8 for headings, 12 for the rest
  std::string text;
  bool alignRight = false;   // numbers stand with their right edge at x
};

// A copy of the postfix table taken before the director generator consumes it.
struct PostfixSnapshot {
  std::array<PostfixEntry, kPostfixRows + 1> rows{};
  uint16_t count = 0;  // index of the open row
};

void SnapshotPostfix(const Engine& e, PostfixSnapshot& snap);

// The cells of a term, one character each, 15 pixels apart.
void AddTerm(std::vector<InfoText>& out, const Engine& e, int x, int y, uint16_t value, uint16_t mask);
// The variable letters in the same columns as AddTerm.
void AddVariableLetters(std::vector<InfoText>& out, const Engine& e, int x, int y);

// Each Add* appends the texts of one part of the info pane to out.
// The three columns of the translation stops.
void AddPostfixTable(std::vector<InfoText>& out, const PostfixSnapshot& snap);
void AddVariableTable(std::vector<InfoText>& out, const Engine& e);
void AddDirectorTable(std::vector<InfoText>& out, const Engine& e);

// The parts of a reduction stop.
void AddTableCompare(std::vector<InfoText>& out, const Engine& e, const TraceRecord& r);
void AddVirtualCompare(std::vector<InfoText>& out, const Engine& e, const TraceRecord& r);
void AddVirtualStack(std::vector<InfoText>& out, const Engine& e);

// A whole reduction stop: the comparison and, for a virtual-term compare
// with terms still waiting, the stack.
std::vector<InfoText> TraceStepTexts(const Engine& e, const TraceRecord& r);

}  // namespace tervo
