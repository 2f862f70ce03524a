// The Filter menu's dialogs and direct commands on a document, driven as the user drives them.

#include "FakeFilterDocument.h"
#include "FilterRunSupport.h"
#include "FilterTestSupport.h"
#include "common/ScriptedDialogs.h"

#include "filters/Blur.h"
#include "filters/Convolution.h"
#include "filters/GraphicFilterTable.h"
#include "filters/uFRMFilterCommands.h"
#include "filters/uFRMFilterDialogs.h"
#include "filters/uFRMHistogram.h"
#include "filters/uFiltersDisplace.h"
#include "formats/BmpCodec.h"

#include <QComboBox>
#include <QCoreApplication>
#include <QElapsedTimer>
#include <QKeyEvent>
#include <QLineEdit>
#include <QProcess>
#include <QPushButton>
#include <QSpinBox>
#include <QTableWidget>
#include <QTemporaryDir>
#include <QTimer>
#include <QToolButton>

#include <atomic>

using namespace kolvar;
using namespace kolvar::test;

namespace {

template <class TPred> bool WaitUntil(TPred pred, int ms = 5000) {
    QElapsedTimer t;
    t.start();
    while (!pred()) {
        if (t.elapsed() > ms) return false;
        QCoreApplication::processEvents(QEventLoop::AllEvents, 10);
    }
    return true;
}

// Sets controls of the row's dialog, then presses Ok (or Cancel).
TScriptedDialogs::TDialogScript Press(std::vector<std::pair<QString, int>> positions,
                                      bool ok = true) {
    return [positions = std::move(positions), ok](TfrmKolvarWnd& w) {
        auto& d = dynamic_cast<TfrmFilterParams&>(w);
        for (const auto& [name, value] : positions) {
            EXPECT_NE(d.Control(name), nullptr) << name.toStdString();
            d.SetPosition(name, value);
        }
        (ok ? d.sbOK() : d.sbCancel())->click();
        return d.ModalResult();
    };
}

// Pixels that differ between a and b and lie outside the polygon's bounding box.
bool SameOutside(const TDibContainer& a, const TDibContainer& b, const TRect& box) {
    for (int32_t y = 0; y < a.Height(); ++y)
        for (int32_t x = 0; x < a.Width(); ++x) {
            const bool inside = x >= box.Left && x <= box.Right && y >= box.Top && y <= box.Bottom;
            if (!inside && !(a.GetPixel(x, y) == b.GetPixel(x, y))) return false;
        }
    return true;
}

class FilterDialog : public testing::Test {
protected:
    TScriptedDialogs Dialogs;
    TDibContainer Source = NoiseImage(61, 43, 7);
    TFakeFilterDocument Doc{Source};
};

} // namespace

TEST_F(FilterDialog, EveryMenuTagOpensItsDialogOrRunsDirectly) {
    for (const TFilterInfo& row : FilterTable()) {
        SCOPED_TRACE(row.Name.toStdString());
        TFakeFilterDocument doc(Source);
        const size_t asked = Dialogs.Asked.size();
        if (!row.Direct()) {
            Dialogs.Dialogs.push_back([](TfrmKolvarWnd& w) {
                EXPECT_TRUE(w.IsCreated());
                return int(mrCancel);
            });
        }
        ExecuteFilterCommand(nullptr, row.Tag, doc);
        if (row.Direct()) {
            EXPECT_EQ(Dialogs.Asked.size(), asked);
            EXPECT_EQ(doc.UndoCount, 1);
            EXPECT_TRUE(doc.Modified);
            EXPECT_GT(CountDifferences(doc.Image(), Source), 0);
            EXPECT_EQ(CountDifferences(doc.Undo, Source), 0);
        } else {
            ASSERT_EQ(Dialogs.Asked.size(), asked + 1);
            EXPECT_EQ(Dialogs.Asked.back().Text, row.DialogClass.mid(1));
            EXPECT_EQ(Dialogs.Asked.back().Caption, row.DialogCaption);
            EXPECT_EQ(doc.UndoCount, 0);
            EXPECT_EQ(CountDifferences(doc.Image(), Source), 0);
            EXPECT_FALSE(doc.PreviewHook) << "the hooks outlive the dialog";
        }
    }
    // A tag the menu does not have, and an empty document, do nothing.
    ExecuteFilterCommand(nullptr, 99, Doc);
    TFakeFilterDocument empty{TDibContainer()};
    ExecuteFilterCommand(nullptr, 24, empty);
    EXPECT_TRUE(Dialogs.Dialogs.empty());
}

