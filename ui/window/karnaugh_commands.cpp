// The Karnaugh map of the result from the main window: F2 and the output
// pane's menu open it; once open it follows the result: a new GO draws the
// new one, clearing the result (the output "X", CNF/DNF, a load, the start
// of a run) leaves a note in its place.
#include "commands.h"
#include "engine.h"
#include "karnaugh_layout.h"
#include "karnaugh_window.h"

namespace tervo {
namespace {

// Why the engine's result has no map; empty when it has one. A cleared
// output pane shows no result, whatever the tables still hold.
QString RefusalOf(const tervo::Engine& e, bool resultShown) {
  if (!resultShown) return QString::fromStdString(tervo::KarnaughRefusal(0, 0));
  return QString::fromStdString(tervo::KarnaughRefusal(e.VariableCount, e.TermCount));
}

}  // namespace

void KarnaughCommand(CommandHost& host) {
  if (host.engine().RunState != kRunIdle) {
    host.SetMessage(QStringLiteral("Karnaugh map: not while a run is going"));
    return;
  }
  const QString refusal = RefusalOf(host.engine(), host.ShowsResult());
  if (!refusal.isEmpty()) {
    host.SetMessage(QStringLiteral("Karnaugh map: ") + refusal);
    return;
  }
  KarnaughWindow*& map = host.memory().karnaugh;
  const bool first = map == nullptr;
  if (first) map = new KarnaughWindow(&host.windowWidget());
  map->setWindowIcon(host.windowWidget().windowIcon());
  map->ShowMap(LayOutKarnaugh(KarnaughInputOf(host.engine())));
  if (first || !map->isVisible()) map->PlaceBesideParent();
  map->show();
  map->raise();
  map->activateWindow();
}

void FollowKarnaugh(CommandHost& host, bool cleared) {
  KarnaughWindow* map = host.memory().karnaugh;
  if (map == nullptr || !map->isVisible()) return;
  if (cleared) {
    map->ShowNote(QStringLiteral("no result: GO draws the map again"));
    return;
  }
  const QString refusal = RefusalOf(host.engine(), host.ShowsResult());
  if (refusal.isEmpty())
    map->ShowMap(LayOutKarnaugh(KarnaughInputOf(host.engine())));
  else
    map->ShowNote(refusal);
}

void CloseKarnaugh(CommandHost& host) {
  if (host.memory().karnaugh) host.memory().karnaugh->close();
}

}  // namespace tervo
