#include "formats/vst2/parameter_property.h"

#include <gtest/gtest.h>

namespace tonvo {
namespace {

TEST(ParameterProperty, HostValueIsTheLinearPositionClampedAndSmoothingPullsBack) {
    TCustomVstParameterProperty property;
    property.Min = -10.0f;
    property.Max = 30.0f;
    EXPECT_FLOAT_EQ(property.HostValue(10.0f), 0.5f);
    EXPECT_EQ(property.HostValue(-20.0f), 0.0f);
    EXPECT_EQ(property.HostValue(99.0f), 1.0f);
    EXPECT_FLOAT_EQ(property.ParameterValue(0.25f), 0.0f);
    EXPECT_EQ(property.ParameterValue(7.0f), 30.0f);
    EXPECT_EQ(property.ParameterValue(-1.0f), -10.0f);
    property.Max = property.Min; // an empty range maps to the start, never divides by zero
    EXPECT_EQ(property.HostValue(5.0f), 0.0f);

    TCustomVstParameterProperty smoothed; // pulled towards the previous value
    smoothed.SmoothingFactor = 0.5f;
    EXPECT_FLOAT_EQ(smoothed.ParameterValue(1.0f), 0.5f);
    EXPECT_FLOAT_EQ(smoothed.ParameterValue(1.0f), 0.75f);
}

TEST(ParameterProperty, ShortLabelFollowsTheNameUntilSetApart) {
    TCustomVstParameterProperty property;
    property.SetDisplayName("nmap");
    EXPECT_EQ(property.ShortLabel(), "nmap");
    property.SetDisplayName("transpose");
    EXPECT_EQ(property.ShortLabel(), "transpo");
    property.SetShortLabel("notemapping");
    EXPECT_EQ(property.ShortLabel(), "notemap");
    property.SetDisplayName("other");
    EXPECT_EQ(property.ShortLabel(), "notemap");
    property.SetDisplayName(std::string(80, 'n'));
    EXPECT_EQ(property.DisplayName().size(), 64u);
}

TEST(ParameterProperty, TextsParseWithUnitsAndPrefixLetters) {
    float value = -1.0f;
    ASSERT_TRUE(parse_parameter_text("2.5k", "", value));
    EXPECT_FLOAT_EQ(value, 2500.0f);
    ASSERT_TRUE(parse_parameter_text("1K", "", value));
    EXPECT_FLOAT_EQ(value, 1024.0f);
    ASSERT_TRUE(parse_parameter_text("-3 dB", "dB", value));
    EXPECT_FLOAT_EQ(value, -3.0f);
    ASSERT_TRUE(parse_parameter_text("12 ms", "s", value)); // the unit goes first, then "m"
    EXPECT_FLOAT_EQ(value, 0.012f);
    ASSERT_TRUE(parse_parameter_text("0,5", "", value)); // either decimal separator
    EXPECT_FLOAT_EQ(value, 0.5f);
    value = 7.0f;
    EXPECT_FALSE(parse_parameter_text("loud", "", value));
    EXPECT_EQ(value, 7.0f);
}

} // namespace
} // namespace tonvo