TEST_F(FilterDialog, DialogsStartAsTheirFilterAndConvertPositions) {
    const TFilterInfo& rank = *FindFilter(25);
    TfrmFilterParams d(rank, Doc);
    d.EnsureCreated();
    d.SetupFilter();
    auto& rough = dynamic_cast<TRoughFilter&>(*d.Filter());
    EXPECT_EQ(d.objectName(), QStringLiteral("frmFilterRough"));
    EXPECT_EQ(d.Position(QStringLiteral("rgMethod")), 0);
    // The median's window is a third of the slider; minimum and maximum take it as it is.
    d.SetPosition(QStringLiteral("sbAmount"), 11);
    EXPECT_EQ(rough.Method(), TRoughFilter::rmMedian);
    EXPECT_EQ(rough.Radius(), 3);
    d.SetPosition(QStringLiteral("rgMethod"), 1);
    EXPECT_EQ(rough.Method(), TRoughFilter::rmMinimum);
    EXPECT_EQ(rough.Radius(), 11);
    d.SetPosition(QStringLiteral("rgMethod"), 2);
    EXPECT_EQ(rough.Method(), TRoughFilter::rmMaximum);
    d.SetPosition(QStringLiteral("rgMethod"), 0);
    d.SetPosition(QStringLiteral("sbAmount"), 2);
    EXPECT_EQ(rough.Radius(), 1) << "a median of amount 0..5 has radius 1";

    TfrmFilterParams sobel(*FindFilter(23), Doc);
    sobel.SetupFilter();
    EXPECT_EQ(sobel.Position(QStringLiteral("sbMagnifier")), 10);
    sobel.SetPosition(QStringLiteral("sbMagnifier"), 25);
    EXPECT_DOUBLE_EQ(dynamic_cast<TSobelFilter&>(*sobel.Filter()).Magnifier, 2.5);
    EXPECT_NE(sobel.findChild<QWidget*>(QStringLiteral("lblMagnifer")), nullptr);

    // Ripple's edits each set one coordinate of a shared point, and start where the filter is.
    TfrmFilterParams ripple(*FindFilter(11), Doc);
    ripple.SetupFilter();
    auto& r = dynamic_cast<TRippleFilter&>(*ripple.Filter());
    const TPoint period = r.Period();
    EXPECT_EQ(ripple.Position(QStringLiteral("sePeriodX")), period.X);
    ripple.SetPosition(QStringLiteral("seAmplitudeY"), 7);
    EXPECT_EQ(r.Amplitude().Y, 7);
    EXPECT_EQ(r.Period().X, period.X);
    EXPECT_NE(ripple.findChild<QWidget*>(QStringLiteral("gbXAxis")), nullptr);
}

TEST_F(FilterDialog, ChangesWithinThePauseGiveOnePreviewWhichTheViewShows) {
    TfrmFilterParams d(*FindFilter(24), Doc);
    d.EnsureCreated();
    d.SetupFilter();
    EXPECT_EQ(CountDifferences(Doc.ComposedView(), Source), 0) << "nothing shown before a run";
    for (int amount : {2, 5, 9, 4}) d.SetPosition(QStringLiteral("sbAmount"), amount);
    EXPECT_EQ(d.PreviewRuns(), 0);
    EXPECT_TRUE(d.Timer()->isActive());
    ASSERT_TRUE(WaitUntil([&] { return d.PreviewCurrent(); }));
    EXPECT_EQ(d.PreviewRuns(), 1);

    const TDibContainer expected =
        RunWhole<TBlurFilter>(Source, [](TBlurFilter& f) { f.SetRadius(4); });
    EXPECT_EQ(CountDifferences(d.Preview(), expected), 0);
    EXPECT_EQ(CountDifferences(Doc.ComposedView(), expected), 0);
    EXPECT_GT(Doc.Repaints, 0);
    EXPECT_EQ(CountDifferences(Doc.Image(), Source), 0) << "a preview never touches the image";
}

