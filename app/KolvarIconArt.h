#pragma once
// The program's icon. One description of the drawing serves both the window icon and the icon
// files installed for the desktop (packaging/icons, written by tools/make_icons), so the two
// cannot drift apart.

#include <QImage>
#include <QRectF>
#include <QString>

class QPainter;

namespace kolvar {

// Draws the icon scaled into target.
void PaintKolvarIcon(QPainter& p, const QRectF& target);
// The icon as a square picture with a transparent background.
QImage RenderKolvarIcon(int size);
// The icon as a scalable (SVG) picture.
QString KolvarIconSvg();

} // namespace kolvar
