// The reduction's fast path: the steps of the one reduction machine
// (reduce_machine.h) in the same order as ScanSlice, giving identical
// tables, for runs without the Scan trace.
//
// Nearly every comparison the plain loop makes can never act (two or more
// opposite variables, or a pair where each term lacks a variable of the
// other and they agree). The fast path keeps the entries of the table as
// bit-sliced sets, one bit per entry, per variable and polarity, and derives
// from them, with a few word operations per variable and 512 entries at a
// time, the entries whose comparison may act. Only those are compared, in
// ascending order, with the current state; everything else the plain loop
// would have compared is "no action" and changes nothing.
#pragma once

#include <array>
#include <cstdint>

#include "engine.h"
#include "logic_unit.h"

namespace tervo {

// What the fast path did in the last reduction: filled as it runs, for the
// benchmarks and tests. Passes, groups and scans are the same as the plain
// loop's, since both take the same steps.
struct FastStats {
  uint64_t passes = 0;       // pass starts
  uint64_t groups = 0;       // virtual-term groups formed
  uint64_t scans = 0;        // scans of the entries with a virtual term
  uint64_t compares = 0;     // comparisons actually made by the fast path
  uint64_t steps = 0;        // the plain loop's steps (advances of j and k)
  uint64_t comparisons = 0;  // the plain loop's comparisons (only with countComparisons)
  uint64_t slices = 0;       // slices run
  uint64_t restarts = 0;     // scans restarted from k = 1 because the VT changed (part of scans)
  uint64_t pops = 0;         // scans with a stacked VT (part of scans)
  uint64_t replays = 0;      // scans that went straight to their restart by a memo (part of scans)
};

// Extra tables of the fast path, allocated once with the engine.
struct FastTables {
  using Word = uint64_t;
  // Eight 64-bit words: 512 entries, one bit each (one AVX-512 register).
  typedef Word Vec __attribute__((vector_size(64)));

  static constexpr int kLanes = 8;      // 64-bit words per block
  static constexpr int kBlockBits = 9;  // 512 entries per block
  static constexpr int kBlocks = (kTermCapacity >> kBlockBits) + 1;  // entries 0..32768

  // The sets over 512 consecutive entries (entry t is bit t & 511), as
  // rows of one array so that a query can name them by number.
  static constexpr int kLive = 0;                                 // not deleted (mask not 0)
  static constexpr int kFlag = 1;                                 // TermMark set
  static constexpr int Present(int v) { return 2 + v; }           // variable v present
  static constexpr int Literal(int v, int value) {                // present with this value
    return 2 + kMaxVariables + 2 * v + value;
  }
  static constexpr int kRows = 2 + 3 * kMaxVariables;
  struct Block {
    Vec row[kRows];
  };

  std::array<Block, kBlocks> blocks;              // entries 0..32768 (entry 0 never set)
  int usedBlocks = 0;                             // blocks that may hold set bits
  std::array<uint16_t, kTermCapacity> flagged{};  // entries with TermMark set, for clearing
  int flaggedCount = 0;

  bool current = false;  // the sets match the table (false after a plain slice)

  // Scans that restarted, remembered within a pass. A scan restarts at the
  // first entry that is a subset of the VT with at most one opposite
  // variable (codes 5, 2, 6), whatever the flags and VtHistory; what it
  // stacked before is dropped. Within a pass the table changes only by
  // deletions until some entry is narrowed, which forgets every memo (a new
  // stamp) and ends the pass. So while the entry that restarted a scan is
  // still there, a later scan with the same VT restarts there too, and of
  // the entries before it only those that are not of code 14 can act:
  // entries equal to the VT (deleted unless flagged). A memo lists those
  // and the restarting entry, ascending; the same terms come up again and
  // again, in one group and in the next.
  struct RestartMemo {
    uint32_t key = 0;    // the VT: value (inside the mask) << 16 | mask
    uint32_t stamp = 0;  // valid while it equals memoStamp
    uint32_t start = 0;  // first entry in memoItems
    uint32_t count = 0;  // entries, the restarting one last
  };
  static constexpr int kMemoBits = 16;                     // slots, by a hash of the key
  static constexpr uint32_t kMemoItems = uint32_t{1} << 20;
  static constexpr uint32_t kMemoLongest = 32;             // a scan with more is not remembered
  std::array<RestartMemo, size_t{1} << kMemoBits> memo{};
  std::array<uint16_t, kMemoItems> memoItems{};
  uint32_t memoStamp = 1;
  uint32_t memoUsed = 0;  // items in use

  // Slice control. A slice ends once it has made more than SliceBudget x
  // stepScale of the plain loop's steps (after any step when slices end anywhere,
  // else at the end of an entry's j loop or a pass start), or after the
  // step during which sliceMicros microseconds passed (0: no time limit).
  uint32_t stepScale = 64;
  uint32_t sliceMicros = 20'000;

  bool countComparisons = false;  // fill FastStats::comparisons (costs a little)
  FastStats stats;                // reset when a reduction starts (resume not 1)

  FastTables();
};

// One slice of the reduction with the same contract and results as ScanSlice
// (logic_unit.h). With the Scan trace on, each comparison it makes is shown
// to the host and stops there as in the plain loop; it passes over the
// others, so runs with the trace take the plain loop.
uint8_t FastScanSlice(Engine& e, RunHost& host, uint8_t resume, SliceCut cut = SliceCut::kBetweenEntries);

}  // namespace tervo
