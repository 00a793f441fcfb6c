// The info pane lives with the rest of the trace panel in ui/debug/DBG_unit.h;
// this name stays for code that still includes it.
#pragma once

#include "DBG_unit.h"
