#include "fortran_format.h"

namespace iono {}  // namespace iono
