// The displacement, neighbourhood, texture, noise and histogram rows through kolvar-filter.
#include "filters/GraphicFilterTableRows.h"
#include "filters/Blur.h"
#include "filters/GraphicFilterTable.h"
#include "formats/BmpCodec.h"

#include "FilterTestSupport.h"

#include <QProcess>
#include <QTemporaryDir>
#include <gtest/gtest.h>

using namespace kolvar;
using namespace kolvar::test;

TEST(FilterTableRows, EveryTagHasARow) {
    for (int32_t tag = 0; tag <= 27; ++tag) EXPECT_NE(FindFilter(tag), nullptr) << tag;
    EXPECT_EQ(FindFilter(QStringLiteral("fisheye"))->DialogCaption, QStringLiteral("Fish Eye"));
    EXPECT_EQ(FindFilter(26)->MenuParent, QStringLiteral("Histogram"));
    EXPECT_TRUE(FindFilter(27)->Direct());
    EXPECT_TRUE(FindFilter(27)->WholeImage);
}

#ifdef KOLVAR_FILTER_EXE

namespace {

int RunCli(const QStringList& args) {
    QProcess p;
    p.start(QStringLiteral(KOLVAR_FILTER_EXE), args);
    if (!p.waitForFinished(60000) || p.exitStatus() != QProcess::NormalExit) return -1;
    return p.exitCode();
}

TDibContainer ReadBmp(const QString& path) {
    TDibContainer d;
    d.AssignBitmap(LoadBmpFile(path));
    return d;
}

} // namespace

TEST(FilterTableRows, CommandLineRunsTheNewFilters) {
    QTemporaryDir dir;
    ASSERT_TRUE(dir.isValid());
    const QString in = dir.filePath(QStringLiteral("in.bmp"));
    const QString out = dir.filePath(QStringLiteral("out.bmp"));
    const TDibContainer src = NoiseImage(41, 29, 16);
    SaveBmp24(in, src.ToImage());

    ASSERT_EQ(RunCli({QStringLiteral("Rank"), QStringLiteral("--method"), QStringLiteral("maximum"),
                      QStringLiteral("--amount"), QStringLiteral("4"), QStringLiteral("--rect"),
                      QStringLiteral("3,3,30,20"), in, out}),
              0);
    TDibContainer want = src;
    const TFilterSelection rect = TFilterSelection::Rectangle(TRect{3, 3, 30, 20});
    ApplyFilterInfo(*FindFilter(25), want, &rect, [](TGraphicFilter& f) {
        auto& r = dynamic_cast<TRoughFilter&>(f);
        r.SetMethod(TRoughFilter::rmMaximum);
        r.SetRadius(4);
    });
    EXPECT_TRUE(ReadBmp(out).SameImage(want));

    ASSERT_EQ(RunCli({QStringLiteral("Blur"), QStringLiteral("--amount=3"), in, out}), 0);
    want = src;
    ApplyFilterInfo(*FindFilter(24), want, nullptr,
                    [](TGraphicFilter& f) { dynamic_cast<TBlurFilter&>(f).SetRadius(3); });
    EXPECT_TRUE(ReadBmp(out).SameImage(want));

    ASSERT_EQ(RunCli({QStringLiteral("HistogramShow"), QStringLiteral("--channel"),
                      QStringLiteral("green"), in, out}),
              0);
    TDibContainer pic;
    ShowHistogram(src, pic, [](TGraphicFilter& f) { FindFilter(26)->Params[0].SetValue(f, 2); });
    EXPECT_TRUE(ReadBmp(out).SameImage(pic));

    for (const char* name :
         {"Ripple", "Waves", "Emboss", "Plasma", "SplitBlur", "MotionBlur", "Lens", "FishEye",
          "WhirlPinch", "Mirror", "Marble", "Noise", "HistogramEqualize"})
        EXPECT_EQ(RunCli({QString::fromLatin1(name), in, out}), 0) << name;
    EXPECT_EQ(RunCli({QStringLiteral("Rank"), QStringLiteral("--method"), QStringLiteral("mean"),
                      in, out}),
              2);
}

#endif
