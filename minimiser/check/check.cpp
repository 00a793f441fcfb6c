// The cover checker. It trusts nothing but the two PLA descriptions: each
// set of an output (ON, OFF, don't-care) is a list of cubes or what the
// file leaves out of the other two, and both conditions on a cover are
// containments:
//   ON within cover + DC           (ON left out: cover + DC + OFF is everything)
//   cover within ON + DC           (OFF left out)
//   cover and OFF within DC        (OFF listed: a listed don't-care wins over it)
// Each containment "every point of A and B lies in L" is proved per pair
// of cubes of A and B that meet: L, cofactored by their common cube, must
// be a tautology. The tautology test drops the cubes that depend on a
// variable of one polarity only (the other half is the harder one) and
// splits on the variable most cubes depend on, until the list is empty (a
// point it misses: the counterexample), holds a cube of no literal, or is
// unate (then only a cube of no literal makes it one).
#include "check.h"

#include <algorithm>
#include <cstdint>
#include <string>
#include <unordered_set>
#include <vector>

namespace tervo::minimiser {

namespace {

// Cubes in positional form: per variable two bits, "may be 0" and "may be
// 1"; a list keeps them one after another, 2 * words 64-bit words each.
class CubeList {
 public:
  explicit CubeList(unsigned vars) : vars_(vars), words_((vars + 63) / 64) {}
  unsigned Vars() const { return vars_; }
  std::size_t Size() const { return bits_.size() / (2 * words_); }
  const uint64_t* Zero(std::size_t i) const { return &bits_[i * 2 * words_]; }
  const uint64_t* One(std::size_t i) const { return &bits_[i * 2 * words_ + words_]; }
  std::size_t Words() const { return words_; }

  // Add a cube from its text ('0', '1', '-').
  void AddText(std::string_view text) {
    const std::size_t at = bits_.size();
    bits_.resize(at + 2 * words_, 0);
    for (unsigned v = 0; v < vars_; ++v) {
      const uint64_t bit = uint64_t{1} << (v & 63);
      if (text[v] != '1') bits_[at + v / 64] |= bit;
      if (text[v] != '0') bits_[at + words_ + v / 64] |= bit;
    }
  }
  void Add(const uint64_t* zero, const uint64_t* one) {
    bits_.insert(bits_.end(), zero, zero + words_);
    bits_.insert(bits_.end(), one, one + words_);
  }
  void Append(const CubeList& other) { bits_.insert(bits_.end(), other.bits_.begin(), other.bits_.end()); }

