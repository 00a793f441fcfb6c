#include "fast_reduce.h"

#include <algorithm>
#include <bit>
#include <chrono>

#include "logic_unit.h"

// The slice is compiled twice on x86-64, for AVX2 and for the baseline, and
// the loader picks the one the processor runs.
#if defined(__GNUC__) && defined(__x86_64__) && !defined(__clang__)
#define TERVO_SLICE_CLONES __attribute__((target_clones("avx2", "default")))
#else
#define TERVO_SLICE_CLONES
#endif
#define TERVO_INLINE inline __attribute__((always_inline))

namespace tervo {

FastTables::FastTables() {
  for (Block& b : blocks) b = Block{};
}

namespace {

using Vec = FastTables::Vec;
using Block = FastTables::Block;

TERVO_INLINE Block& BlockOf(FastTables& f, unsigned t) { return f.blocks[t >> FastTables::kBlockBits]; }
TERVO_INLINE unsigned LaneOf(unsigned t) { return (t >> 6) & (FastTables::kLanes - 1); }
TERVO_INLINE uint64_t BitOf(unsigned t) { return uint64_t{1} << (t & 63); }

// Rebuild every set from the table: entries 1..TermCount, flags from TermMark.
void Rebuild(Engine& e, FastTables& f) {
  const int need = (e.TermCount >> FastTables::kBlockBits) + 1;
  const int dirty = std::max(need, f.usedBlocks);
  for (int b = 0; b < dirty; ++b) f.blocks[b] = Block{};
  f.usedBlocks = need;
  f.flaggedCount = 0;
  for (unsigned t = 1; t <= e.TermCount; ++t) {
    Block& blk = BlockOf(f, t);
    const unsigned lane = LaneOf(t);
    const uint64_t bit = BitOf(t);
    if (e.TermMark[t]) {
      blk.row[FastTables::kFlag][lane] |= bit;
      f.flagged[f.flaggedCount++] = static_cast<uint16_t>(t);
    }
    const uint16_t m = e.TermMask[t];
    if (m == 0) continue;
    blk.row[FastTables::kLive][lane] |= bit;
    for (unsigned r = m; r != 0; r &= r - 1) {
      const int v = std::countr_zero(r);
      blk.row[FastTables::Present(v)][lane] |= bit;
      blk.row[FastTables::Literal(v, e.TermValue[t] >> v & 1)][lane] |= bit;
    }
  }
}

// Narrow the mask of entry t to newMask (a subset of its mask; 0 deletes it).
TERVO_INLINE void SetMask(Engine& e, FastTables& f, unsigned t, uint16_t newMask) {
  const unsigned gone = e.TermMask[t] & ~newMask;
  const unsigned value = e.TermValue[t];
  e.TermMask[t] = newMask;
  Block& blk = BlockOf(f, t);
  const unsigned lane = LaneOf(t);
  const uint64_t keep = ~BitOf(t);
  for (unsigned r = gone; r != 0; r &= r - 1) {
    const int v = std::countr_zero(r);
    blk.row[FastTables::Present(v)][lane] &= keep;
    blk.row[FastTables::Literal(v, value >> v & 1)][lane] &= keep;
  }
  if (newMask == 0) blk.row[FastTables::kLive][lane] &= keep;
}

// Flag entry t in TermMark as a parent of the virtual term.
TERVO_INLINE void Flag(Engine& e, FastTables& f, unsigned t) {
  if (e.TermMark[t]) return;
  e.TermMark[t] = 1;
  f.flagged[f.flaggedCount++] = static_cast<uint16_t>(t);
  BlockOf(f, t).row[FastTables::kFlag][LaneOf(t)] |= BitOf(t);
}

// Clear every TermMark flag (they are all in the list).
void ClearFlags(Engine& e, FastTables& f) {
  for (int n = 0; n < f.flaggedCount; ++n) {
    const unsigned t = f.flagged[n];
    e.TermMark[t] = 0;
    BlockOf(f, t).row[FastTables::kFlag][LaneOf(t)] &= ~BitOf(t);
  }
  f.flaggedCount = 0;
}

// Comparison code of a first term with a second whose difference is d.
TERVO_INLINE CompareCode CodeOf(uint16_t full, uint16_t m1, uint16_t m2, uint16_t d) {
  const bool firstHole = ((full & ~m1) & m2) != 0;
  const bool secondHole = ((full & ~m2) & m1) != 0;
  return static_cast<CompareCode>((d == 0 ? 1 : 0) + (d != 0 && (d & (d - 1)) == 0 ? 2 : 0) + (secondHole ? 4 : 0) +
                                  (firstHole ? 8 : 0));
}

TERVO_INLINE void Consensus(uint16_t full, uint16_t v1, uint16_t m1, uint16_t v2, uint16_t m2, uint16_t d,
                            uint16_t& value, uint16_t& mask) {
  mask = static_cast<uint16_t>((m1 | m2) & (full ^ d));
  value = static_cast<uint16_t>(((v1 & m1) | (v2 & m2)) & mask);
}

// A first term, prepared for finding the entries whose comparison with it
// may act: for each variable it has, the rows of the entries that have it
// with the opposite value and of those that have it at all; the rows of the
// variables it lacks; and the opposite rows of the variables in VtHistory.
// Rows are named by their byte offset in a block.
struct Query {
  int present = 0, absent = 0, history = 0;
  std::array<uint16_t, kMaxVariables> opposite{}, has{}, lacks{}, inHistory{};
  std::array<uint16_t, kMaxVariables> oppositeOf{};  // opposite row by variable
  uint64_t code14 = 0;  // all ones: entries of code 14 may act
};

constexpr uint16_t RowOffset(int row) { return static_cast<uint16_t>(row * sizeof(Vec)); }

TERVO_INLINE const Vec& RowAt(const Block& blk, uint16_t offset) {
  return *reinterpret_cast<const Vec*>(reinterpret_cast<const char*>(blk.row) + offset);
}

TERVO_INLINE void Prepare(Query& q, uint16_t full, uint16_t value, uint16_t mask, uint16_t history,
                          bool code14) {
  int n = 0;
  for (unsigned r = mask; r != 0; r &= r - 1, ++n) {
    const int v = std::countr_zero(r);
    const uint16_t opposite = RowOffset(FastTables::Literal(v, (value >> v & 1) ^ 1));
    q.opposite[n] = opposite;
    q.has[n] = RowOffset(FastTables::Present(v));
    q.oppositeOf[v] = opposite;
  }
  q.present = n;
  n = 0;
  for (unsigned r = full & ~mask; r != 0; r &= r - 1) q.lacks[n++] = RowOffset(FastTables::Present(std::countr_zero(r)));
  q.absent = n;
  n = 0;
  for (unsigned r = history & mask; r != 0; r &= r - 1) q.inHistory[n++] = q.oppositeOf[std::countr_zero(r)];
  q.history = n;
  q.code14 = code14 ? ~uint64_t{0} : 0;
}

// Where a loop over the entries stands: the candidates of one block, among
// them those that may act whatever VtHistory holds, and the candidates of
// one lane not yet returned.
struct Cursor {
  int block = -1;     // block whose candidates are held; -1 none
  unsigned at = 0;    // the candidate returned last
  unsigned lane = 0;  // its lane
  uint64_t word = 0;  // the candidates of that lane after it
  Vec bits{};
  Vec fixed{};
  void Reset() { block = -1; }
};

// The entries of one block whose comparison with the query's term may act.
// For every entry: one and two count the variables present in both with
// opposite values (one or more, two or more); sup holds the entries that
// have every variable of the term; any the entries that have a variable the
// term lacks. Acting are the entries with at most one opposite variable
// that are a subset or a superset of the term (codes 1, 2, 5, 6, 9, 10),
// and, with exactly one, those that are neither (code 14) unless the
// variable is in VtHistory or (for a VT) the entry is flagged.
template <bool kVt>
TERVO_INLINE void Candidates(const Block& blk, const Query& q, Cursor& cur) {
  Vec one{}, two{}, any{};
  Vec sup = ~Vec{};
  for (int m = 0; m < q.present; ++m) {
    const Vec c = RowAt(blk, q.opposite[m]);
    two |= one & c;
    one |= c;
    sup &= RowAt(blk, q.has[m]);
  }
  for (int m = 0; m < q.absent; ++m) any |= RowAt(blk, q.lacks[m]);
  const Vec usable = blk.row[FastTables::kLive] & ~two;
  cur.fixed = usable & (sup | ~any);
  Vec other = usable & one & q.code14;
  if constexpr (kVt) {
    Vec hist = blk.row[FastTables::kFlag];
    for (int m = 0; m < q.history; ++m) hist |= RowAt(blk, q.inHistory[m]);
    other &= ~hist;
  }
  cur.bits = cur.fixed | other;
}

// A stacked term's difference variable v joins VtHistory: entries of code
// 14 opposite in v no longer act, in the current block and the later ones.
TERVO_INLINE void AddHistory(FastTables& f, Query& q, Cursor& cur, int v) {
  q.inHistory[q.history++] = q.oppositeOf[v];
  if (cur.block < 0) return;
  const Vec& opposite = RowAt(f.blocks[cur.block], q.oppositeOf[v]);
  cur.bits = cur.fixed | (cur.bits & ~opposite);
  cur.word &= cur.fixed[cur.lane] | ~opposite[cur.lane];
}

TERVO_INLINE bool AnyLive(const Block& blk) {
  const Vec& live = blk.row[FastTables::kLive];
  return (live[0] | live[1] | live[2] | live[3]) != 0;
}

// The first candidate after entry `after`, or a number above `last`.
// Consecutive calls pass the candidate returned before and go on from the
// lane word where that one was found.
template <bool kVt>
TERVO_INLINE unsigned NextCandidate(FastTables& f, Cursor& cur, const Query& q, unsigned after, unsigned last) {
  constexpr int kBits = FastTables::kBlockBits;
  int b;
  unsigned lane;
  uint64_t w;
  if (cur.block >= 0 && cur.at == after) {
    b = cur.block;
    lane = cur.lane;
    w = cur.word;
  } else {
    const unsigned t = after + 1;
    if (t > last) return last + 1;
    b = static_cast<int>(t >> kBits);
    if (b != cur.block) {
      cur.block = b;
      if (AnyLive(f.blocks[b]))
        Candidates<kVt>(f.blocks[b], q, cur);
      else
        cur.bits = cur.fixed = Vec{};
    }
    lane = LaneOf(t);
    w = cur.bits[lane] & (~uint64_t{0} << (t & 63));
  }
  for (;;) {
    if (w != 0) {
      const unsigned k = (static_cast<unsigned>(b) << kBits) + (lane << 6) + static_cast<unsigned>(std::countr_zero(w));
      cur.at = k;
      cur.lane = lane;
      cur.word = w & (w - 1);
      return k;
    }
    if (++lane == FastTables::kLanes) {
      do {
        if ((static_cast<unsigned>(++b) << kBits) > last) {
          cur.block = -1;
          return last + 1;
        }
      } while (!AnyLive(f.blocks[b]));
      Candidates<kVt>(f.blocks[b], q, cur);
      cur.block = b;
      lane = 0;
    }
    w = cur.bits[lane];
  }
}

// Entries not deleted among lo..hi (for the comparison count).
uint64_t LiveBetween(const FastTables& f, unsigned lo, unsigned hi) {
  uint64_t n = 0;
  for (unsigned t = lo; t <= hi;) {
    const unsigned wordEnd = t | 63u;
    uint64_t w = f.blocks[t >> FastTables::kBlockBits].row[FastTables::kLive][LaneOf(t)] & (~uint64_t{0} << (t & 63));
    if (wordEnd > hi) w &= ~uint64_t{0} >> (63 - (hi & 63));
    n += static_cast<uint64_t>(std::popcount(w));
    t = wordEnd + 1;
  }
  return n;
}

// Fill the TraceRecord for a comparison, as the plain loop does, and show
// it to the watching test.
// The first term has mask m1 (entry a or the VT), the second is entry b.
void Watch(Engine& e, FastTables& f, uint8_t kind, unsigned a, unsigned b, uint16_t m1, uint16_t d, CompareCode code) {
  TraceRecord& rec = e.Trace;
  rec.kind = kind;
  if (kind == 1) {
    rec.i = static_cast<uint16_t>(a);
    rec.j = static_cast<uint16_t>(b);
  } else {
    rec.k = static_cast<uint16_t>(b);
    rec.history = e.VtHistory;
  }
  const uint16_t m2 = e.TermMask[b];
  rec.code = code;
  rec.diff = d;
  rec.noDiff = d == 0;
  rec.singleDiff = d != 0 && (d & (d - 1)) == 0;
  rec.firstHole = ((e.FullMask & ~m1) & m2) != 0;
  rec.secondHole = ((e.FullMask & ~m2) & m1) != 0;
  rec.rescan = e.RescanFlag;
  f.watch->DrawTraceStep(rec);
}

using Clock = std::chrono::steady_clock;

// The same steps as ScanSlice, with the same labels: B pass start, C the j
// loop of entry i, E its end, F a virtual-term group, G the end of a scan.
// Where ScanSlice advances j or k one entry at a time, this jumps to the
// next entry whose comparison may act and counts the steps in between.
TERVO_SLICE_CLONES uint8_t RunSlice(Engine& e, RunHost& host, uint8_t resume) {
  FastTables& f = *e.Fast;
  auto& val = e.TermValue;
  auto& msk = e.TermMask;
  auto& mark = e.TermMark;
  const uint16_t full = e.FullMask;
  const uint64_t budget = uint64_t{e.SliceBudget} * f.stepScale;
  const Clock::time_point start = Clock::now();
  constexpr uint64_t kClockEvery = 1 << 16;  // steps between two looks at the clock
  uint64_t nextClock = kClockEvery;
  uint64_t steps = 0;
  unsigned i = 0, j = 0, k = 0, next = 0;
  uint16_t d = 0;
  CompareCode code = 0;
  Query pair, vt;
  Cursor jCur, kCur;
  uint8_t result = kSliceDone;

  if (resume == 1) {
    ++f.stats.slices;
    if (e.ResumeAtPass) {
      e.ResumeAtPass = 0;
      goto B;
    }
    Rebuild(e, f);
    i = e.ResumeIndex;
    goto E;
  }
  f.stats = FastStats{};
  f.stats.slices = 1;
  e.ResumeAtPass = 0;
  goto B;

NextPass:  // a pass ends, another begins: a slice may also end here
  if (steps > budget || (f.sliceMicros != 0 && steps >= nextClock &&
                         Clock::now() - start >= std::chrono::microseconds(f.sliceMicros))) {
    if (e.GoOn) {
      e.ResumeAtPass = 1;
      result = kSliceMore;
      goto Leave;
    }
    host.ClearTraceRecord();
    goto Leave;
  }
  if (steps >= nextClock) nextClock = steps + kClockEvery;

B:  // pass start
  ++f.stats.passes;
  std::fill(mark.begin() + 1, mark.begin() + 1 + e.TermCount, 0);
  i = 1;
  e.RescanFlag = 0;
  CompactTable(e);
  Rebuild(e, f);

C:  // the j loop of entry i
  j = i;
  if (msk[i] == 0) {
    ++steps;
    goto E;
  }
  Prepare(pair, full, val[i], msk[i], 0, !e.RescanFlag);
  jCur.Reset();
C1:
  next = NextCandidate<false>(f, jCur, pair, j, e.TermCount);
  if (f.countComparisons) f.stats.comparisons += LiveBetween(f, j + 1, std::min<unsigned>(next, e.TermCount + 1) - 1);
  if (next > e.TermCount) {
    steps += std::max(e.TermCount + 1u, j + 1) - j;  // j passes TermCount at least once
    goto E;
  }
  steps += next - j;
  j = next;
  if (msk[j] == 0) goto C1;
  ++f.stats.compares;
  if (f.countComparisons) ++f.stats.comparisons;
  d = static_cast<uint16_t>((val[i] ^ val[j]) & msk[i] & msk[j]);
  code = CodeOf(full, msk[i], msk[j], d);
  if (f.watch) Watch(e, f, 1, i, j, msk[i], d, code);
  switch (code) {
    case 1:
    case 9:  // j repeats i or lies inside it
      SetMask(e, f, j, 0);
      goto C1;
    case 5:  // i lies inside j
      SetMask(e, f, i, 0);
      goto E;
    case 2:  // i and j merge
      SetMask(e, f, j, 0);
      [[fallthrough]];
    case 6:  // j shortens i
      SetMask(e, f, i, static_cast<uint16_t>(msk[i] & ~d));
      e.RescanFlag = 1;
      if (msk[i] == 0) goto EmptyEnd;
      Prepare(pair, full, val[i], msk[i], 0, false);
      jCur.Reset();
      goto C1;
    case 10:  // i shortens j
      SetMask(e, f, j, static_cast<uint16_t>(msk[j] & ~d));
      e.RescanFlag = 1;
      if (msk[j] == 0) goto EmptyEnd;
      goto C1;
    case 14:
      if (e.RescanFlag) goto C1;
      goto F;
    default:
      goto C1;
  }

E:  // end of the j loop of entry i
  if (steps > budget || (f.sliceMicros != 0 && steps >= nextClock &&
                         Clock::now() - start >= std::chrono::microseconds(f.sliceMicros))) {
    e.ResumeIndex = static_cast<uint16_t>(i);
    if (e.GoOn) {
      result = kSliceMore;
      goto Leave;
    }
    host.ClearTraceRecord();
    goto Leave;
  }
  if (steps >= nextClock) nextClock = steps + kClockEvery;
  ++i;
  if (i < e.TermCount) goto C;
  if (e.RescanFlag) goto NextPass;
  host.ClearTraceRecord();
  goto Leave;

F:  // virtual-term group for (i, j)
  ++f.stats.groups;
  Consensus(full, val[i], msk[i], val[j], msk[j], d, e.VtValue, e.VtMask);
  Flag(e, f, i);
  Flag(e, f, j);
  e.StackPos = 0;
  e.StackCount = 0;
  e.VtHistory = 0;
F4:
  ++f.stats.scans;
  k = 0;
  Prepare(vt, full, e.VtValue, e.VtMask, e.VtHistory, true);
  kCur.Reset();
F4next:
  next = NextCandidate<true>(f, kCur, vt, k, e.TermCount);
  if (f.countComparisons) f.stats.comparisons += LiveBetween(f, k + 1, std::min<unsigned>(next, e.TermCount + 1) - 1);
  if (next > e.TermCount) {
    steps += e.TermCount + 1u - k;
    goto G;
  }
  steps += next - k;
  k = next;
  if (msk[k] == 0) goto F4next;
  ++f.stats.compares;
  if (f.countComparisons) ++f.stats.comparisons;
  d = static_cast<uint16_t>((e.VtValue ^ val[k]) & e.VtMask & msk[k]);
  if (!(kCur.fixed[LaneOf(k)] >> (k & 63) & 1)) {
    // Neither a subset nor a superset of the VT, one opposite variable that
    // is not in VtHistory, not flagged: code 14, and it goes on the stack.
    if (f.watch) Watch(e, f, 2, 0, k, e.VtMask, d, 14);
    goto Stack;
  }
  code = CodeOf(full, e.VtMask, msk[k], d);
  if (f.watch) Watch(e, f, 2, 0, k, e.VtMask, d, code);
  switch (code) {
    case 1:  // the VT repeats k
      if (!mark[k]) SetMask(e, f, k, 0);
      goto F4next;
    case 9:  // k lies inside the VT
      if (mark[k]) {
        SetMask(e, f, k, e.VtMask);
        e.RescanFlag = 1;
      } else {
        SetMask(e, f, k, 0);
      }
      goto F4next;
    case 5:  // the VT lies inside k
      e.VtMask = msk[k];
      Flag(e, f, k);
      goto Restart;
    case 2:  // the VT and k merge
      SetMask(e, f, k, static_cast<uint16_t>(msk[k] & ~d));
      e.VtMask = static_cast<uint16_t>(e.VtMask & ~d);
      Flag(e, f, k);
      e.RescanFlag = 1;
      goto Restart;
    case 6:  // k shortens the VT
      e.VtMask = static_cast<uint16_t>(e.VtMask & ~d);
      Flag(e, f, k);
      goto Restart;
    case 10:  // the VT shortens k
      SetMask(e, f, k, static_cast<uint16_t>(msk[k] & ~d));
      e.RescanFlag = 1;
      goto F4next;
    case 14:  // a new virtual term for the stack
    Stack:
      if (!mark[k] && (d & e.VtHistory) == 0 && e.StackCount < kStackSlots) {
        e.VtHistory = static_cast<uint16_t>(e.VtHistory | d);
        ++e.StackCount;
        VirtualSlot& slot = e.VirtualStack[e.StackCount];
        Consensus(full, e.VtValue, e.VtMask, val[k], msk[k], d, slot.value, slot.mask);
        slot.source = static_cast<uint16_t>(k);
        // Further entries opposite in the same variable are duplicates now.
        AddHistory(f, vt, kCur, std::countr_zero(d));
      }
      goto F4next;
    default:
      goto F4next;
  }
Restart:
  e.StackPos = 0;
  e.StackCount = 0;
  e.VtHistory = 0;
  goto F4;

G:  // end of a scan with the current VT
  if (e.RescanFlag) goto NextPass;
  if (e.StackPos == e.StackCount) {
    ClearFlags(e, f);
    jCur.Reset();  // the group may have deleted entries of the current block
    if (msk[i] == 0) {
      ++steps;
      goto E;
    }
    goto C1;
  }
  ++e.StackPos;
  e.VtValue = e.VirtualStack[e.StackPos].value;
  e.VtMask = e.VirtualStack[e.StackPos].mask;
  Flag(e, f, e.VirtualStack[e.StackPos].source);
  goto F4;

EmptyEnd:  // an entry covers every assignment
  e.TermCount = 0;
  host.ClearTraceRecord();

Leave:
  f.stats.steps += steps;
  return result;
}

}  // namespace

uint8_t FastScanSlice(Engine& e, RunHost& host, uint8_t resume) { return RunSlice(e, host, resume); }

}  // namespace tervo
