#include "tervo/minimiser.h"

namespace tervo::minimiser {

MinimiseResult Minimise(const Pla&, Pla& out, const MinimiseSettings&, Watcher*) {
  out = Pla{};
  MinimiseResult r;
  r.status = Status::kRefused;
  r.message = "the minimiser of any width is not built yet";
  return r;
}

}  // namespace tervo::minimiser
