#include "series.h"

namespace iono {}  // namespace iono
