#include "app/ToolGlyphs.h"

#include <QFont>
#include <QPainter>
#include <QPainterPath>
#include <QPolygon>

namespace kolvar {

namespace {

void drawPage(QPainter& p, const TGlyphInk& ink, QRect r) {
    p.setPen(ink.Ink);
    p.setBrush(Qt::white);
    p.drawPolygon(QPolygon({r.topLeft(), QPoint(r.right() - 3, r.top()),
                            QPoint(r.right(), r.top() + 3), r.bottomRight(), r.bottomLeft()}));
}

void drawClipboard(QPainter& p, const TGlyphInk& ink, bool opaque) {
    p.setPen(ink.Ink);
    p.setBrush(QColor(160, 110, 50));
    p.drawRect(2, 2, 10, 12);
    drawPage(p, ink, QRect(6, 5, 8, 10));
    if (!opaque) {
        p.fillRect(8, 8, 2, 2, Qt::lightGray);
        p.fillRect(10, 10, 2, 2, Qt::lightGray);
        p.fillRect(8, 12, 2, 2, Qt::lightGray);
    }
}

void drawGlyph(QPainter& p, const TGlyphInk& ink, const QString& name) {
    p.setRenderHint(QPainter::Antialiasing, false);
    QPen pen(ink.Ink);
    p.setPen(pen);
    if (name == QLatin1String("sbOpenNew")) {
        drawPage(p, ink, QRect(3, 1, 10, 14));
    } else if (name == QLatin1String("sbOpen")) {
        p.setBrush(QColor(230, 190, 60));
        p.drawPolygon(QPolygon({QPoint(1, 4), QPoint(6, 4), QPoint(7, 6), QPoint(14, 6),
                                QPoint(14, 14), QPoint(1, 14)}));
    } else if (name == QLatin1String("sbSave")) {
        p.setBrush(QColor(40, 70, 160));
        p.drawRect(1, 1, 13, 13);
        p.fillRect(4, 2, 7, 5, Qt::white);
        p.fillRect(4, 10, 7, 4, Qt::lightGray);
    } else if (name == QLatin1String("sbPrint")) {
        drawPage(p, ink, QRect(4, 1, 7, 6));
        p.setBrush(Qt::gray);
        p.drawRect(1, 7, 13, 6);
        p.fillRect(11, 9, 2, 1, Qt::green);
    } else if (name == QLatin1String("sbClear")) {
        drawPage(p, ink, QRect(3, 1, 10, 14));
        p.setPen(QPen(ink.Accent(Qt::red), 2));
        p.drawLine(5, 5, 11, 11);
        p.drawLine(11, 5, 5, 11);
    } else if (name == QLatin1String("sbUndo")) {
        p.setPen(QPen(ink.Accent(QColor(0, 0, 160)), 2));
        p.drawArc(QRect(3, 4, 10, 9), 90 * 16, -200 * 16);
        p.setBrush(ink.Accent(QColor(0, 0, 160)));
        p.drawPolygon(QPolygon({QPoint(1, 4), QPoint(6, 1), QPoint(6, 7)}));
    } else if (name == QLatin1String("sbCut")) {
        p.drawLine(4, 1, 10, 10);
        p.drawLine(11, 1, 5, 10);
        p.drawEllipse(2, 10, 4, 4);
        p.drawEllipse(9, 10, 4, 4);
    } else if (name == QLatin1String("sbCopy")) {
        drawPage(p, ink, QRect(1, 1, 8, 10));
        drawPage(p, ink, QRect(6, 5, 8, 10));
    } else if (name == QLatin1String("sbPaste") || name == QLatin1String("sbPasteOpaque")) {
        drawClipboard(p, ink, true);
    } else if (name == QLatin1String("sbDrawWithoutColor")) {
        drawClipboard(p, ink, false);
    } else if (name == QLatin1String("sbDraw")) {
        p.setBrush(QColor(240, 200, 40));
        p.drawPolygon(QPolygon({QPoint(11, 1), QPoint(14, 4), QPoint(5, 13), QPoint(2, 10)}));
        p.drawLine(2, 10, 1, 14);
        p.drawLine(5, 13, 1, 14);
    } else if (name == QLatin1String("sbSelect")) {
        p.setPen(QPen(ink.Ink, 1, Qt::DashLine));
        p.drawRect(2, 3, 11, 9);
    } else if (name == QLatin1String("sbErase")) {
        p.setBrush(QColor(240, 150, 170));
        p.drawPolygon(QPolygon({QPoint(6, 3), QPoint(14, 3), QPoint(9, 12), QPoint(1, 12)}));
    } else if (name == QLatin1String("sbSpray")) {
        p.setBrush(Qt::gray);
        p.drawRect(1, 7, 5, 8);
        p.fillRect(2, 5, 3, 2, ink.Ink);
        for (const QPoint d : {QPoint(9, 2), QPoint(12, 4), QPoint(10, 6), QPoint(13, 8),
                               QPoint(9, 9), QPoint(12, 11), QPoint(14, 2)})
            p.drawPoint(d);
    } else if (name == QLatin1String("sbGetColor")) {
        p.setPen(QPen(ink.Ink, 2));
        p.drawLine(3, 12, 10, 5);
        p.setBrush(ink.Ink);
        p.drawEllipse(10, 1, 4, 4);
    } else if (name == QLatin1String("sbZoom")) {
        p.setPen(QPen(ink.Ink, 2));
        p.drawEllipse(2, 2, 8, 8);
        p.drawLine(10, 10, 14, 14);
    } else if (name == QLatin1String("sbFloodFill")) {
        p.setBrush(Qt::white);
        p.drawPolygon(QPolygon({QPoint(2, 7), QPoint(7, 2), QPoint(12, 7), QPoint(7, 12)}));
        p.setPen(Qt::NoPen);
        p.setBrush(ink.Accent(QColor(0, 90, 220)));
        p.drawEllipse(11, 9, 4, 5);
    } else if (name == QLatin1String("sbBoundary")) {
        p.setPen(QPen(ink.Accent(Qt::red), 2));
        p.setBrush(QColor(0, 90, 220));
        p.drawRect(3, 3, 10, 10);
    } else if (name == QLatin1String("sbText") || name == QLatin1String("sbTextRect")) {
        QFont f(QStringLiteral("Times New Roman"));
        f.setPixelSize(14);
        f.setBold(true);
        p.setFont(f);
        p.drawText(QRect(0, 0, 16, 16), Qt::AlignCenter, QStringLiteral("A"));
        if (name == QLatin1String("sbTextRect")) {
            p.setPen(QPen(ink.Ink, 1, Qt::DotLine));
            p.drawRect(0, 0, 15, 15);
        }
    } else if (name == QLatin1String("sbWarp")) {
        QPainterPath wave;
        for (int row = 0; row < 3; ++row) {
            const int y = 3 + row * 5;
            wave.moveTo(1, y);
            wave.cubicTo(5, y - 4, 9, y + 4, 14, y);
        }
        p.setRenderHint(QPainter::Antialiasing, true);
        p.setBrush(Qt::NoBrush);
        p.drawPath(wave);
    }
}

} // namespace

QImage ToolGlyph(const QString& name, const TGlyphInk& ink) {
    QImage glyph(16, 16, QImage::Format_ARGB32_Premultiplied);
    glyph.fill(Qt::transparent);
    QPainter p(&glyph);
    drawGlyph(p, ink, name);
    return glyph;
}

QStringList ToolGlyphNames() {
    return {QStringLiteral("sbOpenNew"),
            QStringLiteral("sbOpen"),
            QStringLiteral("sbSave"),
            QStringLiteral("sbPrint"),
            QStringLiteral("sbClear"),
            QStringLiteral("sbUndo"),
            QStringLiteral("sbCut"),
            QStringLiteral("sbCopy"),
            QStringLiteral("sbPaste"),
            QStringLiteral("sbPasteOpaque"),
            QStringLiteral("sbDrawWithoutColor"),
            QStringLiteral("sbDraw"),
            QStringLiteral("sbSelect"),
            QStringLiteral("sbErase"),
            QStringLiteral("sbSpray"),
            QStringLiteral("sbGetColor"),
            QStringLiteral("sbZoom"),
            QStringLiteral("sbFloodFill"),
            QStringLiteral("sbBoundary"),
            QStringLiteral("sbText"),
            QStringLiteral("sbTextRect"),
            QStringLiteral("sbWarp")};
}

} // namespace kolvar
