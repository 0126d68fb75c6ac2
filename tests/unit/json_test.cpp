#include <gtest/gtest.h>

#include "response/json.h"

TEST(Json, Placeholder) { EXPECT_EQ(errorResponse(""), "{\"error\":\"\"}"); }
