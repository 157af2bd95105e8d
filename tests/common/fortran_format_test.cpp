#include "fortran_format.h"

#include <gtest/gtest.h>

TEST(FortranFormat, Placeholder) { SUCCEED(); }
