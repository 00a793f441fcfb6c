// The Karnaugh map of the result from the main window: F2 and the output
// pane's menu open it; once open it follows the result: a new GO draws the
// new one, clearing the result (the output "X", CNF/DNF, a load, the start
// of a run) leaves a note in its place.
#include "Unit1.h"
#include "karnaugh_layout.h"
#include "karnaugh_window.h"
#include "ui_Unit1.h"

namespace {

// Why the engine's result has no map; empty when it has one. A cleared
// output pane shows no result, whatever the tables still hold.
QString RefusalOf(const tervo::Engine& e, bool resultShown) {
  if (!resultShown) return QString::fromStdString(tervo::KarnaughRefusal(0, 0));
  return QString::fromStdString(tervo::KarnaughRefusal(e.VariableCount, e.TermCount));
}

}  // namespace

void TForm1::KarnaughCommand() {
  if (engine_->RunState != tervo::kRunIdle) {
    SetMessage(QStringLiteral("Karnaugh map: not while a run is going"));
    return;
  }
  const QString refusal = RefusalOf(*engine_, ui_->outputbox->ShowsResult());
  if (!refusal.isEmpty()) {
    SetMessage(QStringLiteral("Karnaugh map: ") + refusal);
    return;
  }
  const bool first = karnaugh_ == nullptr;
  if (first) karnaugh_ = new KarnaughWindow(this);
  karnaugh_->setWindowIcon(windowIcon());
  karnaugh_->ShowMap(tervo::LayOutKarnaugh(tervo::KarnaughInputOf(*engine_)));
  if (first || !karnaugh_->isVisible()) karnaugh_->PlaceBesideParent();
  karnaugh_->show();
  karnaugh_->raise();
  karnaugh_->activateWindow();
}

void TForm1::FollowKarnaugh(bool cleared) {
  if (karnaugh_ == nullptr || !karnaugh_->isVisible()) return;
  if (cleared) {
    karnaugh_->ShowNote(QStringLiteral("no result: GO draws the map again"));
    return;
  }
  const QString refusal = RefusalOf(*engine_, ui_->outputbox->ShowsResult());
  if (refusal.isEmpty())
    karnaugh_->ShowMap(tervo::LayOutKarnaugh(tervo::KarnaughInputOf(*engine_)));
  else
    karnaugh_->ShowNote(refusal);
}
