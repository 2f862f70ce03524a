#pragma once
// Glyphs of the main window's tool-bar buttons, drawn at 16 x 16 so that they need no image
// files, in the ink of the palette they are shown on.

#include "shell/uGlyphColors.h"

#include <QImage>
#include <QString>
#include <QStringList>

namespace kolvar {

// The glyph of the tool button of that component name on a transparent 16 x 16 image; empty
// (fully transparent) for a name without a glyph.
QImage ToolGlyph(const QString& name, const TGlyphInk& ink);
// The component names of every button that has a glyph.
QStringList ToolGlyphNames();

} // namespace kolvar
