// Writes the carry out of a 7-bit adder with carry in as a single-output PLA
// (the ON-set, one row per assignment, ascending), for timing a whole run of
// the command-line tool:  tervo42-make-adder-pla adder.pla
// Column c of a row (from the left, 0-based) is variable c + 1 (letters A..O,
// bit c of the row number): A..G are a0..a6, H..N are b0..b6, O the carry in.
#include <cstdio>

#include "functions.h"

int main(int argc, char** argv) {
  if (argc != 2) {
    std::fprintf(stderr, "usage: %s FILE\n", argv[0]);
    return 2;
  }
  const tervo::bench::Function f = tervo::bench::AdderCarry15();
  std::FILE* out = std::fopen(argv[1], "w");
  if (!out) {
    std::perror(argv[1]);
    return 2;
  }
  std::fprintf(out, ".i %d\n.o 1\n.ilb", f.n);
  for (int v = 0; v < f.n; ++v) std::fprintf(out, " %c", 'A' + v);
  std::fprintf(out, "\n");
  for (const uint16_t row : f.rows) {
    char line[16];
    for (int c = 0; c < f.n; ++c) line[c] = (row >> c & 1) ? '1' : '0';
    line[f.n] = '\0';
    std::fprintf(out, "%s 1\n", line);
  }
  std::fprintf(out, ".e\n");
  if (std::fclose(out) != 0) {
    std::perror(argv[1]);
    return 2;
  }
  return 0;
}
