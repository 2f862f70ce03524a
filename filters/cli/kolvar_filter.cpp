// kolvar-filter: applies one filter of the filter table to picture files and writes the results.
//
//   kolvar-filter FILTER [--PARAM VALUE ...] [--rect L,T,R,B | --polygon X,Y,X,Y,... ...]
//                 [--quality N] INPUT OUTPUT
//   kolvar-filter FILTER [...] [--format EXT] --output-dir DIR INPUT...
//
// Exit status: 0 done, 1 a file could not be read or written, 2 a bad command line.

#include "filters/Convolution.h"
#include "filters/GraphicFilterTable.h"
#include "filters/GraphicFilterTableRows.h"
#include "formats/DibData.h"
#include "formats/DibFile.h"
#include "raster/DibGeometry.h"
#include "raster/DibMath.h"

#include <QDir>
#include <QElapsedTimer>
#include <QFile>
#include <QFileInfo>
#include <QString>
#include <QStringList>
#include <QTextStream>

#include <unistd.h>

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
                    .arg(Number(p.ValueMin), Number(p.ValueMax), Number(p.UnsetValue()));
        if (p.Integer) line += QStringLiteral(", whole numbers");
        break;
    case TFilterParamKind::fpChoice:
        line +=
            QStringLiteral(" %1 (default %2)")
                .arg(p.Choices.join(QLatin1Char('|')), p.Choices.value(qsizetype(p.UnsetValue())));
        break;
    case TFilterParamKind::fpFlag:
        line += QStringLiteral(" [on|off] (default %1)").arg(p.UnsetValue() != 0 ? "on" : "off");
        break;
    case TFilterParamKind::fpText:
        line += QStringLiteral(" TEXT");
        break;
    }
    return line + QStringLiteral(": ") + p.Help;
}

const char* const kUsage =
    "usage: kolvar-filter FILTER [--PARAM VALUE ...] [SELECTION] [OPTIONS] INPUT OUTPUT\n";

void PrintUsageHint() {
    Err() << kUsage
          << "Run \"kolvar-filter --help\" for the filters, their parameters and "
             "the options.\n";
    Err().flush();
}

void PrintHelp() {
    QTextStream& o = Out();
    o << kUsage
      << "       kolvar-filter FILTER [--PARAM VALUE ...] [SELECTION] [OPTIONS]\n"
         "                     --output-dir DIR INPUT...\n"
         "       kolvar-filter --help | --version\n\n"
         "Applies FILTER to the picture INPUT and writes the result to OUTPUT, in the format\n"
         "its extension names. Pictures are read from BMP, JPEG (.jpg, .jpeg), GIF, PCX (2, 16\n"
         "or 256 colours; 24-bit PCX is refused), PNG, EMF and WMF files and written as BMP\n"
         "(24 bits), PNG, JPEG, TIFF (.tif, .tiff) or PCX (256 colours). Parameters may be\n"
         "written --PARAM VALUE or --PARAM=VALUE; an on/off parameter alone (--PARAM) means on.\n"
         "Numbers use \".\" as decimal separator.\n"
         "Parameters left out take the defaults shown below.\n\n"
         "SELECTION limits the filter to part of the picture (default: all of it):\n"
         "    --rect L,T,R,B          a rectangle, all four edges inclusive\n"
         "    --polygon X,Y,X,Y,...   a polygon (at least three points); repeat the option for\n"
         "                            a polygon set, filled even-odd\n\n"
         "Other options:\n"
         "    --output-dir DIR        filter every INPUT into DIR, keeping its file name\n"
         "    --format EXT            with --output-dir: write EXT files (bmp, png, jpg, tif,\n"
         "                            pcx) instead of the input's own type (png for types\n"
         "                            that cannot be written)\n"
         "    --quality N             JPEG quality, 1..100 (default 75)\n"
         "    --timing                print the time the filter took to standard error\n\n"
         "While standard error is a terminal, a progress line shows there.\n\n"
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
         "  kolvar-filter Blur --amount 40 photo.jpg blurred.png\n"
         "  kolvar-filter Emboss --color off --output-dir embossed *.png\n"
         "  kolvar-filter Rank --method median --amount 9 --quality 90 in.png out.jpg\n"
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
    QString OutputDir;
    QString Format;
    int Quality = 75;
};

// The words an on/off parameter takes; -1 for any other text.
int FlagWord(const QString& text) {
    const QString t = text.trimmed().toLower();
    if (t == u"on" || t == u"1" || t == u"true" || t == u"yes") return 1;
    if (t == u"off" || t == u"0" || t == u"false" || t == u"no") return 0;
    return -1;
}

int QualityValue(const QString& text) {
    bool ok = false;
    const int q = text.trimmed().toInt(&ok);
    if (!ok || q < 1 || q > 100)
        throw TUsageError{QStringLiteral("--quality expects a whole number from 1 to 100.")};
    return q;
}

