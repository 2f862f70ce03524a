// The filter table, and the batch command run as a separate process on small BMP files.
#include "filters/Convolution.h"
#include "filters/GraphicFilterTable.h"
#include "filters/uFilters.h"
#include "formats/BmpCodec.h"
#include "formats/DibFile.h"
#include "raster/DibRandom.h"

#include "FilterTestSupport.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QProcess>
#include <QTemporaryDir>
#include <gtest/gtest.h>

#include <cmath>
#include <set>

using namespace kolvar;
using namespace kolvar::test;

TEST(FilterTable, RowsAreOrderedAndEveryParameterReachesItsFilter) {
    const std::vector<TFilterInfo>& table = FilterTable();
    ASSERT_FALSE(table.empty());
    std::set<QString> names;
    for (size_t i = 0; i < table.size(); ++i) {
        const TFilterInfo& row = table[i];
        SCOPED_TRACE(row.Name.toStdString());
        if (i > 0) {
            EXPECT_LT(table[i - 1].Tag, row.Tag);
        }
        EXPECT_TRUE(names.insert(row.Name.toLower()).second);
        EXPECT_EQ(FindFilter(row.Tag), &row);
        EXPECT_EQ(row.Direct(), row.HelpTopic == 0);
        EXPECT_EQ(row.Direct(), row.Params.empty());
        const TDibContainer src(2, 2);
        std::unique_ptr<TGraphicFilter> f = row.Create(TRect{0, 0, 1, 1}, src);
        ASSERT_TRUE(f);
        for (const TFilterParam& p : row.Params) {
            if (p.Kind == TFilterParamKind::fpText) continue;
            const double v = p.InitialValue();
            EXPECT_GE(v, p.ValueMin) << p.Option.toStdString();
            EXPECT_LE(v, p.ValueMax) << p.Option.toStdString();
            if (p.FromPosition) {
                EXPECT_GE(p.FromPosition(p.Min), p.ValueMin) << p.Option.toStdString();
                EXPECT_LE(p.FromPosition(p.Max), p.ValueMax) << p.Option.toStdString();
            }
            EXPECT_NO_THROW(p.SetValue(*f, v));
        }
    }
    EXPECT_EQ(FindFilter(QStringLiteral("grayscale"))->Tag, 8);
    EXPECT_EQ(FindFilter(QStringLiteral("CONVOLUTION"))->HelpTopic, 20031);
    EXPECT_EQ(FindFilter(QStringLiteral("Sobel"))->MenuItem, QStringLiteral("moSobel"));
    EXPECT_EQ(FindFilter(QStringLiteral("nothing")), nullptr);

    // A row's setter takes the dialog's conversion: contrast at slider 100 is amount 1.
    const TFilterInfo& contrast = *FindFilter(4);
    const TFilterParam& amount = contrast.Params.at(0);
    TDibContainer src(1, 1);
    std::unique_ptr<TGraphicFilter> f = contrast.Create(TRect{0, 0, 0, 0}, src);
    amount.SetValue(*f, amount.FromPosition(100));
    EXPECT_EQ(dynamic_cast<TContrastFilter&>(*f).Table()[126], 124);
    // A setter given a filter of another class refuses instead of corrupting it.
    TNegativeFilter other(TRect{0, 0, 0, 0}, src);
    EXPECT_THROW(amount.SetValue(other, 1), EFilterError);
}

TEST(FilterTable, LeavingAParameterOutMeansItsShownDefault) {
    // What the command's help calls the default must be what the filter does without it.
    const TDibContainer src = NoiseImage(23, 17, 4);
    for (const TFilterInfo& row : FilterTable())
        for (const TFilterParam& p : row.Params) {
            if (p.Kind == TFilterParamKind::fpText) continue;
            SCOPED_TRACE(testing::Message()
                         << row.Name.toStdString() << " --" << p.Option.toStdString());
            const double v = p.UnsetValue();
            EXPECT_GE(v, p.ValueMin);
            EXPECT_LE(v, p.ValueMax);
            TDibContainer left = src, given = src;
            SetRandomSeed(99);
            ApplyFilterInfo(row, left, nullptr);
            SetRandomSeed(99);
            ApplyFilterInfo(row, given, nullptr, [&](TGraphicFilter& f) { p.SetValue(f, v); });
            EXPECT_TRUE(left.SameImage(given));
        }
}

