#pragma once
// Colours for the program's own drawn glyphs and captions that stay readable whatever the
// desktop's palette: the ink of a glyph comes from the palette, and an accent colour that would
// vanish on the background is lightened (on dark backgrounds) or darkened until it stands out.

#include <QColor>

class QPalette;

namespace kolvar {

// Relative luminance of an sRGB colour, 0 (black) .. 1 (white).
double RelativeLuminance(const QColor& c);
// (lighter + 0.05) / (darker + 0.05): 1 for equal colours, 21 for black on white.
double ContrastRatio(const QColor& a, const QColor& b);
// c itself when it has at least the ratio against background; otherwise c mixed toward white
// (dark background) or black (light background) just far enough.
QColor Legible(const QColor& c, const QColor& background, double ratio = 3.0);

// What tool glyphs are drawn with: ink for their strokes, on the background of their buttons.
struct TGlyphInk {
    QColor Ink;
    QColor Background;

    // An accent colour (a red cross, a blue arrow) kept visible on the background.
    QColor Accent(const QColor& c) const { return Legible(c, Background); }
};
TGlyphInk GlyphInk(const QPalette& palette);

// The colours of a tool window's drawn caption: the palette's highlight while active, its dark
// shade while not, with the caption text kept at 4.5:1 against the band.
struct TCaptionColors {
    QColor Band;
    QColor Text;
};
TCaptionColors CaptionColors(const QPalette& palette, bool active);

} // namespace kolvar