QString FormatValue(const QString& text) {
    const QString ext = text.trimmed().toUpper().remove(QLatin1Char('.'));
    if (!DibWritableExtensions().contains(ext))
        throw TUsageError{QStringLiteral("--format expects one of bmp, png, jpg, tif, pcx.")};
    return ext;
}

// The command's own options; false for a filter parameter.
bool CommandOption(TCommand& cmd, const QString& option, const std::function<QString()>& value) {
    if (option == u"timing")
        cmd.Timing = true;
    else if (option == u"output-dir")
        cmd.OutputDir = value();
    else if (option == u"format")
        cmd.Format = FormatValue(value());
    else if (option == u"quality")
        cmd.Quality = QualityValue(value());
    else
        return false;
    return true;
}

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
        const auto takeValue = [&]() {
            if (inlineValue) return value;
            if (i + 1 >= args.size())
                throw TUsageError{QStringLiteral("--%1 needs a value.").arg(option)};
            return args[++i];
        };
        if (CommandOption(cmd, option, takeValue)) continue;
        const bool selection =
            option == QStringLiteral("rect") || option == QStringLiteral("polygon");
        const TFilterParam* param = selection ? nullptr : &FindParam(cmd, option);
        if (param && param->Kind == TFilterParamKind::fpFlag && !inlineValue) {
            // An on/off word after a flag belongs to it; anything else is the next argument.
            const bool word = i + 1 < args.size() && FlagWord(args[i + 1]) >= 0;
            value = word ? args[++i] : QStringLiteral("on");
        } else {
            value = takeValue();
        }
        if (option == QStringLiteral("rect"))
            AddRect(cmd, value);
        else if (option == QStringLiteral("polygon"))
            AddPolygon(cmd, value);
        else
            cmd.Values[param] = value;
    }
    if (!cmd.Filter) throw TUsageError{QStringLiteral("Name a filter (see kolvar-filter --help).")};
    if (cmd.OutputDir.isEmpty() && cmd.Files.size() != 2)
        throw TUsageError{QStringLiteral("Give one input and one output file, or --output-dir "
                                         "and the input files.")};
    if (!cmd.OutputDir.isEmpty() && cmd.Files.isEmpty())
        throw TUsageError{
            QStringLiteral("Give the input files to filter into %1.").arg(cmd.OutputDir)};
    if (!cmd.Format.isEmpty() && cmd.OutputDir.isEmpty())
        throw TUsageError{QStringLiteral("--format goes with --output-dir; otherwise the output's "
                                         "extension chooses the format.")};
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
    const int v = FlagWord(text);
    if (v < 0) throw TUsageError{QStringLiteral("--%1 expects on or off.").arg(p.Option)};
    return v;
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

// The (input, output) pairs the command works through.
std::vector<std::pair<QString, QString>> Jobs(const TCommand& cmd) {
    if (cmd.OutputDir.isEmpty()) return {{cmd.Files[0], cmd.Files[1]}};
    std::vector<std::pair<QString, QString>> jobs;
    const QDir dir(cmd.OutputDir);
    for (const QString& in : cmd.Files) {
        const QFileInfo info(in);
        QString ext = cmd.Format;
        if (ext.isEmpty())
            ext = DibWritableExtensions().contains(info.suffix().toUpper()) ? info.suffix()
                                                                            : QStringLiteral("png");
        jobs.emplace_back(in,
                          dir.filePath(info.completeBaseName() + QLatin1Char('.') + ext.toLower()));
    }
    return jobs;
}

// The progress line on standard error, when that is a terminal.
class TProgressLine {
public:
    TProgressLine(int count) : FCount(count), FShown(isatty(fileno(stderr)) != 0) {}
    ~TProgressLine() {
        if (FShown && FDrawn) Err() << "\n", Err().flush();
    }
    void Show(int index, const QString& file, const QString& stage) {
        if (!FShown) return;
        const QString text = FCount > 1
                                 ? QStringLiteral("[%1/%2] %3: %4")
                                       .arg(index + 1)
                                       .arg(FCount)
                                       .arg(QFileInfo(file).fileName(), stage)
                                 : QStringLiteral("%1: %2").arg(QFileInfo(file).fileName(), stage);
        // Pads over what a longer line before left.
        Err() << "\r" << text.leftJustified(FWidth) << Qt::flush;
        FWidth = int(std::max<qsizetype>(FWidth, text.size()));
        FDrawn = true;
    }

private:
    int FCount;
    bool FShown;
    bool FDrawn = false;
    int FWidth = 0;
};

// The system's reason why a file cannot be opened ("No such file or directory"), or an empty
// text when it can; a picture reader's own complaint would only say that it is no picture.
QString UnreadableReason(const QString& path) {
    QFile f(path);
    return f.open(QIODevice::ReadOnly) ? QString() : f.errorString();
}

