#include "plugin/common.h"
#include <gtest/gtest.h>
TEST(Common, Placeholder) { EXPECT_EQ(1, 1); }
