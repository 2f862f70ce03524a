#include "filters/GraphicFilterTableRows.h"

#include "filters/Blur.h"
#include "filters/Emboss.h"
#include "filters/Histogram.h"
#include "filters/Lens.h"
#include "filters/Mirror.h"
#include "filters/uFiltersDisplace.h"
#include "filters/uFiltersNoise.h"
#include "filters/uFiltersTexture.h"
#include "formats/DibData.h"
#include "raster/DibMath.h"

namespace kolvar {

namespace {

template <class T> T& As(TGraphicFilter& f) {
    T* p = dynamic_cast<T*>(&f);
    if (!p) throw EFilterError("The parameter does not belong to this filter.");
    return *p;
}

using TSetter = std::function<void(TGraphicFilter&, double)>;

constexpr auto Row = MakeFilterInfo;

TFilterParam Base(const char* option, const char* control, const char* help, TSetter set) {
    TFilterParam p;
    p.Option = QString::fromLatin1(option);
    p.Control = QString::fromLatin1(control);
    p.Help = QString::fromLatin1(help);
    p.SetValue = std::move(set);
    return p;
}

// A slider: position range and start, and the dialog's conversion into the filter's units.
TFilterParam Slider(const char* option, const char* control, int32_t min, int32_t max,
                    int32_t initial, std::function<double(int32_t)> from, const char* help,
                    TSetter set, bool whole = false) {
    TFilterParam p = Base(option, control, help, std::move(set));
    p.Min = min;
    p.Max = max;
    p.Initial = initial;
    p.ValueMin = from(min);
    p.ValueMax = from(max);
    p.FromPosition = std::move(from);
    p.Integer = whole;
    return p;
}

// A spin edit taking whole numbers as they are; Default is the filter's own start value.
TFilterParam Spin(const char* option, const char* control, int32_t min, int32_t max, double def,
                  const char* help, TSetter set) {
    TFilterParam p = Base(option, control, help, std::move(set));
    p.Min = min;
    p.Max = max;
    p.ValueMin = min;
    p.ValueMax = max;
    p.Default = def;
    p.Integer = true;
    return p;
}

TFilterParam Choice(const char* option, const char* control, QStringList choices, int32_t initial,
                    const char* help, TSetter set) {
    TFilterParam p = Base(option, control, help, std::move(set));
    p.Kind = TFilterParamKind::fpChoice;
    p.Max = int32_t(choices.size()) - 1;
    p.ValueMax = p.Max;
    p.Initial = initial;
    p.Default = initial;
    p.Choices = std::move(choices);
    p.Integer = true;
    return p;
}

// A check box; initial is the state the filter starts with.
TFilterParam Flag(const char* option, const char* control, bool initial, const char* help,
                  TSetter set) {
    TFilterParam p = Base(option, control, help, std::move(set));
    p.Kind = TFilterParamKind::fpFlag;
    p.Max = 1;
    p.ValueMax = 1;
    p.Initial = initial ? 1 : 0;
    p.Default = p.Initial;
    p.Integer = true;
    return p;
}

double Same(int32_t p) {
    return p;
}
double Tenth(int32_t p) {
    return p / 10.0;
}
double Hundredth(int32_t p) {
    return p / 100.0;
}

void AddNoiseRow(std::vector<TFilterInfo>& t) {
    TFilterInfo r = Row(10, "Noise", "moNoise", "Noise", "TfrmFilterNoise", "Noise", 20022,
                        "TNoiseFilter", NewFilter<TNoiseFilter>);
    r.Params = {
        Choice("method", "rgNoiseMethod",
               {"Gaussian", "Exponential", "Poisson", "Impulse", "Uniform", "Spray"}, 0,
               "noise model",
               [](TGraphicFilter& f, double v) { As<TNoiseFilter>(f).SetMethod(uint8_t(v)); }),
        Slider("variance", "SlideBarVariance", 0, 100, 0, Hundredth, "noise strength",
               [](TGraphicFilter& f, double v) { As<TNoiseFilter>(f).SetVariance(v); }),
        Slider("mean", "SlideBarMean", 0, 100, 0, Hundredth,
               "below 0.5 centres the noise low, above it high",
               [](TGraphicFilter& f, double v) { As<TNoiseFilter>(f).SetMean(v); }),
        Flag("color", "chkColorNoise", true, "a draw per channel instead of per pixel",
             [](TGraphicFilter& f, double v) { As<TNoiseFilter>(f).SetColorNoise(v != 0); }),
    };
    t.push_back(std::move(r));
}

// Ripple's edits set one coordinate of a point; the other keeps its value.
TSetter RipplePoint(bool period, bool y) {
    return [period, y](TGraphicFilter& f, double v) {
        TRippleFilter& r = As<TRippleFilter>(f);
        TPoint p = period ? r.Period() : r.Amplitude();
        (y ? p.Y : p.X) = Round(v);
        period ? r.SetPeriod(p) : r.SetAmplitude(p);
    };
}

void AddDisplacementRows(std::vector<TFilterInfo>& t) {
    TFilterInfo ripple = Row(11, "Ripple", "moRipple", "Ripple", "TfrmFilterRipple", "Ripple",
                             20023, "TRippleFilter", NewFilter<TRippleFilter>);
    ripple.Params = {
        Choice("form", "rgForm", {"Sine", "SawTooth"}, 0, "wave form",
               [](TGraphicFilter& f, double v) { As<TRippleFilter>(f).SetWaveForm(uint8_t(v)); }),
        Choice("mode", "rgMode", {"Wrap", "Smear", "Color"}, 0,
               "what shows where the source lies off the image",
               [](TGraphicFilter& f, double v) { As<TRippleFilter>(f).SetEdgeMode(uint8_t(v)); }),
        Spin("amplitude-x", "seAmplitudeX", -100000, 100000, 10, "vertical shift, varying along x",
             RipplePoint(false, false)),
        Spin("period-x", "sePeriodX", 1, 268435455, 10, "wave length along x",
             RipplePoint(true, false)),
        Spin("amplitude-y", "seAmplitudeY", -100000, 100000, 10,
             "horizontal shift, varying along y", RipplePoint(false, true)),
        Spin("period-y", "sePeriodY", 1, 268435455, 10, "wave length along y",
             RipplePoint(true, true)),
    };
    t.push_back(std::move(ripple));

    TFilterInfo waves = Row(12, "Waves", "moWaves", "Waves", "TfrmFilterWaves", "Waves", 20037,
                            "TWavesFilter", NewFilter<TWavesFilter>);
    waves.Params = {
        Spin("amplitude", "seAmplitude", -100000, 100000, 30, "displacement in pixels",
             [](TGraphicFilter& f, double v) { As<TWavesFilter>(f).SetAmplitude(v); }),
        Spin("wavelength", "seWaveLength", 1, 100000, 30, "distance between crests",
             [](TGraphicFilter& f, double v) { As<TWavesFilter>(f).SetWaveLength(v); }),
        Spin("phase", "sePhase", -100000, 100000, 30, "phase in degrees",
             [](TGraphicFilter& f, double v) { As<TWavesFilter>(f).SetPhase(v); }),
        Flag("reflective", "chkReflective", false, "displace outwards only",
             [](TGraphicFilter& f, double v) { As<TWavesFilter>(f).SetReflective(v != 0); }),
        Flag("regular", "chkRegular", true, "circles instead of ellipses fitted to the box",
             [](TGraphicFilter& f, double v) { As<TWavesFilter>(f).SetRegular(v != 0); }),
    };
    t.push_back(std::move(waves));

    TFilterInfo lens = Row(17, "Lens", "moLens", "Lens", "TfrmFilterLens", "Lens", 20028,
                           "TLensFilter", NewFilter<TLensFilter>);
    lens.Params = {
        Slider("refraction", "SlideBar", 10, 100, 10, Tenth, "refractive index",
               [](TGraphicFilter& f, double v) { As<TLensFilter>(f).SetRefraction(v); })};
    t.push_back(std::move(lens));

    TFilterInfo fish = Row(18, "FishEye", "moFishEye", "FishEye", "TfrmFilterFishEye", "Fish Eye",
                           20029, "TFishEyeFilter", NewFilter<TFishEyeFilter>);
    // The slider reads 0 when the dialog opens, but the filter starts at one iteration.
    fish.Params = {Slider(
        "amount", "SlideBar", 0, 5, 1, Same, "iterations",
        [](TGraphicFilter& f, double v) { As<TFishEyeFilter>(f).SetIterations(Round(v)); }, true)};
    t.push_back(std::move(fish));

    TFilterInfo whirl =
        Row(19, "WhirlPinch", "moWhirlandPinch", "Whirl and Pinch", "TfrmFilterWhirlPinch",
            "Whirl and Pinch", 20030, "TWhirlPinchFilter", NewFilter<TWhirlPinchFilter>);
    whirl.Params = {
        Spin("whirl", "seWhirl", -100000, 100000, 0, "twist at the centre in degrees",
             [](TGraphicFilter& f, double v) { As<TWhirlPinchFilter>(f).SetWhirl(v); }),
        Slider("pinch", "sePinch", -300, 100, 0, Hundredth, "pinch (positive) or bulge",
               [](TGraphicFilter& f, double v) { As<TWhirlPinchFilter>(f).SetPinch(v); }),
    };
    t.push_back(std::move(whirl));

    TFilterInfo mirror = Row(21, "Mirror", "moMirror", "Mirror", "TfrmFilterMirror", "Mirror",
                             20032, "TMirrorFilter", NewFilter<TMirrorFilter>);
    mirror.Params = {
        Flag("horizontal", "chkHorizontal", false, "flip left and right",
             [](TGraphicFilter& f, double v) { As<TMirrorFilter>(f).SetHorizontal(v != 0); }),
        Flag("vertical", "chkVertical", false, "flip top and bottom",
             [](TGraphicFilter& f, double v) { As<TMirrorFilter>(f).SetVertical(v != 0); }),
    };
    t.push_back(std::move(mirror));
}

void AddNeighbourhoodRows(std::vector<TFilterInfo>& t) {
    TFilterInfo emboss = Row(13, "Emboss", "moEmboss", "Emboss", "TfrmFilterEmboss", "Emboss",
                             20024, "TEmbossFilter", NewFilter<TEmbossFilter>);
    emboss.Params = {
        Spin("azimuth", "seAzimuth", -100000, 100000, 45, "light direction in degrees",
             [](TGraphicFilter& f, double v) { As<TEmbossFilter>(f).SetAzimuth(v); }),
        Spin("elevation", "seElevation", -100000, 100000, 45, "light height in degrees",
             [](TGraphicFilter& f, double v) { As<TEmbossFilter>(f).SetElevation(v); }),
        Spin("width", "seWidth", 0, 100000, 10, "relief depth (at least 0.1)",
             [](TGraphicFilter& f, double v) { As<TEmbossFilter>(f).SetDepth(v); }),
        Flag("color", "chkColor", false, "shade the colours instead of making grey",
             [](TGraphicFilter& f, double v) { As<TEmbossFilter>(f).SetColored(v != 0); }),
    };
    t.push_back(std::move(emboss));

    TFilterInfo split = Row(15, "SplitBlur", "moSplitBlur", "SplitBlur", "TfrmFilterSplitBlur",
                            "Split Blur", 20026, "TSplitBlurFilter", NewFilter<TSplitBlurFilter>);
    split.Params = {
        Slider(
            "radius-x", "sbRadiusX", 0, 100, 0, Same, "horizontal distance of the corners",
            [](TGraphicFilter& f, double v) { As<TSplitBlurFilter>(f).SetRadiusX(Round(v)); },
            true),
        Slider(
            "radius-y", "sbRadiusY", 0, 100, 0, Same, "vertical distance of the corners",
            [](TGraphicFilter& f, double v) { As<TSplitBlurFilter>(f).SetRadiusY(Round(v)); },
            true),
    };
    // Beyond the largest picture side every corner is an edge pixel.
    for (TFilterParam& p : split.Params) p.ValueMax = kMaxPictureSide;
    t.push_back(std::move(split));

    TFilterInfo motion =
        Row(16, "MotionBlur", "moMotionBlur", "Motion Blur", "TfrmFilterMotionBlur", "Motion Blur",
            20027, "TMotionBlurFilter", NewFilter<TMotionBlurFilter>);
    motion.Params = {
        Spin("amount", "seAmount", 0, 1000, 0, "length of the streak in pixels",
             [](TGraphicFilter& f, double v) { As<TMotionBlurFilter>(f).SetLength(Round(v)); }),
        Spin("angle", "seAngle", -100000, 100000, 0, "direction in degrees",
             [](TGraphicFilter& f, double v) { As<TMotionBlurFilter>(f).SetAngle(v); }),
    };
    t.push_back(std::move(motion));

    TFilterInfo blur = Row(24, "Blur", "moBlur", "Blur", "TfrmFilterBlur", "Blur", 20035,
                           "TBlurFilter", NewFilter<TBlurFilter>);
    blur.Params = {Slider(
        "amount", "sbAmount", 0, 15, 0, Same, "radius of the square window (0 counts as 1)",
        [](TGraphicFilter& f, double v) { As<TBlurFilter>(f).SetRadius(Round(v)); }, true)};
    // The slider stops at 15; the filter itself takes radii up to 255.
    blur.Params[0].ValueMax = 255;
    t.push_back(std::move(blur));

    // The dialog lists the median first; the amount is a third of the radius for it, so the
    // method must be set before the amount (the table order does that).
    static constexpr uint8_t methods[3] = {TRoughFilter::rmMedian, TRoughFilter::rmMinimum,
                                           TRoughFilter::rmMaximum};
    TFilterInfo rank = Row(25, "Rank", "moRank", "Rank", "TfrmFilterRough", "Rank", 20038,
                           "TRoughFilter", NewFilter<TRoughFilter>);
    rank.Params = {
        Choice("method", "rgMethod", {"Median", "Minimum", "Maximum"}, 0,
               "median reduces noise, minimum erodes, maximum dilates",
               [](TGraphicFilter& f, double v) {
                   As<TRoughFilter>(f).SetMethod(methods[IClamp(Round(v), 0, 2)]);
               }),
        Slider(
            "amount", "sbAmount", 0, 15, 0, Same,
            "window radius up to 255 (the median's is a third of it; 0 counts as 1)",
            [](TGraphicFilter& f, double v) {
                TRoughFilter& r = As<TRoughFilter>(f);
                const int32_t p = Round(v);
                r.SetRadius(r.Method() == TRoughFilter::rmMedian ? p / 3 : p);
            },
            true),
    };
    rank.Params[1].ValueMax = 3 * 255 + 2;
    t.push_back(std::move(rank));
}

void AddTextureRows(std::vector<TFilterInfo>& t) {
    TFilterInfo plasma = Row(14, "Plasma", "moPlasma", "Plasma", "TfrmFilterPlasma", "Plasma",
                             20025, "TPlasmaFilter", NewFilter<TPlasmaFilter>);
    plasma.Params = {
        Slider(
            "turbulence", "sbTurbulence", 0, 100, 0, [](int32_t p) { return p + 1.0; },
            "how fast the offsets turn with luminance",
            [](TGraphicFilter& f, double v) { As<TPlasmaFilter>(f).SetTurbulence(v); }),
        Slider("scale", "sbScale", 0, 100, 0, Same, "largest offset in pixels",
               [](TGraphicFilter& f, double v) { As<TPlasmaFilter>(f).SetScale(v); }),
    };
    // The dialog opens at 1; the filter starts at its least turbulence.
    plasma.Params[0].Unset = 0.01;
    plasma.Params[0].ValueMin = 0.01;
    t.push_back(std::move(plasma));

    TFilterInfo marble = Row(22, "Marble", "moMarble", "Marble", "TfrmFilterMarble", "Marble",
                             20033, "TMarbleFilter", NewFilter<TMarbleFilter>);
    marble.Params = {
        Slider(
            "turbulence", "sbTurbulence", 0, 100, 0, Same, "period of the veins (at least 1)",
            [](TGraphicFilter& f, double v) { As<TMarbleFilter>(f).SetTurbulence(Round(v)); },
            true),
        Slider("scale", "sbScale", 0, 100, 0, Tenth, "strength of the veins (at least 0.1)",
               [](TGraphicFilter& f, double v) { As<TMarbleFilter>(f).SetScale(v); }),
    };
    // The dialog opens at 0, which the filter raises to its least values.
    marble.Params[0].Unset = 1;
    marble.Params[1].Unset = 0.1;
    t.push_back(std::move(marble));
}

void AddHistogramRows(std::vector<TFilterInfo>& t) {
    TFilterInfo show = Row(26, "HistogramShow", "moHistogramShow", "Show", "TfrmHistogram",
                           "Histogram", 20039, "THistogram", NewFilter<THistogram>);
    show.MenuParent = QStringLiteral("Histogram");
    show.WholeImage = true;
    show.Params = {Choice("channel", "cmbChannels", {"Intensity", "Red", "Green", "Blue"}, 0,
                          "the counts drawn", [](TGraphicFilter& f, double v) {
                              As<THistogram>(f).ShownChannel = IClamp(Round(v), 0, 3);
                          })};
    t.push_back(std::move(show));

    TFilterInfo equalize = Row(27, "HistogramEqualize", "moHistogramEqualize", "Equalize", "", "",
                               0, "THistogram", NewFilter<THistogram>);
    equalize.MenuParent = QStringLiteral("Histogram");
    equalize.WholeImage = true;
    t.push_back(std::move(equalize));
}

} // namespace

void AddNeighbourhoodAndDisplacementRows(std::vector<TFilterInfo>& t) {
    AddNoiseRow(t);
    AddDisplacementRows(t);
    AddNeighbourhoodRows(t);
    AddTextureRows(t);
    AddHistogramRows(t);
}

void ShowHistogram(const TDibContainer& Image, TDibContainer& Picture,
                   const std::function<void(TGraphicFilter&)>& configure) {
    Picture = TDibContainer();
    if (Image.Empty()) return;
    THistogram h(TRect{0, 0, Image.Width() - 1, Image.Height() - 1}, Image);
    if (configure) configure(h);
    h.SetPass(1);
    // The counting pass reads its source and writes nothing, so the image can be its target.
    const_cast<TDibContainer&>(Image).FillRect(0, 0, Image.Width() - 1, Image.Height() - 1,
                                               h.SpanProc);
    DrawHistogramChannel(h, h.ShownChannel, Picture);
}

} // namespace kolvar