// Filters one file; false (with a message) when it could not be read or written.
bool FilterFile(const TCommand& cmd, const std::map<const TFilterParam*, double>& numbers,
                const QString& in, const QString& out, int index, TProgressLine& line) {
    line.Show(index, in, QStringLiteral("reading"));
    if (const QString reason = UnreadableReason(in); !reason.isEmpty()) {
        Err() << "Could not read file " << in << ": " << reason << "\n";
        return false;
    }
    TDibContainer image;
    try {
        LoadDibFile(in, image);
    } catch (const Exception& e) {
        Err() << "Could not read file " << in << ": " << e.Message() << "\n";
        return false;
    }

    QElapsedTimer clock;
    clock.start();
    const auto configure = [&](TGraphicFilter& f) {
        Configure(cmd, numbers, f);
        f.OnProgress = [&](int32_t percent, int32_t pass, int32_t passes) {
            const int32_t share = ((pass - 1) * 100 + percent) / std::max(passes, 1);
            line.Show(index, in, QStringLiteral("filtering %1%").arg(share));
        };
    };
    line.Show(index, in, QStringLiteral("filtering"));
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

    line.Show(index, in, QStringLiteral("writing"));
    try {
        TDibSaveOptions options;
        options.Quality = cmd.Quality;
        SaveDibFile(out, image, options);
    } catch (const Exception& e) {
        Err() << "Could not write file " << out << ": " << e.Message() << "\n";
        return false;
    }
    line.Show(index, in, QStringLiteral("done"));
    return true;
}

void CheckOutputs(const std::vector<std::pair<QString, QString>>& jobs) {
    for (const auto& [in, out] : jobs) {
        const QString ext = QFileInfo(out).suffix().toUpper();
        if (!DibWritableExtensions().contains(ext))
            throw TUsageError{QStringLiteral("Cannot write \"%1\": name a .bmp, .png, .jpg, "
                                             ".tif or .pcx file.")
                                  .arg(out)};
    }
}

// Refuses a batch in which two inputs would be written to one file, or one input's result
// would replace a file another input still has to be read from: the first result would be
// lost while the command reports success.
void CheckClashes(const std::vector<std::pair<QString, QString>>& jobs) {
    const auto key = [](const QString& path) { return QFileInfo(path).absoluteFilePath(); };
    std::map<QString, QStringList> byOutput;
    std::map<QString, size_t> inputs;
    for (size_t i = 0; i < jobs.size(); ++i) {
        byOutput[key(jobs[i].second)] << jobs[i].first;
        inputs.emplace(key(jobs[i].first), i);
    }
    QStringList clashes;
    for (size_t i = 0; i < jobs.size(); ++i) {
        QStringList& sources = byOutput[key(jobs[i].second)];
        if (sources.size() > 1)
            clashes << QStringLiteral("  %1 would be written from %2")
                           .arg(jobs[i].second, sources.join(QStringLiteral(" and ")));
        sources.clear(); // reported once
        const auto reader = inputs.find(key(jobs[i].second));
        if (reader != inputs.end() && reader->second > i)
            clashes << QStringLiteral("  the result of %1 would replace the input %2 before it "
                                      "is read")
                           .arg(jobs[i].first, jobs[reader->second].first);
    }
    if (!clashes.isEmpty())
        throw TUsageError{QStringLiteral("Inputs clash in the output folder; nothing was "
                                         "written:\n%1")
                              .arg(clashes.join(QLatin1Char('\n')))};
}

int Run(const QStringList& args) {
    const TCommand cmd = ParseCommandLine(args);
    const auto numbers = CheckValues(cmd);
    // A trial on a one-pixel picture reports a bad preset or kernel before any file is read.
    const TDibContainer trialImage(1, 1);
    Configure(cmd, numbers, *cmd.Filter->Create(TRect{0, 0, 0, 0}, trialImage));
    const auto jobs = Jobs(cmd);
    CheckOutputs(jobs);
    CheckClashes(jobs);
    if (!cmd.OutputDir.isEmpty() && !QDir().mkpath(cmd.OutputDir)) {
        Err() << "Could not create folder " << cmd.OutputDir << ".\n";
        return ExitFile;
    }
    TProgressLine line(int(jobs.size()));
    bool ok = true;
    for (size_t i = 0; i < jobs.size(); ++i)
        ok = FilterFile(cmd, numbers, jobs[i].first, jobs[i].second, int(i), line) && ok;
    return ok ? 0 : ExitFile;
}

} // namespace

int main(int argc, char** argv) {
    QStringList args;
    for (int i = 1; i < argc; ++i) args << QString::fromLocal8Bit(argv[i]);
    if (args.contains(QStringLiteral("--version"))) {
        Out() << "kolvar-filter " << KOLVAR_VERSION << "\n";
        Out().flush();
        return 0;
    }
    if (args.isEmpty()) {
        PrintUsageHint();
        return ExitUsage;
    }
    if (args.contains(QStringLiteral("--help")) || args.contains(QStringLiteral("-h"))) {
        PrintHelp();
        return 0;
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