TEST(FilterTable, PointWiseFiltersWorkInPlaceWithTheSamePixels) {
    // The batch command runs these in the picture itself; the dialogs' protocol is the twin.
    const TDibContainer src = NoiseImage(61, 37, 5);
    int pointWise = 0;
    for (const TFilterInfo& row : FilterTable()) {
        if (row.Direct() || !row.Create(TRect{0, 0, 0, 0}, src)->IsPointWise()) continue;
        SCOPED_TRACE(row.Name.toStdString());
        ++pointWise;
        const auto configure = [&](TGraphicFilter& f) {
            for (const TFilterParam& p : row.Params)
                if (p.Kind == TFilterParamKind::fpNumber) {
                    const double v = p.ValueMin + (p.ValueMax - p.ValueMin) / 3;
                    p.SetValue(f, p.Integer ? std::floor(v) : v);
                }
        };
        TDibContainer inPlace = src, twin = src;
        ApplyFilterInfo(row, inPlace, nullptr, configure);
        ApplyFilterThroughPreview(row.Create, twin, nullptr, configure);
        EXPECT_TRUE(inPlace.SameImage(twin));
        EXPECT_FALSE(inPlace.SameImage(src));
    }
    EXPECT_GE(pointWise, 8);
}

#ifdef KOLVAR_FILTER_EXE

namespace {

struct TRun {
    int Code = -1;
    QString Out, Err;
};

TRun RunCli(const QStringList& args) {
    QProcess p;
    p.start(QStringLiteral(KOLVAR_FILTER_EXE), args);
    TRun r;
    if (!p.waitForFinished(60000)) return r;
    r.Code = p.exitStatus() == QProcess::NormalExit ? p.exitCode() : -2;
    r.Out = QString::fromLocal8Bit(p.readAllStandardOutput());
    r.Err = QString::fromLocal8Bit(p.readAllStandardError());
    return r;
}

TDibContainer ReadBmp(const QString& path) {
    TDibContainer d;
    d.AssignBitmap(LoadBmpFile(path));
    return d;
}

class FilterCli : public testing::Test {
protected:
    void SetUp() override {
        ASSERT_TRUE(Dir.isValid());
        Source = NoiseImage(33, 21, 12);
        SaveBmp24(In, Source.ToImage());
    }
    QTemporaryDir Dir;
    QString In = Dir.filePath(QStringLiteral("in.bmp"));
    QString Out = Dir.filePath(QStringLiteral("out.bmp"));
    TDibContainer Source;
};

} // namespace

TEST_F(FilterCli, AppliesFiltersWithParametersAndSelections) {
    TRun r = RunCli(
        {QStringLiteral("Contrast"), QStringLiteral("--amount"), QStringLiteral("0.5"), In, Out});
    ASSERT_EQ(r.Code, 0) << r.Err.toStdString();
    TDibContainer want = Source;
    ApplyFilterInfo(*FindFilter(4), want, nullptr,
                    [](TGraphicFilter& f) { dynamic_cast<TContrastFilter&>(f).SetAmount(0.5); });
    EXPECT_TRUE(ReadBmp(Out).SameImage(want));

    r = RunCli({QStringLiteral("convolution"), QStringLiteral("--preset=mexican hat"),
                QStringLiteral("--red"), QStringLiteral("40"), QStringLiteral("--rect"),
                QStringLiteral("30,2,4,15"), In, Out});
    ASSERT_EQ(r.Code, 0) << r.Err.toStdString();
    want = Source;
    const TFilterSelection rect = TFilterSelection::Rectangle(TRect{4, 2, 30, 15});
    TConvolutionDefList presets;
    LoadConvolutionDefinitions(presets);
    ApplyFilterInfo(*FindFilter(20), want, &rect, [&](TGraphicFilter& f) {
        TConvolutionFilterDef& def = dynamic_cast<TConvolutionFilter&>(f).Definition;
        def.Assign(*FindConvolutionDefinition(presets, QStringLiteral("Mexican Hat")));
        def.SetOffset(TDibColor{0, 0, 40});
    });
    const TDibContainer got = ReadBmp(Out);
    EXPECT_TRUE(got.SameImage(want));
    EXPECT_EQ(got.GetPixel(3, 2), Source.GetPixel(3, 2));
    EXPECT_EQ(got.GetPixel(4, 16), Source.GetPixel(4, 16));

    // Two polygons make a polygon set; Negative is a direct command.
    r = RunCli({QStringLiteral("Negative"), QStringLiteral("--polygon"),
                QStringLiteral("1,1,12,1,6,12"), QStringLiteral("--polygon"),
                QStringLiteral("20,3,31,3,31,18,20,18"), In, Out});
    ASSERT_EQ(r.Code, 0) << r.Err.toStdString();
    want = Source;
    TPoints pts;
    for (const TPoint& p : std::initializer_list<TPoint>{
             {1, 1}, {12, 1}, {6, 12}, {20, 3}, {31, 3}, {31, 18}, {20, 18}})
        pts.Add(p);
    TIntegerArray counts;
    counts.Add(3);
    counts.Add(4);
    const TFilterSelection polys = TFilterSelection::PolyPolygon(pts, counts);
    ApplyFilterDirect(NewFilter<TNegativeFilter>, want, &polys);
    EXPECT_TRUE(ReadBmp(Out).SameImage(want));
    EXPECT_FALSE(want.SameImage(Source));
}

