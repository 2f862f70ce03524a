#include "app/KolvarIconArt.h"

#include <QColor>
#include <QLinearGradient>
#include <QPainter>
#include <QPainterPath>
#include <QRegularExpression>

#include <vector>

namespace kolvar {

namespace {

// The drawing's own coordinates: a square of kSide units.
constexpr double kSide = 64;
// The background's gradient runs from top to bottom of its rounded square.
constexpr double kGradientTop = 4, kGradientBottom = 60;
const char* const kGradientFrom = "#4a90d9";
const char* const kGradientTo = "#1f4e79";

// One element of the drawing: an outline in SVG path notation (absolute M, L, Q, C and Z
// only), filled and/or stroked. A fill named "gradient" is the background's gradient.
struct TIconElement {
    QString Path;
    QString Fill;   // empty: not filled
    QString Stroke; // empty: not stroked
    double StrokeWidth = 0;
};

QString n(double v) {
    return QString::number(v, 'g', 6);
}

QString roundRect(double x, double y, double w, double h, double r) {
    const double x2 = x + w, y2 = y + h;
    return QStringLiteral("M%1 %2 L%3 %2 Q%4 %2 %4 %5 L%4 %6 Q%4 %7 %3 %7 L%1 %7 Q%8 %7 %8 %6 "
                          "L%8 %5 Q%8 %2 %1 %2 Z")
        .arg(n(x + r), n(y), n(x2 - r), n(x2), n(y + r), n(y2 - r), n(y2), n(x));
}

QString circle(double cx, double cy, double r) {
    const double k = 0.5523 * r; // control distance of a quarter circle as one cubic
    return QStringLiteral("M%1 %2 C%3 %2 %4 %5 %4 %6 C%4 %7 %3 %8 %1 %8 C%9 %8 %10 %7 %10 %6 "
                          "C%10 %5 %9 %2 %1 %2 Z")
        .arg(n(cx), n(cy - r), n(cx + k), n(cx + r), n(cy - k), n(cy), n(cy + k), n(cy + r),
             n(cx - k), n(cx - r));
}

// A sheet of paper with a red disc, a yellow square and a green triangle, and a pencil.
const std::vector<TIconElement>& elements() {
    static const std::vector<TIconElement> drawing = {
        {roundRect(4, 4, 56, 56, 12), QStringLiteral("gradient"), {}, 0},
        {roundRect(13, 10, 38, 44, 3), QStringLiteral("#1b3a5c"), {}, 0},
        {roundRect(12, 9, 38, 44, 3), QStringLiteral("#fdfdfb"), {}, 0},
        {circle(24, 22, 7), QStringLiteral("#e53935"), {}, 0},
        {QStringLiteral("M33 15 L45 15 L45 27 L33 27 Z"), QStringLiteral("#fbc02d"), {}, 0},
        {QStringLiteral("M17 45 L31 45 L24 32 Z"), QStringLiteral("#43a047"), {}, 0},
        {QStringLiteral("M37 43 L52 28"), {}, QStringLiteral("#f57c00"), 6},
        {QStringLiteral("M36.9 38.9 L41.1 43.1 L33 47 Z"), QStringLiteral("#f3d9b1"), {}, 0},
        {QStringLiteral("M34.6 41.6 L36.4 43.4 L33 47 Z"), QStringLiteral("#37474f"), {}, 0},
    };
    return drawing;
}

QPainterPath toPath(const QString& d) {
    static const QRegularExpression token(QStringLiteral("[MLQCZ]|-?[0-9.]+"));
    QPainterPath path;
    QChar command;
    std::vector<double> args;
    auto flush = [&] {
        const auto at = [&](size_t i) { return QPointF(args[i], args[i + 1]); };
        for (size_t i = 0; command == QLatin1Char('M') && i + 1 < args.size(); i += 2)
            i == 0 ? path.moveTo(at(i)) : path.lineTo(at(i));
        for (size_t i = 0; command == QLatin1Char('L') && i + 1 < args.size(); i += 2)
            path.lineTo(at(i));
        for (size_t i = 0; command == QLatin1Char('Q') && i + 3 < args.size(); i += 4)
            path.quadTo(at(i), at(i + 2));
        for (size_t i = 0; command == QLatin1Char('C') && i + 5 < args.size(); i += 6)
            path.cubicTo(at(i), at(i + 2), at(i + 4));
        if (command == QLatin1Char('Z')) path.closeSubpath();
        args.clear();
    };
    for (auto it = token.globalMatch(d); it.hasNext();) {
        const QString t = it.next().captured();
        if (t[0].isLetter()) {
            flush();
            command = t[0];
        } else {
            args.push_back(t.toDouble());
        }
    }
    flush();
    return path;
}

} // namespace

void PaintKolvarIcon(QPainter& p, const QRectF& target) {
    p.save();
    p.setRenderHint(QPainter::Antialiasing);
    p.translate(target.topLeft());
    p.scale(target.width() / kSide, target.height() / kSide);
    QLinearGradient gradient(0, kGradientTop, 0, kGradientBottom);
    gradient.setColorAt(0, QColor(QString::fromLatin1(kGradientFrom)));
    gradient.setColorAt(1, QColor(QString::fromLatin1(kGradientTo)));
    for (const TIconElement& e : elements()) {
        const QPainterPath path = toPath(e.Path);
        if (e.Fill == QLatin1String("gradient"))
            p.fillPath(path, gradient);
        else if (!e.Fill.isEmpty())
            p.fillPath(path, QColor(e.Fill));
        if (!e.Stroke.isEmpty())
            p.strokePath(path, QPen(QColor(e.Stroke), e.StrokeWidth, Qt::SolidLine, Qt::RoundCap,
                                    Qt::RoundJoin));
    }
    p.restore();
}

QImage RenderKolvarIcon(int size) {
    QImage image(size, size, QImage::Format_ARGB32_Premultiplied);
    image.fill(Qt::transparent);
    QPainter p(&image);
    PaintKolvarIcon(p, QRectF(0, 0, size, size));
    p.end();
    return image;
}

QString KolvarIconSvg() {
    QString svg =
        QStringLiteral("<svg xmlns=\"http://www.w3.org/2000/svg\" width=\"256\" height=\"256\" "
                       "viewBox=\"0 0 %1 %1\">\n"
                       "  <defs>\n"
                       "    <linearGradient id=\"gradient\" gradientUnits=\"userSpaceOnUse\" "
                       "x1=\"0\" y1=\"%2\" x2=\"0\" y2=\"%3\">\n"
                       "      <stop offset=\"0\" stop-color=\"%4\"/>\n"
                       "      <stop offset=\"1\" stop-color=\"%5\"/>\n"
                       "    </linearGradient>\n"
                       "  </defs>\n")
            .arg(n(kSide), n(kGradientTop), n(kGradientBottom), QString::fromLatin1(kGradientFrom),
                 QString::fromLatin1(kGradientTo));
    for (const TIconElement& e : elements()) {
        const QString fill = e.Fill.isEmpty() ? QStringLiteral("none")
                             : e.Fill == QLatin1String("gradient")
                                 ? QStringLiteral("url(#gradient)")
                                 : e.Fill;
        svg += QStringLiteral("  <path d=\"%1\" fill=\"%2\"").arg(e.Path, fill);
        if (!e.Stroke.isEmpty())
            svg += QStringLiteral(" stroke=\"%1\" stroke-width=\"%2\" stroke-linecap=\"round\" "
                                  "stroke-linejoin=\"round\"")
                       .arg(e.Stroke, n(e.StrokeWidth));
        svg += QStringLiteral("/>\n");
    }
    return svg + QStringLiteral("</svg>\n");
}

} // namespace kolvar
