// PLA files of any width: one or more Boolean functions of the same inputs,
// given row by row as cubes with one character per output.
#pragma once

#include <cstdint>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

namespace tervo::minimiser {

// A PLA file as read, or a cover to write. Each row is a cube of the
// inputs, one character per input ('0', '1', '-'), and one character per
// output: '1' (the row is in the output's listed ON-set), '0', '-' (a
// don't-care) or '~' (nothing for this output). What the characters mean
// as sets depends on `type`, as in the file format: "f", "fd" (the
// default), "r", "fr", "dr", "fdr".
struct Pla {
  unsigned inputs = 0;
  unsigned outputs = 0;
  std::vector<std::string> inputNames;   // ".ilb", empty when absent
  std::vector<std::string> outputNames;  // ".ob", empty when absent
  std::string type = "fd";
  std::vector<std::string> in;           // per row: `inputs` characters
  std::vector<std::string> out;          // per row: `outputs` characters
  std::vector<int> line;                 // per row: the line of the file it stood on (0 when made in memory)
  std::size_t Rows() const { return in.size(); }
};

// Where and why a file was refused.
struct PlaError {
  int line = 0;    // 1-based line of the file, 0 when no single line is at fault
  int column = 0;  // 1-based column, 0 when unknown
  std::string text;
};

// Read a PLA file of any width. Refused files leave `out` empty and say why.
std::optional<PlaError> ReadPla(std::string_view text, Pla& out);

// The PLA file text of `p`, as ReadPla reads it back.
std::string WritePla(const Pla& p);

}  // namespace tervo::minimiser
