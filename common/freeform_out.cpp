#include "freeform_out.h"

namespace iono {}  // namespace iono