TEST_F(FilterDialog, CaptionShowsProgressDuringARunAndComesBackAfterIt) {
    TfrmFilterParams d(*FindFilter(24), Doc);
    d.EnsureCreated();
    d.SetupFilter();
    TRowGate gate(22);
    d.Filter()->TickSource = gate.Clock();
    QStringList captions;
    QObject::connect(&d, &QWidget::windowTitleChanged, [&](const QString& t) { captions << t; });
    d.RunPreview();
    gate.WaitUntilHeld();
    // Half way through the 43 rows, the event loop still runs and shows how far the run is.
    ASSERT_TRUE(WaitUntil([&] { return d.windowTitle().startsWith(QStringLiteral("Progress")); }));
    EXPECT_EQ(d.windowTitle(), QStringLiteral("Progress - 47 %"));
    gate.Release();
    ASSERT_TRUE(WaitUntil([&] { return d.PreviewCurrent(); }));
    ASSERT_GE(captions.size(), 3);
    EXPECT_EQ(captions[captions.size() - 2], QStringLiteral("Progress - 100 %"));
    EXPECT_EQ(captions.back(), QStringLiteral("Blur"));
    EXPECT_EQ(d.windowTitle(), QStringLiteral("Blur"));
}

#ifdef KOLVAR_FILTER_EXE

namespace {

// The command-line program's result for the same filter, parameters and selection.
TDibContainer CliResult(const TDibContainer& src, QStringList args) {
    QTemporaryDir dir;
    const QString in = dir.filePath(QStringLiteral("in.bmp"));
    const QString out = dir.filePath(QStringLiteral("out.bmp"));
    SaveBmp24(in, src.ToImage());
    QProcess p;
    p.start(QStringLiteral(KOLVAR_FILTER_EXE), args << in << out);
    EXPECT_TRUE(p.waitForFinished(60000));
    EXPECT_EQ(p.exitCode(), 0) << p.readAllStandardError().toStdString();
    TDibContainer d;
    d.AssignBitmap(LoadBmpFile(out));
    return d;
}

struct TOkCase {
    int Tag;
    std::vector<std::pair<QString, int>> Positions;
    QStringList CliArgs;
};

} // namespace

