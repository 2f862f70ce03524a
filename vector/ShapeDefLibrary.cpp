// The shape-library text format: lines of ':'-separated fields whose first field is a keyword.

#include "vector/ShapeDef.h"

#include "resources/uCompactRotines.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QStringDecoder>

#include <vector>

namespace kolvar {

namespace {

bool IsKeyword(const QString& field, const char* keyword) {
    return field.compare(QLatin1String(keyword), Qt::CaseInsensitive) == 0;
}

double ConvertNumber(const QString& field) {
    double v = 0;
    if (!TextToFloat(field.trimmed(), v))
        throw EConvertError(QStringLiteral("'%1' is not a valid floating point value").arg(field));
    return v;
}

TKeyRestriction RestrictionFrom(const QString& mode) {
    if (IsKeyword(mode, "rmLine")) return rmLine;
    if (IsKeyword(mode, "rmRect")) return rmRect;
    return rmFixed;
}

TShapeCoord CoordFrom(const QString& mode, const QString& field) {
    if (IsKeyword(mode, "cmValue")) return TShapeCoord::FromValue(ConvertNumber(field));
    return TShapeCoord::FromExpr(field);
}

// The characters 0x80..0x9F of Windows-1252; the rest of the code page is Latin-1.
const char16_t kCp1252High[32] = {
    0x20AC, 0x0081, 0x201A, 0x0192, 0x201E, 0x2026, 0x2020, 0x2021, 0x02C6, 0x2030, 0x0160,
    0x2039, 0x0152, 0x008D, 0x017D, 0x008F, 0x0090, 0x2018, 0x2019, 0x201C, 0x201D, 0x2022,
    0x2013, 0x2014, 0x02DC, 0x2122, 0x0161, 0x203A, 0x0153, 0x009D, 0x017E, 0x0178,
};

QString DecodeText(const QByteArray& bytes) {
    QStringDecoder utf8(QStringDecoder::Utf8, QStringDecoder::Flag::Stateless);
    QString text = utf8.decode(bytes);
    if (!utf8.hasError()) return text;
    text.resize(bytes.size());
    for (qsizetype i = 0; i < bytes.size(); ++i) {
        const auto b = uint8_t(bytes[i]);
        text[i] = b >= 0x80 && b < 0xA0 ? QChar(kCp1252High[b - 0x80]) : QChar(b);
    }
    return text;
}

// Lines end with CR LF, LF or a lone CR.
QStringList SplitLines(const QString& text) {
    QStringList lines;
    qsizetype start = 0;
    const qsizetype n = text.size();
    for (qsizetype i = 0; i < n; ++i) {
        if (text[i] != u'\r' && text[i] != u'\n') continue;
        lines.append(text.mid(start, i - start));
        if (text[i] == u'\r' && i + 1 < n && text[i + 1] == u'\n') ++i;
        start = i + 1;
    }
    if (start < n) lines.append(text.mid(start));
    return lines;
}

bool IsShapeLine(const QString& line, QString* name = nullptr) {
    const qsizetype colon = line.indexOf(u':');
    if (!IsKeyword(colon < 0 ? line : line.left(colon), "Shape")) return false;
    if (name) *name = colon < 0 ? QString() : line.section(u':', 1, 1);
    return true;
}

} // namespace

void TShapeDef::LoadFromStrings(const QStringList& lines) {
    // Collected in plain vectors first: the containers grow in small steps, which a library
    // of a million lines would turn into quadratic copying.
    std::vector<int32_t> counts;
    std::vector<TKeyPoint> keys;
    std::vector<TShapePoint> points;
    int32_t ring = 0;
    for (const QString& line : lines) {
        const QStringList f = line.split(u':');
        const QString& keyword = f[0];
        if (IsKeyword(keyword, "Key")) {
            TKeyPoint k;
            k.X = ConvertNumber(f.value(1));
            k.Y = ConvertNumber(f.value(2));
            k.MinX = ConvertNumber(f.value(3));
            k.MinY = ConvertNumber(f.value(4));
            k.MaxX = ConvertNumber(f.value(5));
            k.MaxY = ConvertNumber(f.value(6));
            k.Restriction = RestrictionFrom(f.value(7));
            keys.push_back(k);
        } else if (IsKeyword(keyword, "Polygon")) {
            ring = 0;
        } else if (IsKeyword(keyword, "Point")) {
            if (points.size() >= size_t(TItemList::MaxCapacity))
                throw EArrayError(QStringLiteral("Shape has too many points"));
            points.push_back(
                {CoordFrom(f.value(1), f.value(2)), CoordFrom(f.value(3), f.value(4))});
            ++ring;
        } else if (IsKeyword(keyword, "/Polygon")) {
            counts.push_back(ring);
        }
    }
    TIntegerArray c(int32_t(counts.size()));
    for (int32_t n : counts) c.Add(n);
    TKeyPoints k(int32_t(keys.size()));
    for (const TKeyPoint& key : keys) k.Add(key);
    TShapePoints p(int32_t(points.size()));
    for (const TShapePoint& point : points) p.Add(point);
    SetData(c, k, p);
}

void ExtractShape(const QStringList& Lines, const QString& Name, QStringList& Block) {
    Block.clear();
    // A block counts only when it starts with a "Shape" line of that name; the header lines
    // before the first shape never do.
    auto named = [&Name](const QStringList& block) {
        QString name;
        return !block.isEmpty() && IsShapeLine(block[0], &name) &&
               name.compare(Name, Qt::CaseInsensitive) == 0;
    };
    for (const QString& line : Lines) {
        if (IsShapeLine(line)) {
            if (Block.size() > 1 && named(Block)) return;
            Block.clear();
        }
        Block.append(line);
    }
    if (!named(Block)) Block.clear();
}

void ListShapes(const QStringList& Lines, QStringList& Names) {
    Names.clear();
    QString name;
    for (const QString& line : Lines)
        if (IsShapeLine(line, &name)) Names.append(name);
}

QStringList ReadLibraryFile(const QString& FileName) {
    QFile file(FileName);
    if (!file.open(QIODevice::ReadOnly))
        throw EInOutError(
            QStringLiteral("Cannot read file %1: %2").arg(FileName, file.errorString()));
    const QByteArray bytes = file.readAll();
    if (file.error() != QFileDevice::NoError)
        throw EInOutError(
            QStringLiteral("Cannot read file %1: %2").arg(FileName, file.errorString()));
    return SplitLines(DecodeText(bytes));
}

void ExtractShapeFromFile(const QString& FileName, const QString& Name, QStringList& Block) {
    ExtractShape(ReadLibraryFile(FileName), Name, Block);
}

void ListShapesFromFile(const QString& FileName, QStringList& Names) {
    ListShapes(ReadLibraryFile(FileName), Names);
}

void FindLibraries(const QString& Mask, QStringList& Names) {
    Names.clear();
    const QFileInfo mask(Mask);
    const QDir dir(mask.path());
    const QStringList files =
        dir.entryList({mask.fileName()}, QDir::Files | QDir::Hidden | QDir::System, QDir::Name);
    for (const QString& f : files) Names.append(f.left(std::max<qsizetype>(0, f.size() - 4)));
}

QStringList StandardLibraryLines() {
    return SplitLines(DecodeText(CompressedResourceBytes(QStringLiteral("STANDARD_PSL"))));
}

} // namespace kolvar
