// tervo42-batch's results in the export formats (--format verilog, vhdl,
// latex, csv): a run's or a PLA file's results described for the engine's
// writers (export_formats.h).
#pragma once

#include <string>
#include <vector>

#include "export_formats.h"
#include "pipeline.h"
#include "pla.h"
#include "pla_run.h"

namespace tervo::batch {

// A run of one function: inputs named by the variable letters, one output
// "f", a constant for "TAUTOLOGY" (1) and "INCONSISTENT" (0), the input
// function worked out from the grids.
ExportDesign RunDesign(const Engine& e, const RunOutcome& run);

// A PLA file's results: one output port each, named by ".ob" (else "f" for
// one output, "f0", "f1" ... for several), the inputs by ".ilb" (else the
// letters); each output's input function from its rows, don't-cares
// included. module: the name of the module or entity.
ExportDesign PlaDesign(const PlaFile& f, const PlaRun& run, const std::vector<std::vector<RowState>>& states,
                       const std::string& module);

// The module name for an input file: its name without folders and
// suffix; "tervo42" for standard input or none.
std::string ModuleNameOf(const std::string& path);

}  // namespace tervo::batch
