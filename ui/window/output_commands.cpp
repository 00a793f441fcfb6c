// The output pane's own controls in the main window: the output form (CNF
// or DNF), which clears the result it would read otherwise, and the pane's
// "X", which empties the result and the variables.
#include "commands.h"
#include "engine.h"

namespace tervo {

void OutputFormCommand(CommandHost& host, bool cnf) {
  if (host.engine().RunState != kRunIdle) return;
  host.engine().CnfMode = cnf ? 1 : 0;
  host.ClearResult();
  host.DrawOutputPane();
}

void ClearOutputCommand(CommandHost& host) {
  Engine& e = host.engine();
  if (e.RunState != kRunIdle) return;
  host.ClearOutputPane();
  e.TermCount = 0;
  e.VariableTable.fill(0);
  e.VariableCount = 0;
  host.memory().result = CommandMemory::ResultKind::kNone;
}

}  // namespace tervo
