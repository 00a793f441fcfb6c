#include "formula_file.h"
