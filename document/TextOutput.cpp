#include "document/TextOutput.h"

#include "raster/DibContainer.h"
#include "raster/DibMath.h"

#include <QFont>
#include <QFontMetrics>
#include <QFontMetricsF>
#include <QImage>
#include <QPainter>

#include <algorithm>
#include <cmath>

namespace kolvar {

namespace {

constexpr int32_t kBold = 1;
constexpr int32_t kItalic = 2;
constexpr int32_t kUnderline = 4;
constexpr int32_t kStrikeOut = 8;

// The pixel size whose ascent plus descent comes closest to the cell height.
void FitCellHeight(QFont& Font, int32_t Cell) {
    Font.setPixelSize(Cell);
    for (int i = 0; i < 2; ++i) {
        const QFontMetricsF fm(Font);
        const double total = fm.ascent() + fm.descent();
        if (total <= 0) return;
        const int32_t size = std::max(1, Round(Font.pixelSize() * Cell / total));
        if (size == Font.pixelSize()) return;
        Font.setPixelSize(size);
    }
}

// Sets the pixels of Image under the opaque part of Mask, whose (0, 0) lies at (OX, OY).
void StampMask(const QImage& Mask, int32_t OX, int32_t OY, TDibContainer& Image, TDibColor C) {
    const int32_t y0 = std::max(0, -OY);
    const int32_t y1 = std::min(Mask.height(), Image.Height() - OY);
    const int32_t x0 = std::max(0, -OX);
    const int32_t x1 = std::min(Mask.width(), Image.Width() - OX);
    for (int32_t y = y0; y < y1; ++y) {
        const auto* row = reinterpret_cast<const QRgb*>(Mask.constScanLine(y));
        for (int32_t x = x0; x < x1; ++x)
            if (qAlpha(row[x]) >= 128) Image.SetPixel(OX + x, OY + y, C);
    }
}

} // namespace

QFont ToolFont(const QString& FontName, int32_t PointSize, int32_t Style) {
    QFont font(FontName);
    if (PointSize > 0) font.setPointSize(PointSize);
    font.setBold(Style & kBold);
    font.setItalic(Style & kItalic);
    font.setUnderline(Style & kUnderline);
    font.setStrikeOut(Style & kStrikeOut);
    return font;
}

namespace {

// The text tool measures and writes on the same kind of device with the same font, so what the
// preview frames is exactly what the image receives.
const QImage& TextDevice() {
    static const QImage device(1, 1, QImage::Format_ARGB32);
    return device;
}

QFont PlainToolFont(const QString& FontName, int32_t PointSize, int32_t Style) {
    QFont font = ToolFont(FontName, PointSize, Style);
    font.setStyleStrategy(QFont::NoAntialias);
    return font;
}

} // namespace

TPoint MeasureText(const QString& Text, const QString& FontName, int32_t PointSize, int32_t Style) {
    const QFontMetrics fm(PlainToolFont(FontName, PointSize, Style), &TextDevice());
    return {fm.horizontalAdvance(Text), fm.height()};
}

void DrawTextAt(TDibContainer& Image, const TPoint& At, int32_t Style, const QString& Text,
                const QString& FontName, int32_t PointSize, TDibColorArg Color) {
    if (Text.isEmpty() || Image.Empty()) return;
    const QFont font = PlainToolFont(FontName, PointSize, Style);
    const QFontMetrics fm(font, &TextDevice());
    // Room for overhangs on every side (italics, accents above the ascent).
    const int32_t pad = fm.height();
    QImage mask(fm.horizontalAdvance(Text) + 2 * pad, fm.height() + 2 * pad, QImage::Format_ARGB32);
    mask.setDotsPerMeterX(TextDevice().dotsPerMeterX());
    mask.setDotsPerMeterY(TextDevice().dotsPerMeterY());
    mask.fill(Qt::transparent);
    {
        QPainter p(&mask);
        p.setRenderHint(QPainter::TextAntialiasing, false);
        p.setFont(font);
        p.setPen(Qt::black);
        p.drawText(QPoint(pad, pad + fm.ascent()), Text);
    }
    StampMask(mask, At.X - pad, At.Y - pad, Image, TDibColorArg(Color).Color());
}

void DrawTextInRect(TDibContainer& Image, const TRect& R, int32_t Escapement, int32_t Style,
                    const QString& Text, const QString& FontName, TDibColorArg Color) {
    const int32_t cell = R.Bottom - R.Top + 1;
    if (Text.isEmpty() || Image.Empty() || cell < 1) return;
    const int32_t average =
        std::max(Round((double(R.Right) - R.Left + 1) / Text.size()), int32_t(1));
    QFont font = ToolFont(FontName, 0, Style);
    font.setStyleStrategy(QFont::NoAntialias);
    FitCellHeight(font, cell);
    const QFontMetricsF fm(font);
    const double natural = std::max(fm.averageCharWidth(), 1.0);
    const double stretch = average / natural;
    const double width = fm.horizontalAdvance(Text) * stretch;
    // Room for overhangs (italics) and, when the text turns, for any direction.
    const int32_t pad = cell;
    const int32_t reach = int32_t(std::ceil(width)) + cell + pad;
    const bool turned = Escapement % 3600 != 0;
    const int32_t ox = R.Left - (turned ? reach : pad);
    const int32_t oy = R.Top - (turned ? reach : pad);
    const QSize size = turned ? QSize(2 * reach, 2 * reach)
                              : QSize(int32_t(std::ceil(width)) + 2 * pad, cell + 2 * pad);
    QImage mask(size, QImage::Format_ARGB32);
    mask.fill(Qt::transparent);
    {
        QPainter p(&mask);
        p.setRenderHint(QPainter::TextAntialiasing, false);
        p.setFont(font);
        p.setPen(Qt::black);
        p.translate(R.Left - ox, R.Top - oy);
        p.rotate(-Escapement / 10.0);
        p.scale(stretch, 1);
        p.drawText(QPointF(0, fm.ascent()), Text);
    }
    StampMask(mask, ox, oy, Image, TDibColorArg(Color).Color());
}

TPoint& TextExtent() {
    static TPoint extent;
    return extent;
}

} // namespace kolvar
