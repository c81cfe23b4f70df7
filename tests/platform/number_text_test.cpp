#include "platform/number_text.h"

#include <gtest/gtest.h>

using namespace zorva::platform;

TEST(NumberText, GeneralFloatFormat) {
    struct Case {
        double value;
        char separator;
        const char* text;
    } cases[] = {
        {1.5, ',', "1,5"},
        {1.5, '.', "1.5"},
        {-2, ',', "-2"},
        {0.1, '.', "0.1"},
        {1e20, '.', "1E20"},
        {1.5e-5, ',', "1,5E-5"},
        {123456789012345.0, '.', "123456789012345"},
        {1e15, '.', "1E15"},
        {45867.583333333336, '.', "45867.5833333333"},
        {0, '.', "0"},
    };
    for (const auto& c : cases)
        EXPECT_EQ(formatFloatGeneral(c.value, c.separator), c.text);
}

TEST(NumberText, FloatTextUsesTheRegionalSeparatorOnly) {
    double v = 0;
    EXPECT_TRUE(tryStrToFloat("1,5", ',', v));
    EXPECT_DOUBLE_EQ(v, 1.5);
    EXPECT_TRUE(tryStrToFloat(" -2,25E2 ", ',', v));
    EXPECT_DOUBLE_EQ(v, -225);
    EXPECT_FALSE(tryStrToFloat("1.5", ',', v));
    EXPECT_FALSE(tryStrToFloat("1,5x", ',', v));
    EXPECT_FALSE(tryStrToFloat("", ',', v));
}
