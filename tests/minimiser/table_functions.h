// Small functions given point by point, for tests of the cube minimiser:
// random tables of ON, OFF and don't-care points, their PLA text of any
// .type, and the fewest terms of any cover found by brute force.
#pragma once

#include <bitset>
#include <cstdint>
#include <functional>
#include <random>
#include <string>
#include <vector>

#include "tervo/pla.h"

namespace tervo::minimiser::testing {

// A function point by point: value[point][output] is '1', '0' or '-'.
using Table = std::vector<std::string>;

inline Table RandomTable(std::mt19937& rng, unsigned n, unsigned m, int onPct, int dcPct) {
  Table t(std::size_t{1} << n, std::string(m, '0'));
  for (auto& row : t)
    for (char& ch : row) {
      const int r = static_cast<int>(rng() % 100);
      ch = r < onPct ? '1' : r < onPct + dcPct ? '-' : '0';
    }
  return t;
}

// One row per point, with the characters `type` lists and '~' elsewhere
// (with "fr" the points in neither set are the don't-cares).
inline Pla AsPla(const Table& t, unsigned n, unsigned m, const std::string& type) {
  Pla p;
  p.inputs = n;
  p.outputs = m;
  p.type = type;
  const bool f = type.find('f') != std::string::npos, d = type.find('d') != std::string::npos,
             r = type.find('r') != std::string::npos;
  for (uint64_t x = 0; x < t.size(); ++x) {
    std::string in(n, '0'), out(m, '~');
    for (unsigned i = 0; i < n; ++i) in[i] = (x >> i) & 1 ? '1' : '0';
    for (unsigned j = 0; j < m; ++j) {
      const char v = t[x][j];
      if ((v == '1' && f) || (v == '-' && d) || (v == '0' && r) || (v == '0' && type == "f")) out[j] = v;
    }
    p.in.push_back(in);
    p.out.push_back(out);
    p.line.push_back(0);
  }
  return p;
}

// The fewest terms of any cover: every implicant (input cube and set of
// outputs) as the ON pairs (point, output) it holds, those held by another
// dropped, then covers by rising size, pruned by a set of pairs no one
// implicant holds two of.
inline unsigned BruteMinimum(const Table& t, unsigned n, unsigned m) {
  using Bits = std::bitset<128>;
  std::vector<Bits> cols;
  unsigned cubes = 1;
  for (unsigned i = 0; i < n; ++i) cubes *= 3;
  for (unsigned c = 0; c < cubes; ++c)
    for (unsigned mask = 1; mask < (1u << m); ++mask) {
      Bits held;
      bool ok = true;
      for (uint64_t x = 0; x < t.size() && ok; ++x) {
        unsigned cc = c;
        bool in = true;
        for (unsigned i = 0; i < n; ++i, cc /= 3)
          if (cc % 3 != 2 && cc % 3 != ((x >> i) & 1)) in = false;
        for (unsigned j = 0; j < m && in; ++j)
          if ((mask >> j) & 1) {
            if (t[x][j] == '0') ok = false;
            if (t[x][j] == '1') held.set(x * m + j);
          }
      }
      if (ok && held.any()) cols.push_back(held);
    }
  std::vector<Bits> keep;
  for (std::size_t a = 0; a < cols.size(); ++a) {
    bool dominated = false;
    for (std::size_t b = 0; b < cols.size() && !dominated; ++b)
      dominated = b != a && (cols[a] & ~cols[b]).none() && (cols[a] != cols[b] || b < a);
    if (!dominated) keep.push_back(cols[a]);
  }
  Bits all;
  for (uint64_t x = 0; x < t.size(); ++x)
    for (unsigned j = 0; j < m; ++j)
      if (t[x][j] == '1') all.set(x * m + j);
  std::function<bool(const Bits&, unsigned)> fits = [&](const Bits& left, unsigned k) -> bool {
    if (left.none()) return true;
    Bits shut;
    unsigned apart = 0, pick = 0, fewest = ~0u;
    for (unsigned e = 0; e < 128; ++e) {
      if (!left[e]) continue;
      unsigned holders = 0;
      for (const Bits& s : keep)
        if (s[e]) ++holders;
      if (holders < fewest) fewest = holders, pick = e;
      if (shut[e]) continue;
      ++apart;
      for (const Bits& s : keep)
        if (s[e]) shut |= s;
    }
    if (apart > k) return false;
    for (const Bits& s : keep)
      if (s[pick] && fits(left & ~s, k - 1)) return true;
    return false;
  };
  for (unsigned k = 0;; ++k)
    if (fits(all, k)) return k;
}

}  // namespace tervo::minimiser::testing
