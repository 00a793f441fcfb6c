// Fuzz target for the PLA reader: any bytes are either refused with a line
// and column inside the text, or read at any width into rows of the width
// declared, which the writer gives back as they were; files the engine's
// table takes are read into outputs whose rows are each ON, OFF or
// don't-care; small files are also run, their results must pass the cover
// checker, and the PLA written from them must read back as the same
// functions and give JSON text.
#include <algorithm>
#include <cstddef>
#include <cstdint>
#include <string_view>
#include <vector>

#include "check.h"
#include "engine.h"
#include "inputs.h"
#include "pla.h"
#include "pla_run.h"
#include "pla_wide.h"
#include "report.h"
#include "tervo/minimiser.h"
#include "tervo/pla.h"

namespace {

void Require(bool ok) {
  if (!ok) __builtin_trap();
}

// The lines of a text and where each starts. The PLA reader breaks lines
// at "\n" only; the formula reader also at a lone "\r" (a clipboard of an
// old Mac), with "\r\n" one break.
std::vector<std::size_t> LineStarts(std::string_view text, bool loneCrBreaks) {
  std::vector<std::size_t> starts{0};
  for (std::size_t i = 0; i < text.size(); ++i)
    if (text[i] == '\n' || (loneCrBreaks && text[i] == '\r' && (i + 1 == text.size() || text[i + 1] != '\n')))
      starts.push_back(i + 1);
  return starts;
}

// True when a refusal's place lies in the text: a column only on a line,
// and within that line.
bool InText(std::string_view text, const tervo::batch::InputError& err, bool loneCrBreaks = false) {
  const std::vector<std::size_t> starts = LineStarts(text, loneCrBreaks);
  if (err.line < 0 || err.line > static_cast<int>(starts.size()) || err.column < 0) return false;
  if (err.column == 0) return true;
  if (err.line == 0) return false;
  const std::size_t start = starts[err.line - 1];
  const std::size_t end = err.line < static_cast<int>(starts.size()) ? starts[err.line] - 1 : text.size();
  return static_cast<std::size_t>(err.column) <= end - start;
}

bool Covers(const tervo::batch::OutputResult& r, uint16_t a) {
  for (std::size_t t = 0; t < r.value.size(); ++t)
    if (((r.value[t] ^ a) & r.mask[t]) == 0) return true;
  return false;
}

void CheckOne(std::string_view text) {
  using namespace tervo;
  using namespace tervo::batch;
  static Engine* engine = new Engine();
  Engine& e = *engine;

  // The same bytes as a formula: refused with a place, or placed.
  if (auto err = PlaceFormula(e, text)) Require(InText(text, *err, true));

  minimiser::Pla read;
  if (auto err = minimiser::ReadPla(text, read)) {
    Require(InText(text, FromPlaError(*err)) && !err->text.empty());
    Require(read.Rows() == 0 && read.inputs == 0);
    return;
  }
  for (std::size_t r = 0; r < read.Rows(); ++r)
    Require(read.in[r].size() == read.inputs && read.out[r].size() == read.outputs);
  minimiser::Pla again;
  Require(!minimiser::ReadPla(minimiser::WritePla(read), again));
  Require(again.in == read.in && again.out == read.out && again.type == read.type);

  // The cube minimiser, at any width, on what stays quick: a refusal with
  // its reason and nothing written, or a cover the checker passes.
  if (read.Rows() <= 32 && read.inputs <= 40 && read.outputs <= 4) {
    minimiser::MinimiseSettings settings;
    settings.effort = 200'000;
    minimiser::Pla cover;
    const minimiser::MinimiseResult res = minimiser::Minimise(read, cover, settings);
    if (res.status == minimiser::Status::kRefused) Require(!res.message.empty() && cover.Rows() == 0);
    else Require(minimiser::CheckCover(read, cover).ok);
  }

  PlaFile f;
  if (auto err = NarrowPlaFile(read, f)) {
    Require(read.inputs > 15 || read.Rows() > static_cast<std::size_t>(kTermCapacity));
    return;
  }
  Require(f.inputs >= 1 && f.inputs <= 15 && f.outputs >= 1 && f.outputs <= kMaxPlaOutputs);
  Require(f.letters.size() == f.inputs && f.outs.size() == f.value.size() * f.outputs);
  std::vector<std::vector<RowState>> states;
  if (auto err = AllOutputStates(f, states)) {
    Require(err->line >= 1 && InText(text, *err));
    return;
  }
  PlaFunction one;
  if (!ReadPla(text, one)) Require(f.outputs == 1 && one.value.size() == f.value.size());

  // Run only what stays quick.
  if (f.inputs > 6 || f.outputs > 4 || f.value.size() > 64) return;
  for (bool pos : {false, true}) {
    NullHost host;
    const PlaRun run = RunPla(e, host, f, states, pos);
    Require(!run.interrupted && run.outputs.size() == f.outputs);
    Require(PlaExitStatus(run) == kExitOk);
    Require(minimiser::CheckCover(TargetFunction(read, pos), CoverOfRun(f, run)).ok);
    // The JSON of any names is written whole (a throw would end the run).
    Require(!JsonText(PlaJsonResult(e, f, run)).empty());
    PlaFile back;
    Require(!ReadPlaFile(WritePlaResults(f, run), back));
    for (unsigned k = 0; k < f.outputs; ++k) {
      std::vector<RowState> written;
      Require(!OutputStates(back, k, written));
      for (std::size_t a = 0; a < states[k].size(); ++a) {
        const bool covered = Covers(run.outputs[k], static_cast<uint16_t>(a));
        Require((written[a] == TargetState(pos)) == covered);
        if (states[k][a] != RowState::kDontCare) Require(covered == (states[k][a] == TargetState(pos)));
      }
    }
  }
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, std::size_t size) {
  if (size > 16384) return 0;
  CheckOne(std::string_view(reinterpret_cast<const char*>(data), size));
  return 0;
}