TEST_F(FilterDialog, ABigRegionIsPreviewedForTheViewWithTheSameScreenAndOkFiltersItWhole) {
    const size_t limit = TfrmFilterConfig::ViewPreviewLimit;
    TfrmFilterConfig::ViewPreviewLimit = 0;
    struct TCase {
        double Scale;
        TPoint View;
        bool Selection;
        int32_t Height = 43;
    };
    // The tall picture's view reads more rows than the preview filters at a time.
    for (const TCase& c :
         {TCase{0.3, {19, 14}, false}, TCase{1, {40, 30}, true}, TCase{2.5, {50, 33}, false},
          TCase{0.7, {64, 48}, true}, TCase{1, {61, 200}, false, 230}}) {
        SCOPED_TRACE(testing::Message() << c.Scale << " selection " << c.Selection);
        const TDibContainer source = NoiseImage(61, c.Height, 7);
        TFakeFilterDocument doc(source);
        if (c.Selection) doc.SelectionRect = TRect{7, 4, 50, 38};
        doc.View = c.View;
        doc.ViewProjector().SetScale({c.Scale, c.Scale});
        TfrmFilterParams d(*FindFilter(24), doc);
        d.EnsureCreated();
        d.SetupFilter();
        d.SetPosition(QStringLiteral("sbAmount"), 4);
        d.RunPreview();
        ASSERT_TRUE(WaitUntil([&] { return d.PreviewCurrent(); }));
        ASSERT_TRUE(d.PreviewIsView());
        EXPECT_EQ(d.Preview().Width(), c.View.X);

        TBlurFilter blur(d.Setup().Region, source);
        blur.SetRadius(4);
        TDibContainer region;
        ASSERT_TRUE(RunFilterPreview(blur, d.Setup(), region));
        TDibContainer screen(c.View.X, c.View.Y);
        screen.Clear(TDibColor{40, 50, 60});
        TDibContainer expected = screen;
        region.StretchTo(expected, d.PreviewRect(), false);
        doc.PreviewHook(screen);
        EXPECT_EQ(CountDifferences(screen, expected), 0);

        // A view of another size gets its own preview.
        TDibContainer wider(c.View.X + 7, c.View.Y);
        doc.PreviewHook(wider);
        EXPECT_FALSE(d.PreviewCurrent());
        EXPECT_TRUE(d.Timer()->isActive());
        d.RunPreview();
        ASSERT_TRUE(WaitUntil([&] { return d.PreviewCurrent(); }));
        EXPECT_EQ(d.Preview().Width(), c.View.X + 7);

        d.sbOK()->click();
        TDibContainer filtered = source;
        region.BlendTo(filtered, d.Setup().Region.Left, d.Setup().Region.Top, 0);
        EXPECT_EQ(CountDifferences(doc.Image(), filtered), 0);
        EXPECT_EQ(doc.UndoCount, 1);
        EXPECT_EQ(CountDifferences(doc.Undo, source), 0);
        EXPECT_TRUE(doc.Modified);
    }
    TfrmFilterConfig::ViewPreviewLimit = limit;
}

TEST_F(FilterDialog, OkAppliesWhatTheCommandLineComputesInsideTheSelection) {
    // A triangle that reaches past the left and bottom edges of the image.
    const std::vector<TPoint> triangle = {{-12, 5}, {40, 14}, {20, 60}};
    const QStringList polygon{QStringLiteral("--polygon"), QStringLiteral("-12,5,40,14,20,60")};
    const std::vector<TOkCase> cases = {
        {24, {{"sbAmount", 5}}, {"Blur", "--amount", "5"}},
        {25, {{"rgMethod", 1}, {"sbAmount", 4}}, {"Rank", "--method", "minimum", "--amount", "4"}},
        {0,
         {{"SlideBarH", 30}, {"SlideBarL", -20}},
         {"HSL", "--hue", "0.3", "--saturation", "0", "--lightness", "-0.2"}},
        {23, {{"sbMagnifier", 25}}, {"Sobel", "--magnifier", "2.5"}},
        {19,
         {{"seWhirl", 90}, {"sePinch", -150}},
         {"WhirlPinch", "--whirl", "90", "--pinch", "-1.5"}},
        {13,
         {{"seAzimuth", 30}, {"chkColor", 1}},
         {"Emboss", "--azimuth", "30", "--elevation", "45", "--width", "10", "--color=on"}},
    };
    for (const TOkCase& c : cases) {
        SCOPED_TRACE(c.CliArgs.front().toStdString());
        TFakeFilterDocument doc(Source);
        doc.SelectionPolygon = triangle;
        Dialogs.Dialogs.push_back(Press(c.Positions));
        ExecuteFilterCommand(nullptr, c.Tag, doc);
        const TDibContainer expected = CliResult(Source, c.CliArgs + polygon);
        EXPECT_EQ(CountDifferences(doc.Image(), expected), 0);
        EXPECT_GT(CountDifferences(doc.Image(), Source), 0);
        EXPECT_TRUE(SameOutside(doc.Image(), Source, TRect{0, 5, 40, 42}));
        EXPECT_EQ(doc.UndoCount, 1);
        EXPECT_EQ(CountDifferences(doc.Undo, Source), 0);
        EXPECT_TRUE(doc.Modified);
    }
}

