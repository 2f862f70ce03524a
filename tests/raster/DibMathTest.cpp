#include "raster/DibMath.h"
#include "raster/GlobalVars.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <cmath>
#include <functional>
#include <limits>
#include <random>
#include <vector>

using namespace kolvar;

TEST(DibMath, RoundTiesToEvenAndTruncTowardZero) {
    EXPECT_EQ(Round(0.5), 0);
    EXPECT_EQ(Round(1.5), 2);
    EXPECT_EQ(Round(2.5), 2);
    EXPECT_EQ(Round(-0.5), 0);
    EXPECT_EQ(Round(-1.5), -2);
    EXPECT_EQ(Round(2.5000001), 3);
    EXPECT_EQ(Trunc(-1.7), -1);
    EXPECT_EQ(Trunc(1.7), 1);
    // Wild values saturate instead of being undefined.
    EXPECT_EQ(Round(1e20), INT32_MAX);
    EXPECT_EQ(Round(-1e20), INT32_MIN);
    EXPECT_EQ(Trunc(std::numeric_limits<double>::quiet_NaN()), 0);
    EXPECT_EQ(ToFixed16(1.5), 98304);
    EXPECT_EQ(ToFixed16(0.5 / 65536), 0); // a tie goes to even
    EXPECT_DOUBLE_EQ(FromFixed16(-98304), -1.5);

    EXPECT_EQ(ClampRound(255.6, 0, 255), 255);
    EXPECT_EQ(ClampRound(-3, 0, 255), 0);
    EXPECT_EQ(ClampRound(127.5, 0, 255), 128);
    EXPECT_EQ(ClampRound(std::numeric_limits<double>::quiet_NaN(), 0, 255), 255);
    EXPECT_EQ(IClamp(300, 0, 255), 255);
    EXPECT_EQ(IClamp(-1, 0, 255), 0);
}

TEST(DibMath, MedianMatchesSortedReference) {
    int32_t odd[] = {3, 1, 2};
    EXPECT_EQ(Median(odd, 3), 2);
    int32_t even[] = {4, 1, 3, 2};
    EXPECT_EQ(Median(even, 4), 2);
    int32_t one[] = {7};
    EXPECT_EQ(Median(one, 1), 7);
    int32_t big[] = {INT32_MAX, INT32_MAX};
    EXPECT_EQ(Median(big, 2), INT32_MAX); // the sum of the middle pair does not overflow
    EXPECT_EQ(Median(nullptr, 0), 0);

    std::mt19937 rng(7);
    for (int n = 1; n <= 30; ++n) {
        std::vector<int32_t> v(static_cast<size_t>(n));
        for (auto& x : v) x = int32_t(rng() % 50) - 25;
        std::vector<int32_t> sorted = v;
        std::sort(sorted.begin(), sorted.end(), std::greater<>());
        const int32_t expected =
            n % 2 ? sorted[size_t(n / 2)] : (sorted[size_t(n / 2 - 1)] + sorted[size_t(n / 2)]) / 2;
        EXPECT_EQ(Median(v.data(), n), expected) << n;
    }
    int32_t values[] = {5, -2, 9, 0};
    EXPECT_EQ(MinOf(values, 4), -2);
    EXPECT_EQ(MaxOf(values, 4), 9);
    EXPECT_EQ(MaxOf(values, 2), 5);
}

TEST(DibMath, WrapIntoMatchesRepeatedSubtraction) {
    EXPECT_EQ(WrapInto(730, 360), 10);
    EXPECT_EQ(WrapInto(-10, 360), 350);
    EXPECT_EQ(WrapInto(360, 360), 360);
    EXPECT_EQ(WrapInto(720, 360), 360);
    EXPECT_EQ(WrapInto(-360, 360), 0);
    EXPECT_EQ(WrapInto(5, 0), 5); // no range: no endless loop
    auto slow = [](int32_t v, int32_t range) {
        if (v > range)
            while (v > range) v -= range;
        else
            while (v < 0) v += range;
        return v;
    };
    for (int32_t range : {1, 7, 360})
        for (int32_t v = -2000; v <= 2000; v += 3) EXPECT_EQ(WrapInto(v, range), slow(v, range));
    EXPECT_EQ(WrapInto(INT32_MIN, 360), slow(INT32_MIN, 360));
}

TEST(DibMath, TextFieldsAndNumbers) {
    EXPECT_DOUBLE_EQ(StrToFloatDef("1.5", -1), 1.5);
    EXPECT_DOUBLE_EQ(StrToFloatDef(" -2e3 ", -1), -2000);
    EXPECT_DOUBLE_EQ(StrToFloatDef("1,5", -1), -1);
    EXPECT_DOUBLE_EQ(StrToFloatDef("", -1), -1);
    EXPECT_DOUBLE_EQ(StrToFloatDef("abc", 4), 4);
    EXPECT_DOUBLE_EQ(StrToFloatDef("inf", 4), 4);

    const QString text = "a;bb;;c";
    EXPECT_EQ(GetField(text, 0, ';'), "a");
    EXPECT_EQ(GetField(text, 1, ';'), "bb");
    EXPECT_EQ(GetField(text, 2, ';'), "");
    EXPECT_EQ(GetField(text, 3, ';'), "c");
    EXPECT_EQ(GetField(text, 4, ';'), "");
    EXPECT_EQ(GetField("plain", 0, ';'), "plain");

    double fx = 0, fy = 0;
    AspectFactors(0, 0, 9, 4, false, fx, fy); // 10 x 5
    EXPECT_DOUBLE_EQ(fx, 2);
    EXPECT_DOUBLE_EQ(fy, 1);
    AspectFactors(4, 9, 0, 0, false, fx, fy); // 5 x 10, corners in any order
    EXPECT_DOUBLE_EQ(fx, 1);
    EXPECT_DOUBLE_EQ(fy, 2);
    AspectFactors(0, 0, 9, 4, true, fx, fy);
    EXPECT_DOUBLE_EQ(fx, 1);
    EXPECT_DOUBLE_EQ(fy, 1);
    AspectFactors(INT32_MIN, 0, INT32_MAX, 0, false, fx, fy); // no overflow
    EXPECT_DOUBLE_EQ(fx, 4294967296.0);
}

TEST(GlobalVars, NamesIgnoreCaseAndValuesReplace) {
    TGlobal g;
    g.Lines() << "Caption=Kolvar"
              << "no equals sign"
              << "Size=10=20";
    EXPECT_EQ(g.IndexOfName("caption"), 0);
    EXPECT_EQ(g.IndexOfName("no equals sign"), -1);
    EXPECT_EQ(g.GetValue("SIZE"), "10=20");
    EXPECT_EQ(g.GetValue("missing"), "");
    g.SetValue("size", "3");
    EXPECT_EQ(g.Lines()[2], "Size=3");
    g.SetValue("New", "x");
    EXPECT_EQ(g.Lines().last(), "New=x");
    EXPECT_EQ(&Global(), &Global());
}
