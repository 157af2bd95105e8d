#include "freeform_in.h"

namespace iono {}  // namespace iono