TEST_F(FilterCli, RefusesBadCommandsWithAMessage) {
    const QString missing = Dir.filePath(QStringLiteral("missing.bmp"));
    struct TCase {
        QStringList Args;
        int Code;
        const char* Message;
    };
    const TCase cases[] = {
        {{QStringLiteral("Blurry"), In, Out}, 2, "Unknown filter"},
        {{QStringLiteral("Contrast"), QStringLiteral("--amount"), QStringLiteral("2"), In, Out},
         2,
         "between -1 and 1"},
        {{QStringLiteral("Contrast"), QStringLiteral("--amount=half"), In, Out},
         2,
         "expects a number"},
        {{QStringLiteral("Contrast"), QStringLiteral("--strength"), QStringLiteral("1"), In, Out},
         2,
         "no parameter --strength"},
        {{QStringLiteral("RGB"), QStringLiteral("--red"), QStringLiteral("1.5"), In, Out},
         2,
         "whole number"},
        {{QStringLiteral("Contrast"), In}, 2, "one input and one output"},
        {{QStringLiteral("Negative"), QStringLiteral("--rect"), QStringLiteral("1,2,3"), In, Out},
         2,
         "L,T,R,B"},
        {{QStringLiteral("Convolution"), QStringLiteral("--preset"), QStringLiteral("Nope"),
          missing, Out},
         2,
         "Unknown convolution preset"},
        {{QStringLiteral("Convolution"), QStringLiteral("--kernel"), QStringLiteral("1 2/3"), In,
          Out},
         2,
         "same number"},
        {{QStringLiteral("Negative"), missing, Out}, 1, "Could not read file"},
        {{QStringLiteral("Negative"), In, Dir.filePath(QStringLiteral("no/such/dir/out.bmp"))},
         1,
         "Could not write file"},
    };
    for (const TCase& c : cases) {
        QFile::remove(Out);
        const TRun r = RunCli(c.Args);
        SCOPED_TRACE(c.Args.join(QLatin1Char(' ')).toStdString());
        EXPECT_EQ(r.Code, c.Code);
        EXPECT_TRUE(r.Err.contains(QString::fromLatin1(c.Message))) << r.Err.toStdString();
        EXPECT_FALSE(QFile::exists(Out));
    }
    const TRun help = RunCli({QStringLiteral("--help")});
    EXPECT_EQ(help.Code, 0);
    for (const char* text : {"Convolution", "--amount -1..1", "\"Mexican Hat\"", "--polygon",
                             "--turbulence 0.01..101 (default 0.01)", "--amount 0..255 (default 0)",
                             "--output-dir", "--quality"})
        EXPECT_TRUE(help.Out.contains(QString::fromLatin1(text))) << text;
}

