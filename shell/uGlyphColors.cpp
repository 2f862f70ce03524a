#include "shell/uGlyphColors.h"

#include <QPalette>

#include <cmath>

namespace kolvar {

namespace {

double linear(double channel) {
    return channel <= 0.04045 ? channel / 12.92 : std::pow((channel + 0.055) / 1.055, 2.4);
}

QColor mix(const QColor& a, const QColor& b, double t) {
    auto lerp = [t](int x, int y) { return int(std::nearbyint(x + (y - x) * t)); };
    return QColor(lerp(a.red(), b.red()), lerp(a.green(), b.green()), lerp(a.blue(), b.blue()));
}

} // namespace

double RelativeLuminance(const QColor& c) {
    return 0.2126 * linear(c.redF()) + 0.7152 * linear(c.greenF()) + 0.0722 * linear(c.blueF());
}

double ContrastRatio(const QColor& a, const QColor& b) {
    const double la = RelativeLuminance(a), lb = RelativeLuminance(b);
    return (std::max(la, lb) + 0.05) / (std::min(la, lb) + 0.05);
}

QColor Legible(const QColor& c, const QColor& background, double ratio) {
    if (ContrastRatio(c, background) >= ratio) return c;
    // The luminance where black and white stand out equally from the background decides.
    const bool darkBackground = RelativeLuminance(background) < 0.18;
    const QColor target = darkBackground ? QColor(Qt::white) : QColor(Qt::black);
    for (int step = 1; step <= 20; ++step) {
        const QColor candidate = mix(c, target, step / 20.0);
        if (ContrastRatio(candidate, background) >= ratio) return candidate;
    }
    return target;
}

TGlyphInk GlyphInk(const QPalette& palette) {
    const QColor background = palette.color(QPalette::Active, QPalette::Window);
    return {Legible(palette.color(QPalette::Active, QPalette::ButtonText), background, 4.5),
            background};
}

TCaptionColors CaptionColors(const QPalette& palette, bool active) {
    const QColor band = active ? palette.color(QPalette::Active, QPalette::Highlight)
                               : palette.color(QPalette::Inactive, QPalette::Dark);
    const QColor text = active ? palette.color(QPalette::Active, QPalette::HighlightedText)
                               : palette.color(QPalette::Inactive, QPalette::Light);
    return {band, Legible(text, band, 4.5)};
}

} // namespace kolvar
