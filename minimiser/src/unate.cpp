// The unate recursive paradigm on the input part of a cover: split on the
// most binate input (the one fixed in most cubes, both ways), answer unate
// leaves directly, and merge the two halves. A unate cover is a tautology
// exactly when it holds the universal cube; the complement of one cube is
// its literals negated one at a time (De Morgan). When the split input is
// unate, the complement of one half holds the other's, which the merge uses
// to keep the result small.
#include <algorithm>
#include <bit>
#include <cmath>
#include <unordered_map>

#include "internal.h"

namespace tervo::minimiser::detail {

// The literals of f are gathered as (input, value) keys and counted after
// sorting, so the cost follows the literals, not the width.
Split ChooseSplit(const Layout& l, const Cover& f) {
  std::vector<uint32_t> keys;  // 2 × input + (1 when the literal is x')
  for (const Cube& c : f)
    for (unsigned w = 0; w < l.inWords; ++w) {
      const Word x = c[w] & l.inMask[w];
      Word fixed = (x ^ (x >> 1)) & kLow;
      while (fixed) {
        const unsigned b = std::countr_zero(fixed);
        fixed &= fixed - 1;
        keys.push_back(2 * (w * 32 + b / 2) + ((x >> b) & 1));
      }
    }
  std::sort(keys.begin(), keys.end());
  Split s;
  uint64_t best = 0;
  for (std::size_t k = 0; k < keys.size();) {
    const uint32_t i = keys[k] / 2;
    unsigned zero = 0, one = 0;
    for (; k < keys.size() && keys[k] / 2 == i; ++k) ++(keys[k] & 1 ? zero : one);
    const bool binate = zero && one;
    const uint64_t score = (binate ? (uint64_t{1} << 40) : 0) + uint64_t(zero + one);
    if (score > best) {
      best = score;
      s = {static_cast<int>(i), binate, zero, one};
    }
  }
  return s;
}

namespace {



bool HasUniverse(const Layout& l, const Cover& f) {
  for (const Cube& c : f)
    if (InputsFree(l, c)) return true;
  return false;
}

// The cubes' volumes, each as a share of the whole space, add up to less
// than one: some point is left out, whatever the overlaps.
bool TooSmall(const Layout& l, const Cover& f) {
  double share = 0;
  for (const Cube& c : f) {
    unsigned fixed = 0;
    for (unsigned w = 0; w < l.inWords; ++w) {
      const Word x = c[w] & l.inMask[w];
      fixed += std::popcount((x ^ (x >> 1)) & kLow);
    }
    share += std::ldexp(1.0, -static_cast<int>(fixed));
    if (share >= 1) return false;
  }
  return true;
}

bool Taut(State& st, const Cover& f) {
  if (st.Tick(f.size() + 1)) return false;
  if (f.empty()) return false;
  if (HasUniverse(st.lay, f)) return true;
  if (TooSmall(st.lay, f)) return false;
  const Split s = ChooseSplit(st.lay, f);
  if (!s.binate) return false;  // unate without the universal cube
  return Taut(st, Half(f, s.var, 1)) && Taut(st, Half(f, s.var, 2));
}

Cover Comp(State& st, const Cover& f) {
  const Layout& l = st.lay;
  if (st.Tick(f.size() + 1)) return {};
  if (f.empty()) return {Universe(l)};
  if (HasUniverse(l, f)) return {};
  if (f.size() == 1) {
    Cover r;
    for (unsigned w = 0; w < l.inWords; ++w) {
      const Word x = f[0][w] & l.inMask[w];
      Word fixed = (x ^ (x >> 1)) & kLow;
      while (fixed) {
        const unsigned i = w * 32 + std::countr_zero(fixed) / 2;
        fixed &= fixed - 1;
        Cube c = Universe(l);
        SetLiteral(c, i, 3 & ~Literal(f[0], i));
        r.push_back(std::move(c));
      }
    }
    return r;
  }
  const Split s = ChooseSplit(l, f);
  const unsigned i = static_cast<unsigned>(s.var);
  Cover c0 = Comp(st, Half(f, i, 1));
  if (st.Halted() || st.overflow) return {};
  Cover c1 = Comp(st, Half(f, i, 2));
  if (st.Halted() || st.overflow) return {};
  if (c0.size() + c1.size() > st.cubeCap) {
    st.overflow = true;
    return {};
  }
  Cover r;
  r.reserve(c0.size() + c1.size());
  if (!s.binate) {
    // Unate in i: the half where the literal holds has the smaller
    // complement, which lies in the other; it needs no literal.
    Cover& big = s.ones ? c0 : c1;    // i = 0 when f has x, i = 1 when f has x'
    Cover& small = s.ones ? c1 : c0;
    const unsigned v = s.ones ? 1 : 2;
    for (Cube& c : big) {
      SetLiteral(c, i, v);
      r.push_back(std::move(c));
    }
    for (Cube& c : small) r.push_back(std::move(c));
    return r;
  }
  // Binate: the same cube in both halves needs no literal of i.
  std::unordered_map<Cube, std::size_t, CubeHash> in1;
  for (std::size_t k = 0; k < c1.size(); ++k) in1.emplace(c1[k], k);
  std::vector<char> used(c1.size(), 0);
  st.Tick(c0.size() + c1.size());
  for (Cube& c : c0) {
    auto it = in1.find(c);
    if (it != in1.end() && !used[it->second]) {
      used[it->second] = 1;
      r.push_back(std::move(c));
    } else {
      SetLiteral(c, i, 1);
      r.push_back(std::move(c));
    }
  }
  for (std::size_t k = 0; k < c1.size(); ++k)
    if (!used[k]) {
      SetLiteral(c1[k], i, 2);
      r.push_back(std::move(c1[k]));
    }
  return r;
}

}  // namespace

bool Tautology(State& st, const Cover& f) { return Taut(st, f); }

Cover Complement(State& st, const Cover& f) { return Comp(st, f); }

// Per output j: the complement of the cubes serving j, tagged with j; cubes
// of the same inputs across outputs become one.
Cover OffSet(State& st, const Cover& onDc) {
  const Layout& l = st.lay;
  Cover r;
  std::unordered_map<Cube, std::size_t, CubeHash> at;
  for (unsigned j = 0; j < l.outputs && !st.Halted() && !st.overflow; ++j) {
    Cover fj;
    for (const Cube& c : onDc)
      if (Output(l, c, j)) {
        fj.push_back(c);
        for (unsigned w = l.inWords; w < l.Words(); ++w) fj.back()[w] = 0;
      }
    Cover cj = Comp(st, fj);
    if (st.overflow || r.size() + cj.size() > st.cubeCap) {
      st.overflow = true;
      return {};
    }
    for (Cube& c : cj) {
      auto it = at.find(c);
      if (it == at.end()) {
        at.emplace(c, r.size());
        SetOutput(l, c, j, true);
        r.push_back(std::move(c));
      } else {
        SetOutput(l, r[it->second], j, true);
      }
    }
  }
  return r;
}

}  // namespace tervo::minimiser::detail
