#include "core/palette.hpp"

#include <gtest/gtest.h>

TEST(Palette, HeaderCompiles) { SUCCEED(); }