TEST_F(FilterCli, FlagsTakeOnOffInEveryForm) {
    const auto emboss = [&](bool color) {
        TDibContainer want = Source;
        ApplyFilterInfo(*FindFilter(13), want, nullptr, [&](TGraphicFilter& f) {
            FindFilter(13)->FindParam(QStringLiteral("color"))->SetValue(f, color);
        });
        return want;
    };
    const TDibContainer on = emboss(true), off = emboss(false);
    ASSERT_FALSE(on.SameImage(off));
    const struct {
        QStringList Flag;
        bool Color;
    } cases[] = {
        {{QStringLiteral("--color")}, true},
        {{QStringLiteral("--color"), QStringLiteral("off")}, false},
        {{QStringLiteral("--color"), QStringLiteral("ON")}, true},
        {{QStringLiteral("--color=off")}, false},
        {{QStringLiteral("--color=yes")}, true},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.Flag.join(QLatin1Char(' ')).toStdString());
        const TRun r =
            RunCli(QStringList{QStringLiteral("Emboss")} + c.Flag + QStringList{In, Out});
        ASSERT_EQ(r.Code, 0) << r.Err.toStdString();
        EXPECT_TRUE(ReadBmp(Out).SameImage(c.Color ? on : off));
    }
    // A radius beyond the dialog's slider, up to the filter's own limit.
    TRun r =
        RunCli({QStringLiteral("Blur"), QStringLiteral("--amount"), QStringLiteral("40"), In, Out});
    ASSERT_EQ(r.Code, 0) << r.Err.toStdString();
    TDibContainer want = Source;
    ApplyFilterInfo(*FindFilter(24), want, nullptr,
                    [](TGraphicFilter& f) { FindFilter(24)->Params[0].SetValue(f, 40); });
    EXPECT_TRUE(ReadBmp(Out).SameImage(want));
    r = RunCli({QStringLiteral("Blur"), QStringLiteral("--amount=256"), In, Out});
    EXPECT_EQ(r.Code, 2);
}

TEST_F(FilterCli, BatchesFilesOfEveryFormatIntoAFolder) {
    const QString png = Dir.filePath(QStringLiteral("second.png"));
    const QString gifLike = Dir.filePath(QStringLiteral("third.pcx"));
    SaveDibFile(png, Source);
    SaveDibFile(gifLike, Source);
    const QString outDir = Dir.filePath(QStringLiteral("out"));
    TRun r = RunCli(
        {QStringLiteral("Negative"), QStringLiteral("--output-dir"), outDir, In, png, gifLike});
    ASSERT_EQ(r.Code, 0) << r.Err.toStdString();
    // Not a terminal: no progress line.
    EXPECT_TRUE(r.Err.isEmpty()) << r.Err.toStdString();
    TDibContainer want = Source;
    ApplyFilterDirect(NewFilter<TNegativeFilter>, want, nullptr);
    for (const char* name : {"in.bmp", "second.png"}) {
        TDibContainer got;
        LoadDibFile(QDir(outDir).filePath(QString::fromLatin1(name)), got);
        EXPECT_TRUE(got.SameImage(want)) << name;
    }
    TDibContainer pcx;
    LoadDibFile(QDir(outDir).filePath(QStringLiteral("third.pcx")), pcx);
    EXPECT_EQ(pcx.Width(), Source.Width());

    r = RunCli({QStringLiteral("Negative"), QStringLiteral("--format"), QStringLiteral("jpg"),
                QStringLiteral("--quality"), QStringLiteral("95"), QStringLiteral("--output-dir"),
                outDir, png});
    ASSERT_EQ(r.Code, 0) << r.Err.toStdString();
    EXPECT_TRUE(QFile::exists(QDir(outDir).filePath(QStringLiteral("second.jpg"))));

    // One unreadable file fails the command but not the others.
    const QString bad = Dir.filePath(QStringLiteral("bad.bmp"));
    QFile f(bad);
    ASSERT_TRUE(f.open(QIODevice::WriteOnly));
    f.write("BM not a bitmap");
    f.close();
    QFile::remove(QDir(outDir).filePath(QStringLiteral("in.bmp")));
    r = RunCli({QStringLiteral("Negative"), QStringLiteral("--output-dir"), outDir, bad, In});
    EXPECT_EQ(r.Code, 1);
    EXPECT_TRUE(r.Err.contains(QStringLiteral("Could not read file"))) << r.Err.toStdString();
    EXPECT_TRUE(QFile::exists(QDir(outDir).filePath(QStringLiteral("in.bmp"))));

    const struct {
        QStringList Args;
        const char* Message;
    } usage[] = {
        {{QStringLiteral("--quality"), QStringLiteral("0"), In, Out}, "1 to 100"},
        {{QStringLiteral("--format"), QStringLiteral("png"), In, Out}, "--format goes with"},
        {{QStringLiteral("--output-dir"), outDir}, "Give the input files"},
        {{In, Dir.filePath(QStringLiteral("out.xyz"))}, "name a .bmp"},
    };
    for (const auto& c : usage) {
        r = RunCli(QStringList{QStringLiteral("Negative")} + c.Args);
        EXPECT_EQ(r.Code, 2);
        EXPECT_TRUE(r.Err.contains(QString::fromLatin1(c.Message))) << r.Err.toStdString();
    }
}

