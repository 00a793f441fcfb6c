// Multi-output covers: several functions of the same inputs covered by one
// list of terms, where a term is an input cube and the set of outputs it
// serves. A term counts once however many outputs it serves, so the aim is
// as few terms as can be found for all outputs together (then as few
// literals).
//
// Method:
//   1. for every cube of the inputs (all 3^n of them), the outputs for which
//      it holds no forbidden assignment: a cube's set is the AND of the sets
//      of its two halves along one free variable, so one ascending pass
//      fills the table, as for the single-output primes;
//   2. the multi-output primes: cubes no cube with one more free variable
//      keeps the same output set for. Every cover can be rewritten as one of
//      primes with no more terms, so a minimum over the primes is a minimum;
//   3. the covering matrix: a row per (output, assignment it must cover), a
//      column per prime, covering the rows of every output of its set; the
//      minimiser library's covering search on it (tervo/covering.h:
//      reductions to the cyclic core, bounds, local search, branch and bound
//      where the core is small);
//   4. each term keeps only the outputs it is needed for: an output whose
//      rows the other terms serving it cover too leaves the term's set.
// The table takes p^3 cells of the smallest word that holds the outputs of
// a group; outputs that do not fit in 64 MB (or 64 outputs) are split into
// groups searched one after the other, whose equal cubes are merged at the
// end. A group whose matrix is too large is split again; a single output
// too large for its matrix gets the single-output search.
#pragma once

#include <array>
#include <chrono>
#include <cstdint>
#include <memory>
#include <vector>

#include "engine.h"
#include "minimal_cover.h"

namespace tervo {

inline constexpr unsigned kMaxMultiOutputs = 1024;

// Assignments of up to 15 inputs, one bit each: bit a % 64 of word a / 64.
using AssignmentSet = std::array<uint64_t, 512>;

inline bool InSet(const AssignmentSet& s, uint32_t a) { return s[a >> 6] >> (a & 63) & 1; }

// A function of several outputs over the same inputs. For output k, `on[k]`
// are the assignments some term serving k must cover, `dc[k]` those such a
// term may cover or not; every other assignment no term serving k may cover.
struct MultiFunction {
  unsigned inputs = 0;              // 1..15
  std::vector<AssignmentSet> on;    // one per output
  std::vector<AssignmentSet> dc;    // one per output
  unsigned Outputs() const { return static_cast<unsigned>(on.size()); }
};

// A cover: terms as the truth table stores them (a clear mask bit: the input
// does not occur) and the outputs each serves.
struct MultiCover {
  unsigned outWords = 0;              // words of each term's output set
  std::vector<uint16_t> value, mask;  // per term
  std::vector<uint64_t> outs;         // per term, outWords words: bit k set: the term serves output k
  std::size_t Terms() const { return value.size(); }
  bool Serves(std::size_t t, unsigned k) const { return outs[t * outWords + k / 64] >> (k % 64) & 1; }
};

// What a search found.
struct MultiCoverInfo {
  uint32_t terms = 0;        // terms of the cover
  uint32_t literals = 0;     // input literals of its terms
  uint32_t lowerBound = 0;   // no cover of the function has fewer terms
  bool minimum = false;      // proved: no cover has fewer terms
  bool stopped = false;      // ended by the host (Ctrl+C, ESC): the best cover found so far
  bool timedOut = false;     // the time limit, the budget or the stall rule ended a search before a proof
  CoverEnd end = CoverEnd::kFinished;  // how the last search that did not finish ended (kFinished: each did)
  uint64_t ticks = 0;        // work the covering searches spent, in their own units
  uint32_t primes = 0;       // multi-output primes listed, over all groups
  uint32_t groups = 0;       // groups of outputs searched one after the other
  uint32_t singles = 0;      // outputs that got the single-output search
};

class MultiCoverSearch {
 public:
  MultiCoverSearch();
  ~MultiCoverSearch();
  MultiCoverSearch(const MultiCoverSearch&) = delete;
  MultiCoverSearch& operator=(const MultiCoverSearch&) = delete;

  // A cover of f with as few terms as the search finds: within `seconds`
  // when given, all of it counted (the tables and primes too), else
  // (kNoTimeLimit) within the covering search's budget of work, shared by
  // the groups by their rows. Uses the engine for GoOn
  // (the host clears it to stop) and, for an output that gets the
  // single-output search, as that search's table; its TruthTable is not
  // kept. The primes, the matrix and a first cover are finished even past
  // the limit; stopped by the host, it still gives a cover: the best found,
  // or where no search ran yet one term per assignment to cover.
  MultiCoverInfo Run(Engine& e, RunHost& host, const MultiFunction& f, double seconds, MultiCover& out);

  // As CoverSearch::SetStallStop (on by default).
  void SetStallStop(bool on);

  // The budget of work of the whole run without a time limit, in the
  // covering search's ticks; 0 (the default): minimiser::kDefaultCoverEffort.
  void SetEffort(uint64_t ticks);

 private:
  struct Impl;
  std::unique_ptr<Impl> impl_;
};

}  // namespace tervo
