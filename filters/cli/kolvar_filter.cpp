// kolvar-filter: applies one filter of the filter table to an image file and writes the result.
//
//   kolvar-filter FILTER [--PARAM VALUE ...] [--rect L,T,R,B | --polygon X,Y,X,Y,... ...]
//                 INPUT OUTPUT
//
// Exit status: 0 done, 1 a file could not be read or written, 2 a bad command line.

#include "filters/Convolution.h"
#include "filters/GraphicFilterTable.h"
#include "filters/GraphicFilterTableRows.h"
#include "formats/BmpCodec.h"
#include "raster/DibGeometry.h"
#include "raster/DibMath.h"

#include <QElapsedTimer>
#include <QImage>
#include <QString>
#include <QStringList>
#include <QTextStream>

#include <cmath>
#include <cstdio>
#include <map>
#include <optional>

using namespace kolvar;

namespace {

constexpr int ExitFile = 1;
constexpr int ExitUsage = 2;

// A command-line mistake; its text is shown as it is.
struct TUsageError {
    QString Text;
};

QTextStream& Out() {
    static QTextStream s(stdout);
    return s;
}

QTextStream& Err() {
    static QTextStream s(stderr);
    return s;
}

QString Number(double v) {
    return QString::number(v, 'g', 10);
}

QString ParamLine(const TFilterParam& p) {
    QString line = QStringLiteral("    --%1").arg(p.Option);
    switch (p.Kind) {
    case TFilterParamKind::fpNumber:
        line += QStringLiteral(" %1..%2 (default %3)")
                    .arg(Number(p.ValueMin), Number(p.ValueMax), Number(p.InitialValue()));
        if (p.Integer) line += QStringLiteral(", whole numbers");
        break;
    case TFilterParamKind::fpChoice:
        line += QStringLiteral(" %1 (default %2)")
                    .arg(p.Choices.join(QLatin1Char('|')), p.Choices.value(p.Initial));
        break;
    case TFilterParamKind::fpFlag:
        line += QStringLiteral(" [on|off] (default %1)").arg(p.Initial ? "on" : "off");
        break;
    case TFilterParamKind::fpText:
        line += QStringLiteral(" TEXT");
        break;
    }
    return line + QStringLiteral(": ") + p.Help;
}

void PrintHelp() {
    QTextStream& o = Out();
    o << "usage: kolvar-filter FILTER [--PARAM VALUE ...] [SELECTION] INPUT OUTPUT\n"
         "       kolvar-filter --help\n\n"
         "Applies FILTER to the BMP picture INPUT and writes the result to OUTPUT as a 24-bit\n"
         "BMP. Parameters may also be written --PARAM=VALUE; numbers use \".\" as decimal\n"
         "separator. Parameters left out keep the values the filter's dialog opens with.\n\n"
         "SELECTION limits the filter to part of the picture (default: all of it):\n"
         "    --rect L,T,R,B          a rectangle, all four edges inclusive\n"
         "    --polygon X,Y,X,Y,...   a polygon (at least three points); repeat the option for\n"
         "                            a polygon set, filled even-odd\n\n"
         "Other options:\n"
         "    --timing                print the time the filter took to standard error\n\n"
         "Filters:\n";
    for (const TFilterInfo& f : FilterTable()) {
        o << "  " << f.Name;
        if (f.Direct()) o << " (no parameters)";
        o << "\n";
        for (const TFilterParam& p : f.Params) o << ParamLine(p) << "\n";
    }
    TConvolutionDefList presets;
    LoadConvolutionDefinitions(presets);
    o << "\nConvolution presets:\n";
    for (const TConvolutionDefItem& item : presets) o << "    \"" << item.Name << "\"\n";
    o << "\nExamples:\n"
         "  kolvar-filter Contrast --amount 0.5 in.bmp out.bmp\n"
         "  kolvar-filter Convolution --preset \"Mexican Hat\" in.bmp out.bmp\n"
         "  kolvar-filter Negative --polygon 10,10,200,40,120,180 in.bmp out.bmp\n"
         "  kolvar-filter HistogramShow --channel red in.bmp histogram.bmp\n";
    o.flush();
}

// ---- Command line ------------------------------------------------------------------------

struct TCommand {
    const TFilterInfo* Filter = nullptr;
    QStringList Files;
    std::map<const TFilterParam*, QString> Values;
    TFilterSelection Selection;
    bool Timing = false;
};

std::vector<int32_t> Integers(const QString& option, const QString& text) {
    std::vector<int32_t> v;
    for (const QString& part : text.split(QLatin1Char(','))) {
        bool ok = false;
        const int32_t n = part.trimmed().toInt(&ok);
        if (!ok)
            throw TUsageError{QStringLiteral("--%1 expects whole numbers separated by commas, "
                                             "not \"%2\".")
                                  .arg(option, text)};
        v.push_back(n);
    }
    return v;
}

void AddRect(TCommand& cmd, const QString& text) {
    if (cmd.Selection.Kind != TFilterSelection::fsNone)
        throw TUsageError{QStringLiteral("Give either one --rect or --polygon options.")};
    const std::vector<int32_t> v = Integers(QStringLiteral("rect"), text);
    if (v.size() != 4) throw TUsageError{QStringLiteral("--rect expects L,T,R,B.")};
    cmd.Selection.Kind = TFilterSelection::fsRectangle;
    cmd.Selection.Rect = NormalizeRect(TRect{v[0], v[1], v[2], v[3]});
}

void AddPolygon(TCommand& cmd, const QString& text) {
    if (cmd.Selection.Kind == TFilterSelection::fsRectangle)
        throw TUsageError{QStringLiteral("Give either one --rect or --polygon options.")};
    const std::vector<int32_t> v = Integers(QStringLiteral("polygon"), text);
    if (v.size() % 2 != 0 || v.size() < 6)
        throw TUsageError{QStringLiteral("--polygon expects at least three X,Y points.")};
    TFilterSelection& s = cmd.Selection;
    // The per-polygon counts are kept from the first polygon on; a single polygon drops them.
    std::vector<int32_t> counts;
    for (int32_t i = 0; i < s.Counts.Count(); ++i) counts.push_back(s.Counts.Items(i));
    if (s.Kind == TFilterSelection::fsPolygon && counts.empty()) counts.push_back(s.Points.Count());
    for (size_t i = 0; i < v.size(); i += 2) s.Points.Add(v[i], v[i + 1]);
    s.Kind = TFilterSelection::fsPolygon;
    if (!counts.empty()) {
        counts.push_back(int32_t(v.size() / 2));
        s.Counts.Clear();
        for (int32_t c : counts) s.Counts.Add(c);
    }
}

const TFilterParam& FindParam(const TCommand& cmd, const QString& option) {
    if (!cmd.Filter)
        throw TUsageError{QStringLiteral("Name the filter before its parameter --%1.").arg(option)};
    const TFilterParam* p = cmd.Filter->FindParam(option);
    if (!p)
        throw TUsageError{QStringLiteral("%1 has no parameter --%2 (see kolvar-filter --help).")
                              .arg(cmd.Filter->Name, option)};
    return *p;
}

TCommand ParseCommandLine(const QStringList& args) {
    TCommand cmd;
    for (qsizetype i = 0; i < args.size(); ++i) {
        const QString& arg = args[i];
        if (!arg.startsWith(QStringLiteral("--")) || arg == QStringLiteral("--")) {
            if (!cmd.Filter) {
                cmd.Filter = FindFilter(arg);
                if (!cmd.Filter)
                    throw TUsageError{
                        QStringLiteral("Unknown filter \"%1\" (see kolvar-filter --help).")
                            .arg(arg)};
            } else {
                cmd.Files << arg;
            }
            continue;
        }
        QString option = arg.mid(2), value;
        const qsizetype eq = option.indexOf(QLatin1Char('='));
        const bool inlineValue = eq >= 0;
        if (inlineValue) {
            value = option.mid(eq + 1);
            option.truncate(eq);
        }
        if (option == QStringLiteral("timing")) {
            cmd.Timing = true;
            continue;
        }
        const bool selection =
            option == QStringLiteral("rect") || option == QStringLiteral("polygon");
        const TFilterParam* param = selection ? nullptr : &FindParam(cmd, option);
        const bool needsValue = !param || param->Kind != TFilterParamKind::fpFlag;
        if (!inlineValue && needsValue) {
            if (i + 1 >= args.size())
                throw TUsageError{QStringLiteral("--%1 needs a value.").arg(option)};
            value = args[++i];
        } else if (!inlineValue) {
            value = QStringLiteral("on");
        }
        if (option == QStringLiteral("rect"))
            AddRect(cmd, value);
        else if (option == QStringLiteral("polygon"))
            AddPolygon(cmd, value);
        else
            cmd.Values[param] = value;
    }
    if (!cmd.Filter) throw TUsageError{QStringLiteral("Name a filter (see kolvar-filter --help).")};
    if (cmd.Files.size() != 2)
        throw TUsageError{QStringLiteral("Give one input and one output file.")};
    return cmd;
}

// ---- Parameter values --------------------------------------------------------------------

double NumberValue(const TFilterParam& p, const QString& text) {
    bool ok = false;
    const double v = text.trimmed().toDouble(&ok);
    if (!ok || !std::isfinite(v))
        throw TUsageError{QStringLiteral("--%1 expects a number, not \"%2\".").arg(p.Option, text)};
    if (v < p.ValueMin || v > p.ValueMax)
        throw TUsageError{QStringLiteral("--%1 must lie between %2 and %3.")
                              .arg(p.Option, Number(p.ValueMin), Number(p.ValueMax))};
    if (p.Integer && v != std::floor(v))
        throw TUsageError{QStringLiteral("--%1 expects a whole number.").arg(p.Option)};
    return v;
}

double ChoiceValue(const TFilterParam& p, const QString& text) {
    for (qsizetype i = 0; i < p.Choices.size(); ++i)
        if (p.Choices[i].compare(text.trimmed(), Qt::CaseInsensitive) == 0) return double(i);
    throw TUsageError{QStringLiteral("--%1 expects one of %2.")
                          .arg(p.Option, p.Choices.join(QStringLiteral(", ")))};
}

double FlagValue(const TFilterParam& p, const QString& text) {
    const QString t = text.trimmed().toLower();
    if (t == u"on" || t == u"1" || t == u"true" || t == u"yes") return 1;
    if (t == u"off" || t == u"0" || t == u"false" || t == u"no") return 0;
    throw TUsageError{QStringLiteral("--%1 expects on or off.").arg(p.Option)};
}

// Checks every value before the picture is read, so that a mistake costs nothing.
std::map<const TFilterParam*, double> CheckValues(const TCommand& cmd) {
    std::map<const TFilterParam*, double> numbers;
    for (const auto& [p, text] : cmd.Values) {
        switch (p->Kind) {
        case TFilterParamKind::fpNumber:
            numbers[p] = NumberValue(*p, text);
            break;
        case TFilterParamKind::fpChoice:
            numbers[p] = ChoiceValue(*p, text);
            break;
        case TFilterParamKind::fpFlag:
            numbers[p] = FlagValue(*p, text);
            break;
        case TFilterParamKind::fpText:
            break;
        }
    }
    return numbers;
}

// Sets the given parameters in table order, so a preset is laid down before the values that
// change parts of it.
void Configure(const TCommand& cmd, const std::map<const TFilterParam*, double>& numbers,
               TGraphicFilter& filter) {
    for (const TFilterParam& p : cmd.Filter->Params) {
        const auto text = cmd.Values.find(&p);
        if (text == cmd.Values.end()) continue;
        if (p.Kind == TFilterParamKind::fpText)
            p.SetText(filter, text->second);
        else
            p.SetValue(filter, numbers.at(&p));
    }
}

int Run(const QStringList& args) {
    const TCommand cmd = ParseCommandLine(args);
    const auto numbers = CheckValues(cmd);
    // A trial on a one-pixel picture reports a bad preset or kernel before any file is read.
    const TDibContainer trialImage(1, 1);
    Configure(cmd, numbers, *cmd.Filter->Create(TRect{0, 0, 0, 0}, trialImage));

    TDibContainer image;
    try {
        image.AssignBitmap(LoadBmpFile(cmd.Files[0]));
    } catch (const Exception& e) {
        Err() << "Could not read file " << cmd.Files[0] << ": " << e.Message() << "\n";
        return ExitFile;
    }
    if (image.Empty()) {
        Err() << "Could not read file " << cmd.Files[0] << ".\n";
        return ExitFile;
    }

    QElapsedTimer clock;
    clock.start();
    const auto configure = [&](TGraphicFilter& f) { Configure(cmd, numbers, f); };
    if (cmd.Filter->Tag == 26) {
        // "Show" writes the picture of the chosen channel's counts instead of the image.
        TDibContainer picture;
        ShowHistogram(image, picture, configure);
        image = std::move(picture);
    } else {
        ApplyFilterInfo(*cmd.Filter, image,
                        cmd.Selection.Kind == TFilterSelection::fsNone ? nullptr : &cmd.Selection,
                        configure);
    }
    if (cmd.Timing) Err() << "filter: " << clock.elapsed() << " ms\n";

    try {
        SaveBmp24(cmd.Files[1], image.ToImage());
    } catch (const Exception& e) {
        Err() << "Could not write file " << cmd.Files[1] << ": " << e.Message() << "\n";
        return ExitFile;
    }
    return 0;
}

} // namespace

int main(int argc, char** argv) {
    QStringList args;
    for (int i = 1; i < argc; ++i) args << QString::fromLocal8Bit(argv[i]);
    if (args.isEmpty() || args.contains(QStringLiteral("--help")) ||
        args.contains(QStringLiteral("-h"))) {
        PrintHelp();
        return args.isEmpty() ? ExitUsage : 0;
    }
    try {
        return Run(args);
    } catch (const TUsageError& e) {
        Err() << "kolvar-filter: " << e.Text << "\n";
        return ExitUsage;
    } catch (const EFilterError& e) {
        Err() << "kolvar-filter: " << e.Message() << "\n";
        return ExitUsage;
    } catch (const std::exception& e) {
        Err() << "kolvar-filter: " << e.what() << "\n";
        return ExitFile;
    }
}