TEST_F(FilterCli, OutputFolderRefusesInputsThatWouldShareAName) {
    // Both results once went to out/x.bmp: the first was lost and the status said success.
    const QString a = Dir.filePath(QStringLiteral("a/x.bmp")),
                  b = Dir.filePath(QStringLiteral("b/x.bmp"));
    ASSERT_TRUE(QDir(Dir.path()).mkpath(QStringLiteral("a")) &&
                QDir(Dir.path()).mkpath(QStringLiteral("b")));
    SaveDibFile(a, Source);
    SaveDibFile(b, Source);
    const QString y1 = Dir.filePath(QStringLiteral("y.png")),
                  y2 = Dir.filePath(QStringLiteral("y.jpg"));
    SaveDibFile(y1, Source);
    SaveDibFile(y2, Source);
    const QString outDir = Dir.filePath(QStringLiteral("out"));
    const QStringList clashing[] = {
        {QStringLiteral("--output-dir"), outDir, a, b},
        {QStringLiteral("--output-dir"), outDir, QStringLiteral("--format"), QStringLiteral("png"),
         y1, y2},
        {QStringLiteral("--output-dir"), outDir, In, In},
    };
    for (const QStringList& args : clashing) {
        SCOPED_TRACE(args.join(QLatin1Char(' ')).toStdString());
        const TRun r = RunCli(QStringList{QStringLiteral("Negative")} + args);
        EXPECT_EQ(r.Code, 2);
        EXPECT_TRUE(r.Err.contains(args[args.size() - 2]) && r.Err.contains(args.last()))
            << r.Err.toStdString();
        EXPECT_FALSE(QFileInfo::exists(outDir)) << "nothing may be written";
    }

    // A result that would overwrite a later input before it is read is refused too.
    const TRun r = RunCli({QStringLiteral("Negative"), QStringLiteral("--output-dir"), Dir.path(),
                           QStringLiteral("--format"), QStringLiteral("png"), In, y2, y1});
    EXPECT_EQ(r.Code, 2);
    EXPECT_TRUE(r.Err.contains(y2) && r.Err.contains(y1)) << r.Err.toStdString();
    EXPECT_FALSE(QFileInfo::exists(Dir.filePath(QStringLiteral("in.png"))));

    // Distinct names go through.
    const TRun ok =
        RunCli({QStringLiteral("Negative"), QStringLiteral("--output-dir"), outDir, a, y1});
    EXPECT_EQ(ok.Code, 0) << ok.Err.toStdString();
}

TEST_F(FilterCli, MissingInputAndABareCallSayWhatIsWrong) {
    const QString missing = Dir.filePath(QStringLiteral("missing.bmp"));
    TRun r = RunCli({QStringLiteral("Negative"), missing, Out});
    EXPECT_EQ(r.Code, 1);
    EXPECT_TRUE(r.Err.contains(missing + QStringLiteral(": No such file or directory")))
        << r.Err.toStdString();
    EXPECT_FALSE(r.Err.contains(QStringLiteral("not valid")));

    // Without arguments: a usage line and where to find more, on standard error.
    r = RunCli({});
    EXPECT_EQ(r.Code, 2);
    EXPECT_TRUE(r.Out.isEmpty());
    const QStringList lines = r.Err.trimmed().split(QLatin1Char('\n'));
    ASSERT_EQ(lines.size(), 2) << r.Err.toStdString();
    EXPECT_TRUE(lines[0].startsWith(QStringLiteral("usage: kolvar-filter FILTER")));
    EXPECT_TRUE(lines[1].contains(QStringLiteral("--help")));
}

TEST_F(FilterCli, ReadsAPictureUnderAWrongExtensionByItsFirstBytes) {
    // A PNG named .bmp, as a renamed download often is.
    const QString disguised = Dir.filePath(QStringLiteral("photo.bmp"));
    ASSERT_TRUE(Source.ToImage().save(disguised, "png"));
    const TRun r = RunCli({QStringLiteral("Negative"), disguised, Out});
    EXPECT_EQ(r.Code, 0) << r.Err.toStdString();
    const TDibContainer got = ReadBmp(Out);
    ASSERT_EQ(got.Width(), Source.Width());
    EXPECT_EQ(DibColorToInt(got.GetPixel(5, 7)), DibColorToInt(Source.GetPixel(5, 7)) ^ 0xFFFFFFu);
}

#endif
