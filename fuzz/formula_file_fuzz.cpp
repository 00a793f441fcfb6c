// Fuzz target for the formula file reader: any bytes are either refused
// without a change to the engine, or applied and written back so that
// every byte that carries meaning comes back unchanged, and what is written
// back loads again to the same bytes (save, load, save).
#include <cstddef>
#include <cstdint>
#include <span>
#include <vector>

#include "engine.h"
#include "formula_file.h"
#include "grid_rules.h"

namespace {

void Require(bool ok) {
  if (!ok) __builtin_trap();
}

// The properties for one file.
void CheckOne(const uint8_t* data, std::size_t size) {
  using namespace tervo;
  static Engine* engine = new Engine();
  Engine& e = *engine;
  const std::span<const uint8_t> bytes(data, size);

  const uint8_t code = CheckFormulaFile(bytes);
  Require(code == kOk || code == kFileIoError || code == kWrongFileType);

  const std::vector<uint8_t> before = EncodeFormulaFile(e);
  Require(DecodeFormulaFile(e, bytes) == code);
  if (code != kOk) {
    Require(EncodeFormulaFile(e) == before);
    return;
  }

  Require(size <= kFormulaFileMaxSize && size % 4 == 0);
  Require(e.VariableCount <= kMaxVariables && e.TermCount <= kTermCapacity);
  Require(IsVariableList(e.Variables()));
  const std::vector<uint8_t> again = EncodeFormulaFile(e);
  Require(again.size() == size);
  Require(CheckFormulaFile(again) == kOk);
  static Engine* second = new Engine();
  Require(DecodeFormulaFile(*second, again) == kOk);
  Require(EncodeFormulaFile(*second) == again);
  // Signature, grids, letter count and letters, term count and terms.
  auto same = [&](std::size_t from, std::size_t to) {
    for (std::size_t i = from; i < to; ++i) Require(again[i] == data[i]);
  };
  const unsigned n = data[kFileLetterCountOffset];
  const std::size_t termAt = FormulaFileTermOffset(n);
  same(0, kFileModeOffset);
  same(kFileFormulaGridOffset, kFileLetterCountOffset - 1);
  same(kFileLetterCountOffset, kFileLetterCountOffset + 1 + n);
  same(termAt, termAt + 2);
  same(termAt + 4, size);
  // Options: any nonzero byte reads as the second choice; table input is CNF.
  Require((again[kFileModeOffset] == 0) == (data[kFileModeOffset] == 0));
  Require((again[kFileReduceOffset] == 0) == (data[kFileReduceOffset] == 0));
  Require(again[kFileFormOffset] == ((data[kFileFormOffset] != 0 && data[kFileModeOffset] == 0) ? 1 : 0));
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, std::size_t size) {
  using namespace tervo;
  CheckOne(data, size);
  // The same bytes cut or padded to the length their own letter and term
  // counts give, so that the letters and terms are reached more often.
  if (size > kFileLetterCountOffset) {
    const unsigned n = data[kFileLetterCountOffset];
    const std::size_t termAt = kFileLetterCountOffset + 4 * ((n + 1 + 3) / 4);
    if (size >= termAt + 2) {
      const unsigned count = data[termAt] | (data[termAt + 1] << 8);
      if (count > 1024) return 0;  // keep the runs quick; the raw bytes cover longer lists
      std::vector<uint8_t> fitted(data, data + size);
      fitted.resize(termAt + 4 + 4 * static_cast<std::size_t>(count), 0);
      CheckOne(fitted.data(), fitted.size());
    }
  }
  return 0;
}