 private:
  unsigned vars_;
  std::size_t words_;
  std::vector<uint64_t> bits_;
};

bool Get(const uint64_t* w, unsigned v) { return w[v / 64] >> (v & 63) & 1; }

// The bits of word w that stand for variables (the last word's top bits
// stand for none).
uint64_t ValidBits(std::size_t w, std::size_t words, unsigned vars) {
  return (w + 1 == words && vars % 64) ? (uint64_t{1} << (vars % 64)) - 1 : ~uint64_t{0};
}

// True when the cube (zero, one) meets cube i of the list.
bool Meets(const CubeList& list, std::size_t i, const uint64_t* zero, const uint64_t* one) {
  for (std::size_t w = 0; w < list.Words(); ++w)
    if (~((list.Zero(i)[w] & zero[w]) | (list.One(i)[w] & one[w])) & ValidBits(w, list.Words(), list.Vars()))
      return false;
  return true;
}

// The cubes of `list` cofactored by the cube (zero, one): those that meet
// it, with its fixed variables made free.
CubeList Cofactor(const CubeList& list, const uint64_t* zero, const uint64_t* one) {
  CubeList out(list.Vars());
  const std::size_t words = list.Words();
  std::vector<uint64_t> z(words), o(words);
  for (std::size_t i = 0; i < list.Size(); ++i) {
    if (!Meets(list, i, zero, one)) continue;
    for (std::size_t w = 0; w < words; ++w) {
      const uint64_t fixed = (zero[w] ^ one[w]) & ValidBits(w, words, list.Vars());
      z[w] = list.Zero(i)[w] | fixed;
      o[w] = list.One(i)[w] | fixed;
    }
    out.Add(z.data(), o.data());
  }
  return out;
}

// True when the cubes cover every point; else `point` ('0'/'1' per
// variable) is one they miss.
bool Tautology(const CubeList& list, std::string& point) {
  const unsigned n = list.Vars();
  const std::size_t words = list.Words();
  point.assign(n, '0');
  // Per variable: how many cubes need it 0, how many need it 1.
  std::vector<uint32_t> needZero(n, 0), needOne(n, 0);
  for (std::size_t i = 0; i < list.Size(); ++i) {
    bool literal = false;
    for (std::size_t w = 0; w < words; ++w) {
      uint64_t fixed = (list.Zero(i)[w] ^ list.One(i)[w]) & ValidBits(w, words, n);
      literal = literal || fixed;
      while (fixed) {
        const unsigned v = static_cast<unsigned>(w * 64 + __builtin_ctzll(fixed));
        fixed &= fixed - 1;
        ++(Get(list.One(i), v) ? needOne : needZero)[v];
      }
    }
    if (!literal) return true;  // a cube of no literal covers everything
  }
  // The variable most cubes depend on among those of both polarities.
  unsigned split = n;
  uint32_t best = 0;
  for (unsigned v = 0; v < n; ++v)
    if (needZero[v] && needOne[v] && needZero[v] + needOne[v] > best) {
      best = needZero[v] + needOne[v];
      split = v;
    }
  if (split == n) {
    // Unate and no cube of no literal: each variable set against the only
    // polarity it appears in gives a point no cube holds.
    for (unsigned v = 0; v < n; ++v) point[v] = needZero[v] ? '1' : '0';
    return false;
  }
  // A variable of one polarity only: the half where it takes the other
  // value holds no cube that depends on it, and that half is the harder
  // one to cover, so the whole list is a tautology exactly when that half is.
  std::vector<uint64_t> zero(words, ~uint64_t{0}), one(words, ~uint64_t{0});
  bool unate = false;
  for (unsigned v = 0; v < n; ++v) {
    if (needZero[v] && !needOne[v]) zero[v / 64] &= ~(uint64_t{1} << (v & 63)), unate = true;
    if (needOne[v] && !needZero[v]) one[v / 64] &= ~(uint64_t{1} << (v & 63)), unate = true;
  }
  if (unate) {
    if (Tautology(Cofactor(list, zero.data(), one.data()), point)) return true;
    for (unsigned v = 0; v < n; ++v)
      if ((needZero[v] == 0) != (needOne[v] == 0)) point[v] = needZero[v] ? '1' : '0';
    return false;
  }
  for (const char value : {'0', '1'}) {
    (value == '0' ? one : zero)[split / 64] &= ~(uint64_t{1} << (split & 63));
    const CubeList half = Cofactor(list, zero.data(), one.data());
    if (!Tautology(half, point)) {
      point[split] = value;
      return false;
    }
    zero[split / 64] |= uint64_t{1} << (split & 63);
    one[split / 64] |= uint64_t{1} << (split & 63);
  }
  return true;
}

// A list of one cube of no literal: every point.
CubeList Everything(unsigned n) {
  CubeList all(n);
  all.AddText(std::string(n, '-'));
  return all;
}

// `point` with the cube's value put wherever the cube fixes a variable.
std::string Within(const uint64_t* zero, const uint64_t* one, unsigned n, std::string point) {
  for (unsigned v = 0; v < n; ++v)
    if (Get(zero, v) != Get(one, v)) point[v] = Get(one, v) ? '1' : '0';
  return point;
}

// The bytes of a cube, to look it up whole.
std::string Key(const uint64_t* zero, const uint64_t* one, std::size_t words) {
  std::string key(reinterpret_cast<const char*>(zero), words * sizeof(uint64_t));
  key.append(reinterpret_cast<const char*>(one), words * sizeof(uint64_t));
  return key;
}

// True when every point that both `a` and `b` hold lies in `within`; else
// `point` is one that does not. Each pair of cubes of `a` and `b` that meet
// is checked on its own: their common cube lies in `within` when the cubes
// of `within` that reach it, made free on its fixed variables, cover
// everything. The work follows the pairs that meet, never 2^inputs.
bool Inside(const CubeList& a, const CubeList& b, const CubeList& within, std::string& point) {
  const unsigned n = within.Vars();
  const std::size_t words = within.Words();
  // A cube that stands in `within` as it is needs no test (a cover that
  // repeats the function's own rows is checked in one pass).
  std::unordered_set<std::string> listed;
  for (std::size_t i = 0; i < within.Size(); ++i) listed.insert(Key(within.Zero(i), within.One(i), words));
  std::vector<uint64_t> zero(words), one(words);
  for (std::size_t i = 0; i < a.Size(); ++i)
    for (std::size_t j = 0; j < b.Size(); ++j) {
      if (!Meets(b, j, a.Zero(i), a.One(i))) continue;
      for (std::size_t w = 0; w < words; ++w) {
        zero[w] = a.Zero(i)[w] & b.Zero(j)[w];
        one[w] = a.One(i)[w] & b.One(j)[w];
      }
      if (listed.contains(Key(zero.data(), one.data(), words))) continue;
      if (!Tautology(Cofactor(within, zero.data(), one.data()), point)) {
        point = Within(zero.data(), one.data(), n, point);
        return false;
      }
    }
  return true;
}

// The sets of one output of a file, as its type gives them: each one a
// list of cubes, or (`...Rest`) what the file leaves out of the other two.
struct OutputSets {
  explicit OutputSets(unsigned n) : on(n), dc(n), off(n) {}
  CubeList on, dc, off;
  bool onRest = false, offRest = false;
};

OutputSets SetsOf(const Pla& p, unsigned k) {
  OutputSets s(p.inputs);
  const bool f = p.type.find('f') != std::string::npos;
  const bool d = p.type.find('d') != std::string::npos;
  const bool r = p.type.find('r') != std::string::npos;
  for (std::size_t row = 0; row < p.Rows(); ++row) {
    const char c = p.out[row][k];
    if (f && c == '1') s.on.AddText(p.in[row]);
    if (d && c == '-') s.dc.AddText(p.in[row]);
    if (r && c == '0') s.off.AddText(p.in[row]);
  }
  // What is not listed: OFF when only ON (and DC) is listed, ON when only
  // OFF (and DC) is, a don't-care when both are.
  s.offRest = f && !r;
  s.onRest = r && !f;
  return s;
}

std::string OutputName(const Pla& p, unsigned k) {
  std::string s = "output " + std::to_string(k + 1);
  if (k < p.outputNames.size()) s += " (" + p.outputNames[k] + ")";
  return s;
}

CheckReport Fault(int output, std::string point, std::string text) {
  CheckReport r;
  r.output = output;
  r.counterexample = std::move(point);
  r.text = std::move(text);
  return r;
}

bool ValidCells(std::string_view cells, std::size_t size, std::string_view allowed) {
  return cells.size() == size && cells.find_first_not_of(allowed) == std::string_view::npos;
}

}  // namespace

CheckReport CheckCover(const Pla& function, const Pla& cover) {
  if (cover.inputs != function.inputs || cover.outputs != function.outputs)
    return Fault(-1, "", "the cover has " + std::to_string(cover.inputs) + " inputs and " +
                             std::to_string(cover.outputs) + " outputs; the function has " +
                             std::to_string(function.inputs) + " and " + std::to_string(function.outputs));
  for (const Pla* p : {&function, &cover})
    for (std::size_t row = 0; row < p->Rows(); ++row)
      if (row >= p->out.size() || !ValidCells(p->in[row], p->inputs, "01-") ||
          !ValidCells(p->out[row], p->outputs, "01-~"))
        return Fault(-1, "", std::string(p == &function ? "the function's" : "the cover's") + " row " +
                                 std::to_string(row + 1) + " is not a cube of the width given");
  const unsigned n = function.inputs;
  std::string point;
  for (unsigned k = 0; k < function.outputs; ++k) {
    const OutputSets s = SetsOf(function, k);
    CubeList mine(n);
    std::vector<std::size_t> rowOf;
    for (std::size_t row = 0; row < cover.Rows(); ++row)
      if (cover.out[row][k] == '1') {
        mine.AddText(cover.in[row]);
        rowOf.push_back(row);
      }
    const std::string name = OutputName(function, k);
    const CubeList all = Everything(n);
    // Every ON point is in the cover or a don't-care.
    CubeList coverDc = mine;
    coverDc.Append(s.dc);
    if (s.onRest) coverDc.Append(s.off);  // ON is what OFF and DC leave
    if (!Inside(s.onRest ? all : s.on, all, coverDc, point))
      return Fault(static_cast<int>(k), point, name + ": the cover misses the ON point " + point);
    // No cover cube holds an OFF point: the cover lies in ON and DC, or,
    // where OFF is listed, its part in OFF lies in DC (a listed don't-care
    // wins over OFF).
    CubeList allowed = s.on;
    allowed.Append(s.dc);
    const bool inside = s.offRest ? Inside(mine, all, allowed, point) : Inside(mine, s.off, s.dc, point);
    if (!inside) {
      std::size_t row = 0;
      // The first cover row that holds the point.
      while (row + 1 < rowOf.size() && Within(mine.Zero(row), mine.One(row), n, point) != point) ++row;
      return Fault(static_cast<int>(k), point,
                   name + ": the cover's row " + std::to_string(rowOf[row] + 1) + " holds the OFF point " + point);
    }
  }
  CheckReport ok;
  ok.ok = true;
  ok.text = "the cover holds every ON point and no OFF point of the " + std::to_string(function.outputs) +
            (function.outputs == 1 ? " output" : " outputs");
  return ok;
}

}  // namespace tervo::minimiser
