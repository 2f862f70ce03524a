#include "app/ToolGlyphs.h"
#include "shell/uGlyphColors.h"
#include "vector/uFRMShapes.h"

#include <QPainter>
#include <QPalette>
#include <gtest/gtest.h>

using namespace kolvar;

namespace {

// A dark desktop theme's palette, as dark Fusion set-ups make it, and the light default.
QPalette darkPalette() {
    QPalette p(QColor(53, 53, 53), QColor(53, 53, 53));
    p.setColor(QPalette::WindowText, Qt::white);
    p.setColor(QPalette::ButtonText, Qt::white);
    p.setColor(QPalette::Text, Qt::white);
    p.setColor(QPalette::Base, QColor(35, 35, 35));
    p.setColor(QPalette::Highlight, QColor(42, 130, 218));
    p.setColor(QPalette::HighlightedText, Qt::black);
    return p;
}

QPalette lightPalette() {
    QPalette p(QColor(239, 239, 239), QColor(239, 239, 239));
    p.setColor(QPalette::WindowText, Qt::black);
    p.setColor(QPalette::ButtonText, Qt::black);
    p.setColor(QPalette::Highlight, QColor(48, 140, 198));
    p.setColor(QPalette::HighlightedText, Qt::white);
    return p;
}

// The share of a glyph's outline pixels (mostly opaque pixels beside a mostly transparent one)
// that reach the ratio against the background once the glyph is drawn on it; also counts them.
double legibleOutlineShare(const QImage& glyph, const QColor& background, int& outline) {
    QImage shown(glyph.size(), QImage::Format_RGB32);
    shown.fill(background);
    QPainter(&shown).drawImage(0, 0, glyph);
    auto opaque = [&](int x, int y) {
        return x >= 0 && y >= 0 && x < glyph.width() && y < glyph.height() &&
               qAlpha(glyph.pixel(x, y)) >= 128;
    };
    outline = 0;
    int legible = 0;
    for (int y = 0; y < glyph.height(); ++y)
        for (int x = 0; x < glyph.width(); ++x) {
            if (!opaque(x, y)) continue;
            if (opaque(x - 1, y) && opaque(x + 1, y) && opaque(x, y - 1) && opaque(x, y + 1))
                continue;
            ++outline;
            if (ContrastRatio(QColor(shown.pixel(x, y)), background) >= 3.0) ++legible;
        }
    return outline ? double(legible) / outline : 0.0;
}

void expectLegible(const QString& what, const QImage& glyph, const QPalette& palette) {
    int outline = 0;
    const QColor window = palette.color(QPalette::Window);
    const double share = legibleOutlineShare(glyph, window, outline);
    EXPECT_GT(outline, 4) << what.toStdString() << " draws something";
    // Anti-aliased curves leave a few blended corner pixels; the strokes themselves must hold.
    EXPECT_GE(share, 0.95) << what.toStdString() << " on " << window.name().toStdString();
}

} // namespace

TEST(GlyphContrast, ContrastRatioAndLegibleFollowTheRelativeLuminance) {
    EXPECT_NEAR(ContrastRatio(Qt::black, Qt::white), 21.0, 1e-9);
    EXPECT_NEAR(ContrastRatio(Qt::white, Qt::black), 21.0, 1e-9);
    EXPECT_NEAR(ContrastRatio(QColor(119, 119, 119), Qt::white), 4.48, 0.01);
    const QColor dark(53, 53, 53), light(239, 239, 239);
    EXPECT_EQ(Legible(Qt::red, light), QColor(Qt::red)) << "enough contrast: unchanged";
    const QColor navy(0, 0, 160);
    const QColor lifted = Legible(navy, dark);
    EXPECT_GE(ContrastRatio(lifted, dark), 3.0);
    EXPECT_GT(RelativeLuminance(lifted), RelativeLuminance(navy)) << "lightened on dark";
    const QColor lowered = Legible(QColor(255, 255, 120), light);
    EXPECT_GE(ContrastRatio(lowered, light), 3.0);
    EXPECT_LT(RelativeLuminance(lowered), RelativeLuminance(QColor(255, 255, 120)));
}

TEST(GlyphContrast, EveryToolGlyphKeepsItsStrokesVisibleOnDarkAndLightWindows) {
    for (const QPalette& palette : {darkPalette(), lightPalette()}) {
        const TGlyphInk ink = GlyphInk(palette);
        for (const QString& name : ToolGlyphNames())
            expectLegible(name, ToolGlyph(name, ink), palette);
        for (int tag : {1, 100, 2, 3, 4, 5, 6})
            expectLegible(QStringLiteral("shape button %1").arg(tag), ShapeButtonGlyph(tag, ink),
                          palette);
    }
}

TEST(GlyphContrast, LightPalettesKeepTheBlackInk) {
    EXPECT_EQ(GlyphInk(lightPalette()).Ink, QColor(Qt::black));
    EXPECT_EQ(GlyphInk(darkPalette()).Ink, QColor(Qt::white));
}

TEST(GlyphContrast, CaptionTextStandsOutFromItsBandInEveryPalette) {
    for (const QPalette& palette : {darkPalette(), lightPalette(), QPalette()})
        for (bool active : {true, false}) {
            const TCaptionColors c = CaptionColors(palette, active);
            EXPECT_GE(ContrastRatio(c.Band, c.Text), 4.5)
                << c.Band.name().toStdString() << " / " << c.Text.name().toStdString();
        }
}
