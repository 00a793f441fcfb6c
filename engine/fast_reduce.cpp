#include "fast_reduce.h"

#include <algorithm>
#include <bit>
#include <chrono>

#if defined(__x86_64__)
#include <immintrin.h>
#endif

#include "logic_unit.h"
#include "reduce_machine.h"

// The slice is compiled three times on x86-64, for AVX-512, AVX2 and the
// baseline (a block of 512 entries is one AVX-512 register), and
// the loader picks the one the processor runs.
#if defined(__GNUC__) && defined(__x86_64__) && !defined(__clang__)
#define TERVO_SLICE_CLONES __attribute__((target_clones("avx512f", "avx2", "default")))
#else
#define TERVO_SLICE_CLONES
#endif

namespace tervo {

FastTables::FastTables() {
  for (Block& b : blocks) b = Block{};
}

namespace {

using Vec = FastTables::Vec;
using Block = FastTables::Block;
using Word = FastTables::Word;

TERVO_INLINE Block& BlockOf(FastTables& f, unsigned t) { return f.blocks[t >> FastTables::kBlockBits]; }
TERVO_INLINE unsigned LaneOf(unsigned t) { return (t >> 6) & (FastTables::kLanes - 1); }
TERVO_INLINE uint64_t BitOf(unsigned t) { return uint64_t{1} << (t & 63); }

// Set the bits of entries lo..hi in cleared sets.
void SetEntries(Engine& e, FastTables& f, unsigned lo, unsigned hi) {
  for (unsigned t = lo; t <= hi; ++t) {
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

#if defined(__x86_64__) && (defined(__GNUC__) || defined(__clang__))
#define TERVO_REBUILD_AVX512 1
// Every row word of the lanes of 64 entries that start at or below
// TermCount and end inside the tables, 32 entries per instruction: a test
// of one bit of 32 masks (or values) gives the 32 bits of a row. Returns
// the first entry of the first lane not written.
// The 64 bits of a row: bit t set when entry t of the two halves a, b has
// a bit of probe.
__attribute__((target("avx512f,avx512bw"))) inline uint64_t RowBits(__m512i a, __m512i b, __m512i probe) {
  return uint64_t{_mm512_test_epi16_mask(a, probe)} | uint64_t{_mm512_test_epi16_mask(b, probe)} << 32;
}

__attribute__((target("avx512f,avx512bw"))) unsigned RebuildLanes(Engine& e, FastTables& f) {
  const unsigned count = e.TermCount;
  unsigned first = 0;  // entry of bit 0 of the lane
  for (; first <= count && first + 63 <= static_cast<unsigned>(kTermCapacity); first += 64) {
    uint64_t valid = count - first >= 63 ? ~uint64_t{0} : (uint64_t{1} << (count - first + 1)) - 1;
    if (first == 0) valid &= ~uint64_t{1};  // entry 0 is never set
    const auto lo = static_cast<__mmask32>(valid), hi = static_cast<__mmask32>(valid >> 32);
    const __m512i m0 = _mm512_maskz_loadu_epi16(lo, e.TermMask.data() + first);
    const __m512i m1 = _mm512_maskz_loadu_epi16(hi, e.TermMask.data() + first + 32);
    const __m512i v0 = _mm512_maskz_loadu_epi16(lo, e.TermValue.data() + first);
    const __m512i v1 = _mm512_maskz_loadu_epi16(hi, e.TermValue.data() + first + 32);
    const __m512i marks = _mm512_maskz_loadu_epi8(valid, e.TermMark.data() + first);
    const __m512i ones0 = _mm512_and_si512(m0, v0), ones1 = _mm512_and_si512(m1, v1);
    const __m512i zeros0 = _mm512_xor_si512(m0, ones0), zeros1 = _mm512_xor_si512(m1, ones1);
    Block& blk = BlockOf(f, first);
    const unsigned lane = LaneOf(first);
    const uint64_t flags = _mm512_test_epi8_mask(marks, marks);
    blk.row[FastTables::kFlag][lane] = flags;
    blk.row[FastTables::kLive][lane] = RowBits(m0, m1, _mm512_set1_epi16(-1));
    for (int v = 0; v < kMaxVariables; ++v) {
      const __m512i probe = _mm512_set1_epi16(static_cast<short>(1 << v));
      blk.row[FastTables::Present(v)][lane] = RowBits(m0, m1, probe);
      blk.row[FastTables::Literal(v, 1)][lane] = RowBits(ones0, ones1, probe);
      blk.row[FastTables::Literal(v, 0)][lane] = RowBits(zeros0, zeros1, probe);
    }
    for (uint64_t w = flags; w != 0; w &= w - 1)
      f.flagged[f.flaggedCount++] = static_cast<uint16_t>(first + static_cast<unsigned>(std::countr_zero(w)));
  }
  return first;
}
#endif

// Every restart memo is forgotten.
TERVO_INLINE void ForgetScans(FastTables& f) {
  ++f.memoStamp;
  f.memoUsed = 0;
}

// Rebuild every set from the table: entries 1..TermCount, flags from TermMark.
void Rebuild(Engine& e, FastTables& f) {
  ForgetScans(f);  // a compaction moves the entries
  const int need = (e.TermCount >> FastTables::kBlockBits) + 1;
  const int dirty = std::max(need, f.usedBlocks);
  f.usedBlocks = need;
  f.flaggedCount = 0;
#ifdef TERVO_REBUILD_AVX512
  if (__builtin_cpu_supports("avx512bw")) {
    for (int b = need; b < dirty; ++b) f.blocks[b] = Block{};
    const unsigned done = RebuildLanes(e, f);
    // The lanes not written: cleared, then the entries among them set one by one.
    for (unsigned t = done; t < static_cast<unsigned>(need) << FastTables::kBlockBits; t += 64) {
      Block& blk = BlockOf(f, t);
      for (Vec& row : blk.row) row[LaneOf(t)] = 0;
    }
    SetEntries(e, f, std::max(done, 1u), e.TermCount);
    return;
  }
#endif
  for (int b = 0; b < dirty; ++b) f.blocks[b] = Block{};
  SetEntries(e, f, 1, e.TermCount);
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
  if (newMask == 0)
    blk.row[FastTables::kLive][lane] &= keep;
  else
    ForgetScans(f);  // the entry may now act where it could not
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

// A first term, prepared for finding the entries whose comparison with it
// may act: for each variable it has, the rows of the entries that have it
// with the opposite value and of those that have it at all; the rows of the
// variables it lacks; and the opposite rows of the variables in VtHistory.
// Rows are named by their byte offset in a block.
struct Query {
  int present = 0, absent = 0, history = 0;
  std::array<uint16_t, kMaxVariables> opposite{}, has{}, lacks{}, inHistory{};
  uint16_t value = 0;  // the term's value
  uint64_t code14 = 0;  // all ones: entries of code 14 may act
};

constexpr uint16_t RowOffset(int row) { return static_cast<uint16_t>(row * sizeof(Vec)); }

TERVO_INLINE const Vec& RowAt(const Block& blk, uint16_t offset) {
  return *reinterpret_cast<const Vec*>(reinterpret_cast<const char*>(blk.row) + offset);
}

// The row of the entries that have variable v with the value opposite to
// the term's.
TERVO_INLINE uint16_t OppositeRow(uint16_t value, int v) {
  return RowOffset(FastTables::Literal(v, (value >> v & 1) ^ 1));
}

TERVO_INLINE void Prepare(Query& q, uint16_t full, uint16_t value, uint16_t mask, uint16_t history,
                          bool code14) {
  int n = 0;
  for (unsigned r = mask; r != 0; r &= r - 1, ++n) {
    const int v = std::countr_zero(r);
    q.opposite[n] = OppositeRow(value, v);
    q.has[n] = RowOffset(FastTables::Present(v));
  }
  q.present = n;
  n = 0;
  for (unsigned r = full & ~mask; r != 0; r &= r - 1) q.lacks[n++] = RowOffset(FastTables::Present(std::countr_zero(r)));
  q.absent = n;
  n = 0;
  for (unsigned r = history & mask; r != 0; r &= r - 1) q.inHistory[n++] = OppositeRow(value, std::countr_zero(r));
  q.value = value;
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

// Which entries may act, as set operations over entries: usable holds
// those with at most one variable opposite to the term, one those with at
// least one, sup those that have every variable of the term, any those that
// have a variable the term lacks. Always acting are the usable entries that
// are a subset or a superset of the term; the rest of the usable ones with
// an opposite variable are of code 14, whose action may be passed over.
// Written once for the sets and checked below against the code table.
// (Results by reference: a 64-byte vector returned by value would change
// the calling convention between the clones.)
template <class V>
TERVO_INLINE constexpr void AlwaysActing(V& out, const V& usable, const V& sup, const V& any) {
  out = usable & (sup | ~any);
}
template <class V>
TERVO_INLINE constexpr void MaybeActing(V& out, const V& usable, const V& one) {
  out = usable & one;
}

// The selection applied to one entry of each code (a word of all ones for
// a set that holds it) must give the code table's acting codes.
constexpr uint64_t Holds(bool b) { return b ? ~uint64_t{0} : 0; }
constexpr bool SelectionMatchesTheCodeTable() {
  for (const CodeRow& row : kCodeTable) {
    const bool noDiff = row.code & 1, single = row.code & 2, secondHole = row.code & 4, firstHole = row.code & 8;
    const uint64_t usable = Holds(noDiff || single), one = Holds(!noDiff);
    uint64_t always = 0, maybe = 0;
    AlwaysActing(always, usable, Holds(!secondHole), Holds(firstHole));
    MaybeActing(maybe, usable, one);
    const bool passable = row.pair == PairAction::kGroup;  // the one action that may be passed over
    if (passable != (row.vt == VtAction::kStack)) return false;
    if ((always != 0) != (row.acts && !passable) || (always != 0 || maybe != 0) != row.acts) return false;
    if (passable && row.code != kConsensus) return false;  // KnownConsensus relies on it
  }
  return true;
}
static_assert(SelectionMatchesTheCodeTable(), "the fast sets must select exactly the codes that act");

// The restart memos (fast_reduce.h) rest on which codes restart a scan: an
// entry inside the VT with at most one opposite variable, not equal to it.
constexpr bool RestartsAreEntriesInsideTheVt() {
  for (const CodeRow& row : kCodeTable) {
    const bool restarts = row.vt == VtAction::kTakeMask || row.vt == VtAction::kMerge || row.vt == VtAction::kDropVt;
    const bool inside = (row.code & 8) == 0 && (row.code & 3) != 0 && row.code != kSame;
    if (restarts != inside) return false;
  }
  return true;
}
static_assert(RestartsAreEntriesInsideTheVt());

// The entries of one block whose comparison with the query's term may act.
// For every entry: one and two count the variables present in both with
// opposite values (one or more, two or more); the entries of code 14 are
// left out while the pair's RescanFlag is set, and for a VT when the
// variable is in VtHistory or the entry is flagged.
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
  AlwaysActing(cur.fixed, usable, sup, any);
  Vec other;
  MaybeActing(other, usable, one);
  other &= q.code14;
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
  const uint16_t row = OppositeRow(q.value, v);
  q.inHistory[q.history++] = row;
  if (cur.block < 0) return;
  const Vec& opposite = RowAt(f.blocks[cur.block], row);
  cur.bits = cur.fixed | (cur.bits & ~opposite);
  cur.word &= cur.fixed[cur.lane] | ~opposite[cur.lane];
}

TERVO_INLINE bool AnyLive(const Block& blk) {
  const Vec& live = blk.row[FastTables::kLive];
  Word any = 0;
  for (int l = 0; l < FastTables::kLanes; ++l) any |= live[l];
  return any != 0;
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

// The fast policy of the reduction machine: only the entries whose
// comparison may act are compared; the sets follow every change of a mask
// or a flag.
struct FastPolicy {
  Engine& e;
  FastTables& f;
  FastStats& stats;
  Query pair, vt;
  Cursor jCur, kCur;
  bool pairReady = false, vtReady = false;
  // The Scan trace is on: each comparison is recorded and shown to the host.
  bool traced = false;
  // Restart memos: off while comparisons are traced or counted, and when
  // a slice may end after any step (the plain loop's stack must then be
  // there at every step, the terms stacked before a restart too).
  bool useMemos = false;
  // The scan going by a memo: its next item and end.
  bool replaying = false;
  uint32_t item = 0, itemsEnd = 0;
  // The scan by the sets: the entries not of code 14 met so far, while
  // they are few and the scan began in this slice from k = 0, and the
  // stamp at its start.
  uint32_t seen = 0, scanStamp = 0, scanKey = 0;
  bool noting = false;
  std::array<uint16_t, FastTables::kMemoLongest> met{};

  explicit FastPolicy(Engine& engine, bool everyStep)
      : e(engine), f(*engine.Fast), stats(engine.Fast->stats), traced(engine.TraceScan != 0) {
    useMemos = !everyStep && !traced && !f.countComparisons;
  }

  TERVO_INLINE void Begin(Engine&, bool fresh) {
    if (fresh || !f.current) Rebuild(e, f);
    f.current = true;
  }
  TERVO_INLINE void PassStarted(Engine&) { Rebuild(e, f); }
  TERVO_INLINE unsigned NextJ(Engine&, unsigned i, unsigned j) {
    if (!pairReady) {
      Prepare(pair, e.FullMask, e.TermValue[i], e.TermMask[i], 0, !e.RescanFlag);
      jCur.Reset();
      pairReady = true;
    }
    return NextCandidate<false>(f, jCur, pair, j, e.TermCount);
  }
  TERVO_INLINE unsigned NextK(Engine&, unsigned k) {
    if (!vtReady) StartScan(k);
    if (replaying) {
      while (item < itemsEnd) {
        const unsigned t = f.memoItems[item++];
        if (t > k) return t;
      }
      // Not restarted after all (cannot happen while the memo holds): on by the sets.
      replaying = false;
      PrepareVt();
    }
    const unsigned t = NextCandidate<true>(f, kCur, vt, k, e.TermCount);
    if (noting && t <= e.TermCount && (kCur.fixed[LaneOf(t)] >> (t & 63) & 1)) {
      if (seen < FastTables::kMemoLongest)
        met[seen++] = static_cast<uint16_t>(t);
      else
        noting = false;
    }
    return t;
  }
  TERVO_INLINE void PrepareVt() {
    Prepare(vt, e.FullMask, e.VtValue, e.VtMask, e.VtHistory, true);
    kCur.Reset();
  }
  static TERVO_INLINE uint32_t MemoKey(const Engine& e) {
    return uint32_t{static_cast<uint16_t>(e.VtValue & e.VtMask)} << 16 | e.VtMask;
  }
  TERVO_INLINE FastTables::RestartMemo& MemoSlot(uint32_t key) {
    return f.memo[(key * 0x9E3779B1u) >> (32 - FastTables::kMemoBits)];
  }
  // A scan with a new VT, or one a new slice goes on with: straight to its
  // restart when a memo knows it and the restarting entry is still there,
  // else by the sets.
  TERVO_INLINE void StartScan(unsigned k) {
    vtReady = true;
    replaying = false;
    noting = false;
    if (useMemos && k == 0) {
      const uint32_t key = MemoKey(e);
      const FastTables::RestartMemo& m = MemoSlot(key);
      if (m.stamp == f.memoStamp && m.key == key && e.TermMask[f.memoItems[m.start + m.count - 1]] != 0) {
        ++stats.replays;
        replaying = true;
        item = m.start;
        itemsEnd = m.start + m.count;
        return;
      }
      noting = true;
      seen = 0;
      scanStamp = f.memoStamp;
      scanKey = key;
    }
    PrepareVt();
  }
  // The entry compared last (the last one noted) restarts the scan:
  // remember where, unless an entry was narrowed during the scan.
  TERVO_INLINE void Restarted(Engine&) {
    if (!noting || scanStamp != f.memoStamp || seen == 0) return;
    if (f.memoUsed + FastTables::kMemoLongest > FastTables::kMemoItems) ForgetScans(f);
    FastTables::RestartMemo& m = MemoSlot(scanKey);
    m = {scanKey, f.memoStamp, f.memoUsed, seen};
    std::copy_n(met.begin(), seen, f.memoItems.begin() + f.memoUsed);
    f.memoUsed += seen;
  }
  TERVO_INLINE void Skipped(Engine&, unsigned lo, unsigned hi) {
    if (f.countComparisons && lo <= hi) stats.comparisons += LiveBetween(f, lo, hi);
  }
  TERVO_INLINE void Compared() {
    if (f.countComparisons) ++stats.comparisons;
  }
  // A candidate of the VT scan outside the fixed ones: neither a subset nor
  // a superset of the VT, one opposite variable, so code 14.
  TERVO_INLINE bool KnownConsensus(unsigned k) const {
    return !replaying && !(kCur.fixed[LaneOf(k)] >> (k & 63) & 1);
  }
  TERVO_INLINE void PairChanged() { pairReady = false; }
  TERVO_INLINE void ScanChanged() { vtReady = false; }
  TERVO_INLINE void HistoryAdded(Engine&, uint16_t d) {
    if (!replaying) AddHistory(f, vt, kCur, std::countr_zero(d));
  }
  TERVO_INLINE void SetMask(Engine&, unsigned t, uint16_t m) { tervo::SetMask(e, f, t, m); }
  TERVO_INLINE void Flag(Engine&, unsigned t) { tervo::Flag(e, f, t); }
  TERVO_INLINE void ClearFlags(Engine&) { tervo::ClearFlags(e, f); }
  TERVO_INLINE bool Records(const Engine&) const { return traced; }
  // A stop at the comparison, as the plain loop makes it.
  TERVO_INLINE bool Show(Engine&, RunHost& host) {
    host.DrawTraceStep(e.Trace);
    host.WaitAtStop();
    return e.GoOn != 0;
  }
};

TERVO_SLICE_CLONES uint8_t RunSlice(Engine& e, RunHost& host, uint8_t resume, SliceCut cut) {
  const bool anywhere = cut == SliceCut::kAnyStep;
  FastPolicy fast(e, anywhere);
  machine::SliceLimits limits;
  limits.budget = uint64_t{e.SliceBudget} * fast.f.stepScale;
  limits.anywhere = anywhere;
  limits.micros = fast.f.sliceMicros;
  return machine::RunMachine(e, host, resume, fast, limits);
}

}  // namespace

uint8_t FastScanSlice(Engine& e, RunHost& host, uint8_t resume, SliceCut cut) {
  return RunSlice(e, host, resume, cut);
}

}  // namespace tervo
