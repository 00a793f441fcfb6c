// Shared pieces of the cube minimiser: the positional-cube layout and the
// one state object a run carries through every phase. A cube is a row of
// 64-bit words: two bits per input (bit 0: the input may be 0, bit 1: it
// may be 1, both: the input is free), then one bit per output saying which
// outputs the cube serves. The output bits form one multiple-valued
// variable, so a multi-output cover is one list of cubes.
#pragma once

#include <cstdint>
#include <vector>

#include "tervo/covering.h"
#include "tervo/minimiser.h"

namespace tervo::minimiser::detail {

using Word = uint64_t;
inline constexpr Word kLow = 0x5555555555555555ULL;

struct Layout {
  unsigned inputs = 0, outputs = 0;
  unsigned inWords = 0, outWords = 0;
  std::vector<Word> inMask;   // per input word: the bits of inputs that exist
  std::vector<Word> outMask;  // per output word: the bits of outputs that exist
  explicit Layout(unsigned n = 0, unsigned m = 0);
  unsigned Words() const { return inWords + outWords; }
};

using Cube = std::vector<Word>;  // Layout::Words() words
using Cover = std::vector<Cube>;

// The run's state: the layout, the effort counted so far and the stop flag
// every loop checks, so a Stop() unwinds the whole run quickly.
struct State {
  Layout lay;
  Watcher* watcher = nullptr;
  uint64_t ticks = 0, budget = 0, nextPoll = 4096;
  bool stopped = false;    // Stop() said true
  bool spent = false;      // the budget ran out
  // A complement may hold at most this many cubes; past it the complement
  // gives up and says so here (the caller clears it and works without).
  uint64_t cubeCap = 2'000'000;
  bool overflow = false;
  const char* phase = "";
  uint64_t cubes = 0;
  bool Halted() const { return stopped || spent; }
  // Counts `n` ticks; polls the watcher every few thousand. True: unwind.
  bool Tick(uint64_t n = 1) {
    ticks += n;
    if (ticks >= nextPoll) Poll();
    return stopped || spent;
  }
  void Poll();
};

// Cube operations (cube.cpp).
Cube Universe(const Layout& l);                  // every input free, no output
bool InputsFree(const Layout& l, const Cube& c);  // no input literal
bool InputsDisjoint(const Layout& l, const Cube& a, const Cube& b);
unsigned InputDistance(const Layout& l, const Cube& a, const Cube& b);
bool Contains(const Cube& a, const Cube& b);     // a holds b (inputs and outputs)
bool InputsContain(const Layout& l, const Cube& a, const Cube& b);
bool OutputsMeet(const Layout& l, const Cube& a, const Cube& b);
bool Intersect(const Layout& l, const Cube& a, const Cube& b, Cube& r);  // false when empty
bool Consensus(const Layout& l, const Cube& a, const Cube& b, Cube& r);  // inputs only; false when none
unsigned Literal(const Cube& c, unsigned i);     // 1: '0', 2: '1', 3: '-', 0: empty
void SetLiteral(Cube& c, unsigned i, unsigned v);
bool Output(const Layout& l, const Cube& c, unsigned j);
void SetOutput(const Layout& l, Cube& c, unsigned j, bool on);
unsigned InputLiterals(const Layout& l, const Cube& c);
unsigned OutputCount(const Layout& l, const Cube& c);
// The input to split a cover on: the one fixed both ways (binate) in most
// cubes, else the one fixed in most; var -1 when no input is fixed. zeros
// and ones count its literals x' and x.
struct Split {
  int var = -1;
  bool binate = false;
  unsigned zeros = 0, ones = 0;
};
Split ChooseSplit(const Layout& l, const Cover& f);

// The cubes of f where input i may take value v (1: 0, 2: 1), with i freed.
Cover Half(const Cover& f, unsigned i, unsigned v);
// The indices of f, the cubes of fewest input literals (the largest) first.
std::vector<std::size_t> LargestFirst(const Layout& l, const Cover& f);

struct CubeHash {
  std::size_t operator()(const Cube& c) const {
    uint64_t h = 1469598103934665603ULL;
    for (Word w : c) h = (h ^ w) * 1099511628211ULL;
    return static_cast<std::size_t>(h ^ (h >> 29));
  }
};

// The covering search inside a run: it answers the run's stop and its
// effort counts as the run's.
CoverSolution SolveCoverInRun(State& st, const CoverProblem& prob, const CoverSettings& settings);

// The cofactor of `f` by the input part of `p`: the cubes meeting p, with
// p's fixed inputs made free.
Cover Cofactor(const Layout& l, const Cover& f, const Cube& p);

// Unate recursion (unate.cpp), over the input part only; empty results
// when the run halted (callers check st.Halted()).
bool Tautology(State& st, const Cover& f);
// Complement: on overflow (more than st.cubeCap cubes) it returns an
// empty cover with st.overflow set, which the caller must clear.
Cover Complement(State& st, const Cover& f);

// The phases.
Cover OffSet(State& st, const Cover& onDc);                       // per output, tagged
void Expand(State& st, Cover& f, const Cover& off);               // expand.cpp
// Expand without an OFF-set, each raise proved inside ON ∪ DC by tautology
// (expand_free.cpp); for functions whose OFF-set is too large to hold.
void ExpandFree(State& st, Cover& f, const Cover& onDc);
bool Irredundant(State& st, Cover& f, const Cover& on, const Cover& dc, bool lowerOutputs);  // irredundant.cpp
void Reduce(State& st, Cover& f, const Cover& dc);                 // reduce.cpp
uint64_t CostLiterals(const Layout& l, const Cover& f);

// The exact path (exact.cpp): every multi-output prime of what lies outside
// the OFF-set, and a covering matrix over pieces of the ON-set that no
// prime cuts. `offDecides`: the OFF-set was given beside the ON-set, so the
// primes come from its complement. True with `out` a cover of primes
// (less the outputs a term need not serve), `minimum` when the search
// proved no cover has fewer terms, and `lowerBound`. False, with the run's state as it was but for the ticks,
// when the primes or pieces pass their caps or the run halts.
bool Exact(State& st, const Cover& on, const Cover& dc, const Cover& off, bool offDecides, Cover& out, bool& minimum,
           uint64_t& lowerBound);

}  // namespace tervo::minimiser::detail

