// Formula files: the whole working state in one file.
#pragma once

namespace tervo {}  // namespace tervo
