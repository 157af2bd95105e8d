#include "atomic_file.h"

namespace iono {}  // namespace iono