// Heuristic loop helpers (expand.cpp, reduce.cpp, last_gasp.cpp).
namespace tervo::minimiser::detail {
// Grows `c` to a prime against `off`, towards holding as many cubes of `f`
// as it can; cubes of `f` flagged in `skip` are not aimed at. Without
// `outputs`, only inputs are raised.
void ExpandCube(State& st, Cube& c, const Cover& off, const Cover& f, const std::vector<char>& skip, bool outputs);
// Fewer outputs where other cubes cover them, then inputs grown again.
void MakeSparse(State& st, Cover& f, const Cover& off, const Cover& dc);
// Expand, leaving as they are the cubes flagged in `prime` (known primes).
void ExpandKnown(State& st, Cover& f, const Cover& off, const std::vector<char>& prime);
// Sets `c` to cube k of `f` shrunk to what it alone holds against the cubes
// listed in `near` (those of `f` meeting it) not flagged in `gone`, and the
// don't-cares; false when nothing is left (or the run halted).
bool ReduceCube(State& st, const Cover& f, std::size_t k, const std::vector<uint32_t>& near,
                const std::vector<char>& gone, const Cover& dc, Cube& c);
// Per cube of `f`, the other cubes whose inputs meet it: listed once for
// all cubes, or cube by cube when asked should the lists grow too many.
// `f` must outlive it, and its cubes only shrink meanwhile.
class Near {
 public:
  Near(State& st, const Cover& f);
  const std::vector<uint32_t>& Of(uint32_t k);  // valid until the next call
 private:
  State& st_;
  const Cover& f_;
  std::vector<std::vector<uint32_t>> lists_;
  std::vector<uint32_t> scratch_;
  bool all_ = false;
};
// Appends the cofactor of `d` by `p` (inputs only, no outputs) when the two meet.
void AddCofactor(const Layout& l, const Cube& d, const Cube& p, Cover& out);
// Flags the cubes of the prime cover `f` that every cover of primes needs.
std::vector<char> EssentialPrimes(State& st, const Cover& f, const Cover& dc);
// Takes from each cube the outputs the other cubes and the don't-cares
// already cover there (never a cube's last output).
void LowerOutputs(State& st, Cover& g, const Cover& dc);
// The smallest cube holding the complement of `f` (inputs only); false
// when the complement is empty.
bool ComplementSupercube(State& st, const Cover& f, Cube& r);
// New primes, each holding two or more maximally reduced cubes of `f`.
Cover LastGasp(State& st, const Cover& f, const Cover& off, const Cover& dc);
}  // namespace tervo::minimiser::detail