TEST_F(FilterDialog, ConvolutionTakesItsKernelOnlyThroughUpdate) {
    Dialogs.Dialogs.push_back([](TfrmKolvarWnd& w) {
        auto& d = dynamic_cast<TfrmFilterConvolution&>(w);
        EXPECT_GT(d.cmbDefs()->count(), 20);
        d.cmbDefs()->setEditText(QStringLiteral("blur 3x3"));
        EXPECT_EQ(d.Grid()->rowCount(), 3);
        EXPECT_EQ(d.edDivisor()->text().count(QLatin1Char('.')), 1);
        auto& filter = dynamic_cast<TConvolutionFilter&>(*d.Filter());
        EXPECT_EQ(filter.Definition.Weight(1, 1), 0) << "a preset alone does not reach the filter";
        d.btnUpdate()->click();
        d.seRed()->setValue(40); // after Update: not applied
        d.sbOK()->click();
        return d.ModalResult();
    });
    ExecuteFilterCommand(nullptr, 20, Doc);
    EXPECT_EQ(
        CountDifferences(Doc.Image(), CliResult(Source, {"Convolution", "--preset", "Blur 3x3"})),
        0);
}

#endif

TEST_F(FilterDialog, OkRunsAPendingPreviewAndCancelLeavesTheDocumentAlone) {
    // Ok straight after a change, with the timer still running, applies the new setting.
    Dialogs.Dialogs.push_back(Press({{"sbAmount", 3}}));
    ExecuteFilterCommand(nullptr, 24, Doc);
    EXPECT_EQ(CountDifferences(Doc.Image(), RunWhole<TBlurFilter>(
                                                Source, [](TBlurFilter& f) { f.SetRadius(3); })),
              0);

    // Ok without touching anything applies the dialog's opening setting (Sobel's magnifier 1).
    TFakeFilterDocument sobel(Source);
    Dialogs.Dialogs.push_back(Press({}));
    ExecuteFilterCommand(nullptr, 23, sobel);
    EXPECT_EQ(CountDifferences(sobel.Image(), RunWhole<TSobelFilter>(Source, [](TSobelFilter&) {})),
              0);

    // Cancel after a finished preview, and closing the window during one.
    TFakeFilterDocument doc(Source);
    const QByteArray before(reinterpret_cast<const char*>(doc.Image().Bits()),
                            qsizetype(doc.Image().ByteSize()));
    Dialogs.Dialogs.push_back([](TfrmKolvarWnd& w) {
        auto& d = dynamic_cast<TfrmFilterParams&>(w);
        d.SetPosition(QStringLiteral("sbAmount"), 6);
        d.FinishPreview();
        EXPECT_TRUE(d.PreviewCurrent());
        d.sbCancel()->click();
        return d.ModalResult();
    });
    Dialogs.Dialogs.push_back([](TfrmKolvarWnd& w) {
        auto& d = dynamic_cast<TfrmFilterParams&>(w);
        d.SetPosition(QStringLiteral("sbAmount"), 15);
        d.RunPreview();
        d.close();
        return int(mrCancel);
    });
    ExecuteFilterCommand(nullptr, 24, doc);
    ExecuteFilterCommand(nullptr, 24, doc);
    EXPECT_EQ(QByteArray(reinterpret_cast<const char*>(doc.Image().Bits()),
                         qsizetype(doc.Image().ByteSize())),
              before);
    EXPECT_EQ(doc.UndoCount, 0);
    EXPECT_FALSE(doc.Modified);
    EXPECT_FALSE(doc.PreviewHook);
}

TEST_F(FilterDialog, DirectCommandsKeepToTheSelectionButEqualizeTakesTheWholeImage) {
    const TRect sel{10, 10, 20, 30};
    for (int tag : {8, 9}) {
        TFakeFilterDocument doc(Source);
        doc.SelectionRect = sel;
        ExecuteFilterCommand(nullptr, tag, doc);
        EXPECT_TRUE(SameOutside(doc.Image(), Source, sel)) << tag;
        EXPECT_GT(CountDifferences(doc.Image(), Source), 200) << tag;
    }
    TFakeFilterDocument doc(Source);
    doc.SelectionRect = sel;
    ExecuteFilterCommand(nullptr, 27, doc);
    TDibContainer whole = Source;
    ApplyFilterDirect(NewFilter<THistogram>, whole, nullptr);
    EXPECT_EQ(CountDifferences(doc.Image(), whole), 0);
    EXPECT_FALSE(SameOutside(doc.Image(), Source, sel));
}

