// The cover checker: correct covers pass, corrupted ones are refused with
// the output at fault and a point that shows it, at any width; and on
// small random functions it agrees with a check point by point.
#include <gtest/gtest.h>

#include <random>
#include <string>
#include <vector>

#include "check.h"
#include "tervo/pla.h"

namespace tervo::minimiser {
namespace {

Pla Read(const std::string& text) {
  Pla p;
  const auto err = ReadPla(text, p);
  EXPECT_FALSE(err) << text << (err ? err->text : "");
  return p;
}

bool CubeHolds(const std::string& cube, const std::string& point) {
  for (std::size_t v = 0; v < cube.size(); ++v)
    if (cube[v] != '-' && cube[v] != point[v]) return false;
  return true;
}

// What output k of `function` is at a point: '1', '0' or '-', or 'x' for a
// point the file lists both ON and OFF.
char StateAt(const Pla& function, unsigned k, const std::string& point) {
  const bool f = function.type.find('f') != std::string::npos, d = function.type.find('d') != std::string::npos,
             r = function.type.find('r') != std::string::npos;
  bool on = false, dc = false, off = false;
  for (std::size_t row = 0; row < function.Rows(); ++row) {
    if (!CubeHolds(function.in[row], point)) continue;
    const char c = function.out[row][k];
    on = on || (f && c == '1');
    dc = dc || (d && c == '-');
    off = off || (r && c == '0');
  }
  if (dc) return '-';
  if (on && off) return 'x';
  if (on) return '1';
  if (off) return '0';
  return f && r ? '-' : f ? '0' : '1';
}

bool CoverHolds(const Pla& cover, unsigned k, const std::string& point) {
  for (std::size_t row = 0; row < cover.Rows(); ++row)
    if (cover.out[row][k] == '1' && CubeHolds(cover.in[row], point)) return true;
  return false;
}

// True when the point shows a fault of output k: an ON point the cover
// misses or an OFF point it holds.
bool IsFault(const Pla& function, const Pla& cover, unsigned k, const std::string& point) {
  const char s = StateAt(function, k, point);
  const bool held = CoverHolds(cover, k, point);
  return s == 'x' || (s == '1' && !held) || (s == '0' && held);
}

// A 2-output function of 6 inputs listed each way the types allow, and a
// correct cover of it.
struct Case {
  const char* name;
  std::string function;
  std::string cover;
};

// The same function listed by its OFF-set alone (.type r): a row per
// point where some output is 0, '~' for an output that is 1 there.
std::string ListedByOffSet(const std::string& head) {
  std::string s = head + ".type r\n";
  for (unsigned a = 0; a < 64; ++a) {
    std::string point(6, '0');
    for (unsigned v = 0; v < 6; ++v) point[v] = (a >> v & 1) ? '1' : '0';
    const bool f1 = CubeHolds("11----", point) || CubeHolds("--11--", point);
    const bool f2 = CubeHolds("--11--", point) || CubeHolds("0000--", point);
    if (f1 && f2) continue;
    s += point + " " + (f1 ? '~' : '0') + (f2 ? '~' : '0') + "\n";
  }
  return s;
}

std::vector<Case> Cases() {
  const std::string head = ".i 6\n.o 2\n";
  const std::string cover = head + ".type f\n11---- 10\n--11-- 11\n0000-- 01\n";
  return {
      {"fd", head + "11---- 10\n--11-- 11\n0000-- 01\n1-1-1- -0\n", cover},
      {"f", head + ".type f\n11---- 10\n--11-- 11\n0000-- 01\n", cover},
      // under fr a 0 lists OFF, and what is listed neither way is free
      {"fr", head + ".type fr\n11---- 1~\n--11-- 11\n0000-- ~1\n0101-- 00\n000--- 0~\n", cover},
      {"r", ListedByOffSet(head), cover},
  };
}

TEST(CheckCover, PassesCorrectCovers) {
  for (const Case& c : Cases()) {
    const Pla function = Read(c.function), cover = Read(c.cover);
    const CheckReport r = CheckCover(function, cover);
    EXPECT_TRUE(r.ok) << c.name << ": " << r.text;
    EXPECT_EQ(r.output, -1) << c.name;
  }
}

// Each corruption of a correct cover: the output at fault is named and the
// point given shows the fault.
TEST(CheckCover, RefusesCorruptedCovers) {
  struct Corruption {
    const char* what;
    void (*apply)(Pla&);
    int output;
  } corruptions[] = {
      {"a dropped row", [](Pla& p) { p.in.erase(p.in.begin()); p.out.erase(p.out.begin()); }, 0},
      {"a row widened into OFF", [](Pla& p) { p.in[1] = "---1--"; }, 0},
      {"a wrong output bit", [](Pla& p) { p.out[2][0] = '1'; }, 0},
      {"an output bit lost", [](Pla& p) { p.out[1][1] = '0'; }, 1},
  };
  for (const Case& c : Cases()) {
    const Pla function = Read(c.function);
    for (const Corruption& k : corruptions) {
      Pla cover = Read(c.cover);
      k.apply(cover);
      const CheckReport r = CheckCover(function, cover);
      SCOPED_TRACE(std::string(c.name) + ", " + k.what);
      ASSERT_FALSE(r.ok) << r.text;
      EXPECT_EQ(r.output, k.output) << r.text;
      ASSERT_EQ(r.counterexample.size(), 6u) << r.text;
      EXPECT_TRUE(IsFault(function, cover, static_cast<unsigned>(r.output), r.counterexample)) << r.text;
      EXPECT_NE(r.text.find(r.counterexample), std::string::npos) << r.text;
    }
  }
}

TEST(CheckCover, RefusesCoversOfAnotherShape) {
  const Pla function = Read(".i 3\n.o 1\n1-- 1\n");
  struct Shape {
    std::string cover;
    const char* words;
  } shapes[] = {
      {".i 4\n.o 1\n1--- 1\n", "4 inputs and 1 outputs; the function has 3 and 1"},
      {".i 3\n.o 2\n1-- 11\n", "3 inputs and 2 outputs"},
  };
  for (const Shape& s : shapes) {
    const CheckReport r = CheckCover(function, Read(s.cover));
    EXPECT_FALSE(r.ok);
    EXPECT_NE(r.text.find(s.words), std::string::npos) << r.text;
  }
  Pla bad = Read(".i 3\n.o 1\n1-- 1\n");
  bad.in[0] = "1x";
  EXPECT_NE(CheckCover(function, bad).text.find("the cover's row 1 is not a cube"), std::string::npos);
}

// A 40-input function: its own rows pass, a dropped row or a widened one
// is found, and the point given lies in 40 inputs.
TEST(CheckCover, WorksAtAnyWidth) {
  std::string function = ".i 40\n.o 2\n.type fd\n";
  std::mt19937 rng(7);
  for (int r = 0; r < 60; ++r) {
    std::string row(40, '-');
    for (int l = 0; l < 8; ++l) row[rng() % 40] = "01"[rng() % 2];
    function += row + " " + "10 01 11 1-"[3 * (rng() % 4)] + "10 01 11 1-"[3 * (rng() % 4) + 1] + "\n";
  }
  const Pla p = Read(function);
  Pla cover = p;
  cover.type = "f";
  for (std::string& o : cover.out)
    for (char& c : o) c = c == '-' ? '0' : c;
  EXPECT_TRUE(CheckCover(p, cover).ok) << CheckCover(p, cover).text;
  // The first row that alone serves output 1 and the first to widen.
  for (std::size_t row = 0; row < cover.Rows(); ++row) {
    Pla dropped = cover;
    dropped.out[row][0] = '0';
    const CheckReport r = CheckCover(p, dropped);
    if (r.ok) continue;  // other rows covered it
    EXPECT_EQ(r.output, 0);
    EXPECT_TRUE(IsFault(p, dropped, 0, r.counterexample)) << r.text;
    break;
  }
  Pla wide = cover;
  wide.in[0] = std::string(40, '-');
  const CheckReport r = CheckCover(p, wide);
  ASSERT_FALSE(r.ok);
  EXPECT_TRUE(IsFault(p, wide, static_cast<unsigned>(r.output), r.counterexample)) << r.text;
}

// A random file of 64 inputs and 16 outputs, checked against its own rows
// and against one row widened: the work follows the cubes that meet, so
// this ends at once where splitting all lists together never did.
TEST(CheckCover, ManyOverlappingWideCubes) {
  std::mt19937 rng(11);
  Pla p;
  p.inputs = 64;
  p.outputs = 16;
  p.type = "fd";
  for (int r = 0; r < 400; ++r) {
    std::string row(64, '-'), out(16, '0');
    for (unsigned l = 6 + rng() % 7; l > 0; --l) row[rng() % 64] = "01"[rng() % 2];
    for (char& c : out) c = "10-000"[rng() % 6];
    p.in.push_back(row);
    p.out.push_back(out);
  }
  Pla cover = p;
  cover.type = "f";
  for (std::string& o : cover.out)
    for (char& c : o) c = c == '1' ? '1' : '0';
  EXPECT_TRUE(CheckCover(p, cover).ok) << CheckCover(p, cover).text;
  cover.in[5] = std::string(64, '-');
  const CheckReport r = CheckCover(p, cover);
  ASSERT_FALSE(r.ok);
  EXPECT_TRUE(IsFault(p, cover, static_cast<unsigned>(r.output), r.counterexample)) << r.text;
}

// Random functions of 5 inputs, every type, random covers: the checker
// says ok exactly when no point of any output shows a fault.
TEST(CheckCover, AgreesWithAPointByPointCheck) {
  std::mt19937 rng(42);
  const char* types[] = {"f", "fd", "r", "fr", "dr", "fdr"};
  auto cube = [&] {
    std::string s(5, '-');
    for (char& c : s) c = "01--"[rng() % 4];
    return s;
  };
  int faulty = 0, correct = 0;
  for (int round = 0; round < 1200; ++round) {
    Pla function;
    function.inputs = 5;
    function.outputs = 2;
    function.type = types[round % 6];
    for (int r = 0; r < 4; ++r) {
      function.in.push_back(cube());
      function.out.push_back({"01-~"[rng() % 4], "01-~"[rng() % 4]});
    }
    Pla cover;
    cover.inputs = 5;
    cover.outputs = 2;
    cover.type = "f";
    for (unsigned r = rng() % 5; r > 0; --r) {
      cover.in.push_back(cube());
      cover.out.push_back({"01"[rng() % 2], "01"[rng() % 2]});
    }
    int faultOutput = -1;
    for (unsigned k = 0; k < 2 && faultOutput < 0; ++k)
      for (unsigned a = 0; a < 32 && faultOutput < 0; ++a) {
        std::string point(5, '0');
        for (unsigned v = 0; v < 5; ++v) point[v] = (a >> v & 1) ? '1' : '0';
        if (IsFault(function, cover, k, point)) faultOutput = static_cast<int>(k);
      }
    const CheckReport r = CheckCover(function, cover);
    ASSERT_EQ(r.ok, faultOutput < 0) << WritePla(function) << WritePla(cover) << r.text;
    if (!r.ok) {
      EXPECT_EQ(r.output, faultOutput);
      EXPECT_TRUE(IsFault(function, cover, static_cast<unsigned>(r.output), r.counterexample)) << r.text;
    }
    (r.ok ? correct : faulty)++;
  }
  EXPECT_GT(correct, 20);
  EXPECT_GT(faulty, 20);
}

}  // namespace
}  // namespace tervo::minimiser
