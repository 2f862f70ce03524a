#include "filters/GraphicFilterTable.h"

#include "filters/Convolution.h"
#include "filters/GraphicFilterTableRows.h"
#include "filters/uFilters.h"
#include "raster/DibMath.h"

#include <algorithm>

namespace kolvar {

namespace {

// The filter a row's setter is given, as the class the row's factory makes.
template <class T> T& As(TGraphicFilter& f) {
    T* p = dynamic_cast<T*>(&f);
    if (!p) throw EFilterError("The parameter does not belong to this filter.");
    return *p;
}

double Percent(int32_t p) {
    return p / 100.0;
}

// A slider or spin edit: control range and initial position, the filter's range and setter.
TFilterParam Number(const char* option, const char* control, int32_t min, int32_t max,
                    std::function<double(int32_t)> from, double vmin, double vmax, const char* help,
                    std::function<void(TGraphicFilter&, double)> set) {
    TFilterParam p;
    p.Option = QString::fromLatin1(option);
    p.Control = QString::fromLatin1(control);
    p.Min = min;
    p.Max = max;
    p.FromPosition = std::move(from);
    p.ValueMin = vmin;
    p.ValueMax = vmax;
    p.Help = QString::fromLatin1(help);
    p.SetValue = std::move(set);
    return p;
}

TFilterParam Whole(TFilterParam p) {
    p.Integer = true;
    return p;
}

TFilterParam Text(const char* option, const char* control, const char* help,
                  std::function<void(TGraphicFilter&, const QString&)> set) {
    TFilterParam p;
    p.Option = QString::fromLatin1(option);
    p.Control = QString::fromLatin1(control);
    p.Kind = TFilterParamKind::fpText;
    p.Help = QString::fromLatin1(help);
    p.SetText = std::move(set);
    return p;
}

constexpr auto Row = MakeFilterInfo;

// ---- Colour filters ------------------------------------------------------------------------

double ToOffset(int32_t p) {
    return Round(p / 100.0 * 255);
}

void AddColourRows(std::vector<TFilterInfo>& t) {
    TFilterInfo hsl = Row(0, "HSL", "moHSL", "HSL", "TfrmFilterHSL", "H S L", 20015, "THSLFilter",
                          NewFilter<THSLFilter>);
    hsl.Params = {
        Number("hue", "SlideBarH", -100, 100, Percent, -1, 1, "hue shift in turns",
               [](TGraphicFilter& f, double v) { As<THSLFilter>(f).SetHueShift(v); }),
        Number("saturation", "SlideBarS", -100, 100, Percent, -1, 1, "saturation shift",
               [](TGraphicFilter& f, double v) { As<THSLFilter>(f).SetSaturationShift(v); }),
        Number("lightness", "SlideBarL", -100, 100, Percent, -1, 1, "lightness shift",
               [](TGraphicFilter& f, double v) { As<THSLFilter>(f).SetLightnessShift(v); }),
    };
    t.push_back(std::move(hsl));

    // The dialog's hue slider moves at most one degree; the filter itself takes a full turn.
    TFilterInfo hsv = Row(1, "HSV", "moHSV", "HSV", "TfrmFilterHSV", "H S V", 20016, "THSVFilter",
                          NewFilter<THSVFilter>);
    hsv.Params = {
        Number("hue", "SlideBarH", -100, 100, Percent, -360, 360, "hue shift in degrees",
               [](TGraphicFilter& f, double v) { As<THSVFilter>(f).SetHueShift(v); }),
        Number("saturation", "SlideBarS", -100, 100, Percent, -1, 1, "saturation shift",
               [](TGraphicFilter& f, double v) { As<THSVFilter>(f).SetSaturationShift(v); }),
        Number("value", "SlideBarV", -100, 100, Percent, -1, 1, "value shift",
               [](TGraphicFilter& f, double v) { As<THSVFilter>(f).SetValueShift(v); }),
    };
    t.push_back(std::move(hsv));

    TFilterInfo lab = Row(2, "LAB", "moLAB", "LAB", "TfrmFilterLAB", "L A B", 20017, "TLABFilter",
                          NewFilter<TLABFilter>);
    const auto ab = [](int32_t p) { return p / 100.0 * 255; };
    lab.Params = {
        Number(
            "l", "SlideBarL", -100, 100, [](int32_t p) { return double(p); }, -100, 100, "L* shift",
            [](TGraphicFilter& f, double v) { As<TLABFilter>(f).SetLShift(v); }),
        Number("a", "SlideBarA", -100, 100, ab, -255, 255, "a* shift",
               [](TGraphicFilter& f, double v) { As<TLABFilter>(f).SetAShift(v); }),
        Number("b", "SlideBarB", -100, 100, ab, -255, 255, "b* shift",
               [](TGraphicFilter& f, double v) { As<TLABFilter>(f).SetBShift(v); }),
    };
    t.push_back(std::move(lab));

    TFilterInfo rgb = Row(3, "RGB", "moRGB", "RGB", "TfrmFilterRGB", "R G B", 20018, "TRGBFilter",
                          NewFilter<TRGBFilter>);
    rgb.Params = {
        Whole(
            Number("red", "SlideBarR", -100, 100, ToOffset, -255, 255, "red offset",
                   [](TGraphicFilter& f, double v) { As<TRGBFilter>(f).SetRedOffset(Round(v)); })),
        Whole(Number(
            "green", "SlideBarG", -100, 100, ToOffset, -255, 255, "green offset",
            [](TGraphicFilter& f, double v) { As<TRGBFilter>(f).SetGreenOffset(Round(v)); })),
        Whole(
            Number("blue", "SlideBarB", -100, 100, ToOffset, -255, 255, "blue offset",
                   [](TGraphicFilter& f, double v) { As<TRGBFilter>(f).SetBlueOffset(Round(v)); })),
    };
    t.push_back(std::move(rgb));

    TFilterInfo contrast = Row(4, "Contrast", "moContrast", "Contrast", "TfrmFilterContrast",
                               "Contrast", 20036, "TContrastFilter", NewFilter<TContrastFilter>);
    contrast.Params = {
        Number("amount", "SlideBarContrast", -100, 100, Percent, -1, 1, "contrast change",
               [](TGraphicFilter& f, double v) { As<TContrastFilter>(f).SetAmount(v); })};
    t.push_back(std::move(contrast));

    TFilterInfo lightness =
        Row(5, "Lightness", "moLightness", "Lightness", "TfrmFilterLightness", "Lightness", 20019,
            "TLightnessFilter", NewFilter<TLightnessFilter>);
    lightness.Params = {
        Number("amount", "SlideBar", -100, 100, Percent, -1, 1, "lightness change",
               [](TGraphicFilter& f, double v) { As<TLightnessFilter>(f).SetAmount(v); })};
    t.push_back(std::move(lightness));

    TFilterInfo solarize = Row(6, "Solarize", "moSolarize", "Solarize", "TfrmFilterSolarize",
                               "Solarize", 20020, "TSolarizeFilter", NewFilter<TSolarizeFilter>);
    solarize.Params = {
        Number("amount", "SlideBar", 0, 100, Percent, 0, 1, "share of levels inverted",
               [](TGraphicFilter& f, double v) { As<TSolarizeFilter>(f).SetAmount(v); })};
    t.push_back(std::move(solarize));

    TFilterInfo posterize =
        Row(7, "Posterize", "moPosterize", "Posterize", "TfrmFilterPosterize", "Posterize", 20021,
            "TPosterizeFilter", NewFilter<TPosterizeFilter>);
    posterize.Params = {
        Number("amount", "SlideBar", 0, 100, Percent, 0, 1, "level step as a share of 255",
               [](TGraphicFilter& f, double v) { As<TPosterizeFilter>(f).SetAmount(v); })};
    t.push_back(std::move(posterize));

    t.push_back(Row(8, "Grayscale", "moGrayScale", "Grayscale", "", "", 0, "TGrayScaleFilter",
                    NewFilter<TGrayScaleFilter>));
    t.push_back(Row(9, "Negative", "moNegative", "Negative", "", "", 0, "TNegativeFilter",
                    NewFilter<TNegativeFilter>));
}

// ---- Convolution and Sobel -----------------------------------------------------------------

void SetPreset(TGraphicFilter& f, const QString& name) {
    TConvolutionDefList presets;
    LoadConvolutionDefinitions(presets);
    const TConvolutionFilterDef* def = FindConvolutionDefinition(presets, name);
    if (!def) throw EFilterError(QStringLiteral("Unknown convolution preset \"%1\".").arg(name));
    As<TConvolutionFilter>(f).Definition.Assign(*def);
}

// Sets one channel of the offset; channel 0 is red, 1 green, 2 blue.
void SetOffsetChannel(TGraphicFilter& f, int channel, double v) {
    TConvolutionFilterDef& def = As<TConvolutionFilter>(f).Definition;
    TDibColor c = def.Offset();
    const uint8_t b = uint8_t(ClampRound(v, 0, 255));
    (channel == 0 ? c.Red : channel == 1 ? c.Green : c.Blue) = b;
    def.SetOffset(c);
}

TFilterParam OffsetParam(const char* option, const char* control, int channel) {
    TFilterParam p =
        Whole(Number(option, control, 0, 255, nullptr, 0, 255, "",
                     [channel](TGraphicFilter& f, double v) { SetOffsetChannel(f, channel, v); }));
    p.Help = QStringLiteral("%1 added to every %1 sum").arg(QString::fromLatin1(option));
    return p;
}

void AddConvolutionRows(std::vector<TFilterInfo>& t) {
    TFilterInfo conv =
        Row(20, "Convolution", "moConvolution", "Convolution", "TfrmFilterConvolution",
            "Convolution", 20031, "TConvolutionFilter", NewFilter<TConvolutionFilter>);
    TFilterParam divisor =
        Number("divisor", "edDivisor", 0, 0, nullptr, -1e9, 1e9,
               "every weight is divided by it (0 counts as 1)", [](TGraphicFilter& f, double v) {
                   As<TConvolutionFilter>(f).Definition.SetDivisor(v);
               });
    divisor.Default = 1.0;
    conv.Params = {
        Text("preset", "cmbDefs", "a shipped kernel by name (see the list below)", SetPreset),
        Text("kernel", "Grid, seRows, seCols",
             "weights, rows separated by \"/\", e.g. \"0 1 0/1 -4 1/0 1 0\"",
             [](TGraphicFilter& f, const QString& s) {
                 SetKernelFromText(As<TConvolutionFilter>(f).Definition, s);
             }),
        divisor,
        OffsetParam("red", "seRed", 0),
        OffsetParam("green", "seGreen", 1),
        OffsetParam("blue", "seBlue", 2),
    };
    t.push_back(std::move(conv));

    TFilterInfo sobel = Row(23, "Sobel", "moSobel", "Sobel", "TfrmFilterSobel", "Sobel", 20034,
                            "TSobelFilter", NewFilter<TSobelFilter>);
    sobel.Params = {Number(
        "magnifier", "sbMagnifier", 0, 50, [](int32_t p) { return p / 10.0; }, 0, 5,
        "edge strength factor",
        [](TGraphicFilter& f, double v) { As<TSobelFilter>(f).SetMagnifier(v); })};
    // The slider starts where the filter does, at a magnifier of 1.
    sobel.Params[0].Initial = 10;
    t.push_back(std::move(sobel));
}

std::vector<TFilterInfo> BuildTable() {
    std::vector<TFilterInfo> t;
    AddColourRows(t);
    AddConvolutionRows(t);
    AddNeighbourhoodAndDisplacementRows(t);
    std::stable_sort(t.begin(), t.end(),
                     [](const TFilterInfo& a, const TFilterInfo& b) { return a.Tag < b.Tag; });
    return t;
}

QString Squeezed(const QString& s) {
    QString r = s.toLower();
    r.remove(QLatin1Char(' '));
    return r;
}

} // namespace

const std::vector<TFilterInfo>& FilterTable() {
    static const std::vector<TFilterInfo> table = BuildTable();
    return table;
}

const TFilterInfo* FindFilter(int32_t Tag) {
    for (const TFilterInfo& r : FilterTable())
        if (r.Tag == Tag) return &r;
    return nullptr;
}

const TFilterInfo* FindFilter(const QString& Name) {
    const QString key = Squeezed(Name);
    for (const TFilterInfo& r : FilterTable())
        if (Squeezed(r.Name) == key) return &r;
    return nullptr;
}

void ApplyFilterInfo(const TFilterInfo& Info, TDibContainer& Image,
                     const TFilterSelection* Selection,
                     const std::function<void(TGraphicFilter&)>& configure, int32_t Bands) {
    if (Info.Direct())
        ApplyFilterDirect(Info.Create, Image, Selection, Info.WholeImage, Bands);
    else
        ApplyFilterSparingMemory(Info.Create, Image, Selection, configure, {}, Bands);
}

} // namespace kolvar