TEST_F(FilterDialog, ASelectionOutsideTheImageChangesNothing) {
    Doc.SelectionPolygon = {{-30, -30}, {-5, -30}, {-5, -5}};
    Dialogs.Dialogs.push_back(Press({{"sbAmount", 4}}));
    ExecuteFilterCommand(nullptr, 24, Doc);
    EXPECT_EQ(CountDifferences(Doc.Image(), Source), 0);
    EXPECT_EQ(Doc.UndoCount, 0);
}

TEST(HistogramWindow, ShowsEachChannelOfTheWholeImage) {
    // Pure blue: one full bar at red 0, green 0, blue 255 and intensity Round(0.114 x 255).
    TDibContainer image(8, 5);
    for (int32_t y = 0; y < 5; ++y)
        for (int32_t x = 0; x < 8; ++x) image.SetPixel(x, y, Rgb(0, 0, 255));
    TfrmHistogram w(image);
    w.EnsureCreated();
    EXPECT_EQ(w.objectName(), QStringLiteral("frmHistogram"));
    EXPECT_FALSE(w.sbCancel()->isVisibleTo(&w));
    const struct {
        int Level;
        TDibColor Colour;
    } bars[] = {
        {29, Rgb(192, 192, 192)}, {0, Rgb(255, 0, 0)}, {0, Rgb(0, 255, 0)}, {255, Rgb(0, 0, 255)}};
    for (int channel = 0; channel < 4; ++channel) {
        SCOPED_TRACE(channel);
        w.cmbChannels()->setCurrentIndex(channel);
        const TDibContainer& pic = w.Picture();
        ASSERT_EQ(pic.Width(), 280);
        const int x = 10 + bars[channel].Level;
        EXPECT_EQ(pic.GetPixel(x, 40), bars[channel].Colour);
        EXPECT_EQ(pic.GetPixel(x, 130), bars[channel].Colour);
        EXPECT_FALSE(pic.GetPixel(x, 39) == bars[channel].Colour);
        EXPECT_FALSE(pic.GetPixel(x + 1, 129) == bars[channel].Colour);
    }
    EXPECT_EQ(w.Histogram().Counts(THistogram::hcBlue)[255], 40);
}

TEST_F(FilterDialog, EveryDialogOpensWithTheKeyboardOnItsFirstControl) {
    for (const TFilterInfo& row : FilterTable()) {
        if (row.Direct() || row.Tag == 26) continue;
        SCOPED_TRACE(row.Name.toStdString());
        TFakeFilterDocument doc(Source);
        TfrmFilterParams d(row, doc);
        d.EnsureCreated();
        d.SetupFilter();
        d.show();
        QCoreApplication::processEvents();
        QWidget* focus = d.focusWidget();
        ASSERT_NE(focus, nullptr);
        EXPECT_TRUE(d.Client()->isAncestorOf(focus));
        if (row.Tag == 24) {
            // Blur's amount slider: an arrow key moves it straight away.
            EXPECT_EQ(focus, d.Control(QStringLiteral("sbAmount")));
            QKeyEvent right(QEvent::KeyPress, Qt::Key_Right, Qt::NoModifier);
            QCoreApplication::sendEvent(focus, &right);
            EXPECT_EQ(d.Position(QStringLiteral("sbAmount")), 1);
        }
        d.sbCancel()->click();
    }
}

TEST(HistogramWindow, ClosesOnEscapeLikeEveryDialog) {
    TDibContainer image(4, 4);
    TfrmHistogram w(image);
    w.EnsureCreated();
    w.show();
    QCoreApplication::processEvents();
    ASSERT_TRUE(w.isVisible());
    QKeyEvent escape(QEvent::KeyPress, Qt::Key_Escape, Qt::NoModifier);
    QCoreApplication::sendEvent(w.cmbChannels(), &escape);
    EXPECT_FALSE(w.isVisible());
}
