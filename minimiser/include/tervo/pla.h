// PLA files of any width: one or more Boolean functions of the same inputs,
// given row by row as cubes with one character per output.
#pragma once

#include <cstddef>
#include <cstdint>
#include <optional>
#include <span>
#include <string>
#include <string_view>
#include <vector>

namespace tervo::minimiser {

inline constexpr unsigned kMaxPlaOutputs = 1024;

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
  // Where the file gave ".i", ".o" and ".type" (0 when absent or made in
  // memory), for refusals that a later reader of the function makes.
  int inputsLine = 0, outputsLine = 0, typeLine = 0;
  std::size_t Rows() const { return in.size(); }
};

// Where and why a file was refused.
struct PlaError {
  int line = 0;    // 1-based line of the file, 0 when no single line is at fault
  int column = 0;  // 1-based column (byte) of the line, 0 when unknown
  std::string text;
};

// How much the reader may hold.
struct PlaLimits {
  // Bytes the rows read may take, estimated before they are stored; a file
  // that needs more is refused. 0: half of the machine's memory (or of the
  // process's address-space limit, when that is lower).
  std::size_t memoryBytes = 0;
};

// Read a PLA file of any width: "#" comment lines; ".i" 1 or more, ".o" 1
// to 1024, ".ilb", ".ob", ".p", ".type" f, r, fd, fr, dr or fdr, ".e" or
// ".end" (nothing after it is read); rows of input characters "0" "1" "-"
// (also "2") followed by one output character per output ("1" or "4", "0",
// "-" or "2", "~" or "3"), with blanks and "|" anywhere between them and a
// "#" comment after them. Lines of text before ".i" that do not look like
// rows are a title and passed over; a UTF-8 byte order mark at the start is
// passed over. Everything else is refused with the line and column at
// fault. Output characters are kept as '1', '0', '-' and '~'; inputs as
// '0', '1' and '-'. Refused files leave `out` empty.
std::optional<PlaError> ReadPla(std::string_view text, Pla& out, const PlaLimits& limits = {});

// The PLA file text of `p`, as ReadPla reads it back: ".i", ".o", the
// names when there are any, ".type", ".p", the rows and ".e".
std::string WritePla(const Pla& p);

// The keywords ReadPla knows, in the order a help text lists them: what
// each one taken gives, and why each one refused is refused.
struct PlaKeyword {
  std::string_view name;
  std::string_view arguments;  // what follows it ("N", "NAMES", ...), "" for none
  std::string_view meaning;    // what it gives; for a refused keyword why it is refused
  bool taken = false;
};
std::span<const PlaKeyword> PlaKeywords();

// The bytes of memory the reader may use under `limits`.
std::size_t PlaMemoryBudget(const PlaLimits& limits);

}  // namespace tervo::minimiser
