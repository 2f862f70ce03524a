// Enhanced metafiles: the header and the records drawings use.

#include "formats/MetafileDib.h"
#include "formats/MetafilePlayer.h"
#include "formats/MetafileRecords.h"

#include <cmath>

namespace kolvar {

namespace {

constexpr uint32_t kEmfSignature = 0x464D4520; // " EMF"
constexpr uint32_t kStockFlag = 0x80000000;

enum : uint32_t {
    EMR_HEADER = 1,
    EMR_POLYBEZIER,
    EMR_POLYGON,
    EMR_POLYLINE,
    EMR_POLYBEZIERTO,
    EMR_POLYLINETO,
    EMR_POLYPOLYLINE,
    EMR_POLYPOLYGON,
    EMR_SETWINDOWEXTEX,
    EMR_SETWINDOWORGEX,
    EMR_SETVIEWPORTEXTEX,
    EMR_SETVIEWPORTORGEX,
    EMR_SETBRUSHORGEX,
    EMR_EOF,
    EMR_SETPIXELV,
    EMR_SETMAPPERFLAGS,
    EMR_SETMAPMODE,
    EMR_SETBKMODE,
    EMR_SETPOLYFILLMODE,
    EMR_SETROP2,
    EMR_SETSTRETCHBLTMODE,
    EMR_SETTEXTALIGN,
    EMR_SETCOLORADJUSTMENT,
    EMR_SETTEXTCOLOR,
    EMR_SETBKCOLOR,
    EMR_OFFSETCLIPRGN,
    EMR_MOVETOEX,
    EMR_SETMETARGN,
    EMR_EXCLUDECLIPRECT,
    EMR_INTERSECTCLIPRECT,
    EMR_SCALEVIEWPORTEXTEX,
    EMR_SCALEWINDOWEXTEX,
    EMR_SAVEDC,
    EMR_RESTOREDC,
    EMR_SETWORLDTRANSFORM,
    EMR_MODIFYWORLDTRANSFORM,
    EMR_SELECTOBJECT,
    EMR_CREATEPEN,
    EMR_CREATEBRUSHINDIRECT,
    EMR_DELETEOBJECT,
    EMR_ANGLEARC,
    EMR_ELLIPSE,
    EMR_RECTANGLE,
    EMR_ROUNDRECT,
    EMR_ARC,
    EMR_CHORD,
    EMR_PIE,
    EMR_SELECTPALETTE,
    EMR_CREATEPALETTE,
    EMR_SETPALETTEENTRIES,
    EMR_RESIZEPALETTE,
    EMR_REALIZEPALETTE,
    EMR_EXTFLOODFILL,
    EMR_LINETO,
    EMR_ARCTO,
    EMR_POLYDRAW,
    EMR_SETARCDIRECTION,
    EMR_SETMITERLIMIT,
    EMR_BEGINPATH,
    EMR_ENDPATH,
    EMR_CLOSEFIGURE,
    EMR_FILLPATH,
    EMR_STROKEANDFILLPATH,
    EMR_STROKEPATH,
    EMR_FLATTENPATH,
    EMR_WIDENPATH,
    EMR_SELECTCLIPPATH,
    EMR_ABORTPATH,
    EMR_GDICOMMENT = 70,
    EMR_FILLRGN,
    EMR_FRAMERGN,
    EMR_INVERTRGN,
    EMR_PAINTRGN,
    EMR_EXTSELECTCLIPRGN,
    EMR_BITBLT,
    EMR_STRETCHBLT,
    EMR_MASKBLT,
    EMR_PLGBLT,
    EMR_SETDIBITSTODEVICE,
    EMR_STRETCHDIBITS,
    EMR_EXTCREATEFONTINDIRECTW,
    EMR_EXTTEXTOUTA,
    EMR_EXTTEXTOUTW,
    EMR_POLYBEZIER16,
    EMR_POLYGON16,
    EMR_POLYLINE16,
    EMR_POLYBEZIERTO16,
    EMR_POLYLINETO16,
    EMR_POLYPOLYLINE16,
    EMR_POLYPOLYGON16,
    EMR_POLYDRAW16,
    EMR_CREATEMONOBRUSH,
    EMR_CREATEDIBPATTERNBRUSHPT,
    EMR_EXTCREATEPEN,
    EMR_CREATECOLORSPACE = 99,
    EMR_DELETECOLORSPACE = 101,
    EMR_SMALLTEXTOUT = 108,
    EMR_CREATECOLORSPACEW = 122,
};

[[noreturn]] void Damaged() {
    throw EMetafileError("The metafile is damaged.");
}

QPointF Point32(const TMetafileReader& r, uint64_t at) {
    return QPointF(r.I32(at), r.I32(at + 4));
}

QPointF Point16(const TMetafileReader& r, uint64_t at) {
    return QPointF(r.I16(at), r.I16(at + 2));
}

// An inclusive-exclusive box from the four edges as stored.
QRectF Box(const TMetafileReader& r, uint64_t at) {
    return QRectF(Point32(r, at), Point32(r, at + 8));
}

QPolygonF Points(const TMetafileReader& r, uint64_t at, uint64_t count, bool small) {
    uint64_t size = small ? 4 : 8;
    r.Require(at, count * size);
    QPolygonF points;
    points.reserve(qsizetype(count));
    for (uint64_t i = 0; i < count; ++i)
        points.append(small ? Point16(r, at + i * size) : Point32(r, at + i * size));
    return points;
}

std::vector<QPolygonF> PolyPoints(const TMetafileReader& r, bool small) {
    uint64_t polys = r.U32(24), total = r.U32(28);
    r.Require(32, polys * 4);
    uint64_t at = 32 + polys * 4;
    uint64_t size = small ? 4 : 8;
    r.Require(at, total * size);
    std::vector<QPolygonF> result;
    uint64_t used = 0;
    for (uint64_t i = 0; i < polys; ++i) {
        uint64_t n = r.U32(32 + i * 4);
        if (n > total - used) Damaged();
        result.push_back(Points(r, at + used * size, n, small));
        used += n;
    }
    return result;
}

QTransform XForm(const TMetafileReader& r, uint64_t at) {
    return QTransform(r.F32(at), r.F32(at + 4), r.F32(at + 8), r.F32(at + 12), r.F32(at + 16),
                      r.F32(at + 20));
}

// A bitmap given by offsets and sizes inside the record.
QImage RecordDib(const TMetafileReader& r, uint64_t offInfo, uint64_t offBits, uint32_t usage,
                 bool* bottomUp = nullptr, int64_t rows = -1, QSize step = QSize(1, 1)) {
    uint32_t infoAt = r.U32(offInfo), infoSize = r.U32(offInfo + 4);
    uint32_t bitsAt = r.U32(offBits), bitsSize = r.U32(offBits + 4);
    if (infoSize == 0) return QImage();
    TMetafileReader info = r.Sub(infoAt, infoSize);
    TMetafileReader bits = r.Sub(bitsAt, bitsSize);
    if (bottomUp) *bottomUp = MetafileDibBottomUp(info);
    return DecodeMetafileDib(
        info, bits, usage == 1 ? TDibUsage::PaletteIndices : TDibUsage::RgbColors, rows, step);
}

std::vector<QRectF> RegionRects(const TMetafileReader& r, uint64_t at, uint64_t size) {
    TMetafileReader data = r.Sub(at, size);
    uint64_t count = data.U32(8);
    data.Require(32, count * 16);
    std::vector<QRectF> rects;
    rects.reserve(count);
    for (uint64_t i = 0; i < count; ++i) rects.push_back(Box(data, 32 + i * 16));
    return rects;
}

TMetaFont ReadLogFontW(const TMetafileReader& r, uint64_t at) {
    TMetaFont font;
    font.Height = r.I32(at);
    font.Width = r.I32(at + 4);
    font.Escapement = r.I32(at + 8);
    font.Weight = r.I32(at + 16);
    font.Italic = r.U8(at + 20);
    font.Underline = r.U8(at + 21);
    font.StrikeOut = r.U8(at + 22);
    font.CharSet = r.U8(at + 23);
    font.PitchAndFamily = r.U8(at + 27);
    for (uint64_t i = 0; i < 32; ++i) {
        char16_t c = r.U16(at + 28 + 2 * i);
        if (!c) break;
        font.FaceName.append(QChar(c));
    }
    return font;
}

class TEmfPlayback {
public:
    TEmfPlayback(const TEmfHeader& header, TMetafilePlayer& dc) : header_(header), dc_(dc) {}
    // Returns false at the end-of-file record.
    bool Play(uint32_t type, const TMetafileReader& r);

private:
    size_t Handle(uint32_t index) const {
        if (index == 0 || index >= header_.Handles)
            throw EMetafileError("The metafile names a missing object.");
        return index;
    }
    void Store(const TMetafileReader& r, TMetaObject object) {
        dc_.StoreObject(Handle(r.U32(8)), std::move(object));
    }
    void Select(uint32_t index) {
        if (index & kStockFlag)
            dc_.SelectStockObject(index & ~kStockFlag);
        else
            dc_.SelectObject(Handle(index));
    }
    void Poly(uint32_t type, const TMetafileReader& r, bool small);
    void ExtCreatePen(const TMetafileReader& r);
    void PatternBrush(const TMetafileReader& r);
    void Text(const TMetafileReader& r, bool wide);
    void SmallText(const TMetafileReader& r);
    void Blit(uint32_t type, const TMetafileReader& r);
    void StretchDib(const TMetafileReader& r);
    void SetDibToDevice(const TMetafileReader& r);
    void Region(uint32_t type, const TMetafileReader& r);

    const TEmfHeader& header_;
    TMetafilePlayer& dc_;
};

void TEmfPlayback::Poly(uint32_t type, const TMetafileReader& r, bool small) {
    QPolygonF points = Points(r, 28, r.U32(24), small);
    switch (type) {
    case EMR_POLYBEZIER:
    case EMR_POLYBEZIER16:
        dc_.PolyBezier(points);
        break;
    case EMR_POLYGON:
    case EMR_POLYGON16:
        dc_.Polygon(points);
        break;
    case EMR_POLYLINE:
    case EMR_POLYLINE16:
        dc_.Polyline(points);
        break;
    case EMR_POLYBEZIERTO:
    case EMR_POLYBEZIERTO16:
        dc_.PolyBezierTo(points);
        break;
    default:
        dc_.PolylineTo(points);
        break;
    }
}

void TEmfPlayback::ExtCreatePen(const TMetafileReader& r) {
    TMetaPen pen;
    pen.Style = r.U32(28);
    pen.Width = (pen.Style & gdi::PS_GEOMETRIC) ? double(r.U32(32)) : 0;
    pen.Color = r.U32(40) & 0xFFFFFF;
    pen.Extended = true;
    if (r.U32(36) == gdi::BS_NULL) pen.Style = gdi::PS_NULL;
    Store(r, pen);
}

void TEmfPlayback::PatternBrush(const TMetafileReader& r) {
    TMetaBrush brush;
    brush.Style = gdi::BS_DIBPATTERNPT;
    brush.Pattern = RecordDib(r, 16, 24, r.U32(12));
    if (brush.Pattern.isNull()) brush.Style = gdi::BS_NULL;
    Store(r, brush);
}

void TEmfPlayback::Text(const TMetafileReader& r, bool wide) {
    TMetafilePlayer::TTextRun run;
    run.Reference = Point32(r, 36);
    uint64_t count = r.U32(44);
    uint64_t at = r.U32(48);
    run.Options = r.U32(52);
    run.Rect = Box(r, 56);
    uint64_t dxAt = r.U32(72);
    if (wide) {
        r.Require(at, count * 2);
        run.Text.reserve(qsizetype(count));
        for (uint64_t i = 0; i < count; ++i) run.Text.append(QChar(char16_t(r.U16(at + 2 * i))));
    } else {
        run.Text = DecodeAnsiText(r.Data(at, count), count);
    }
    if (dxAt && count) {
        uint64_t step = (run.Options & gdi::ETO_PDY) ? 8 : 4;
        r.Require(dxAt, count * step);
        for (uint64_t i = 0; i < count; ++i) run.Dx.push_back(r.I32(dxAt + i * step));
    }
    dc_.TextOut(run);
}

void TEmfPlayback::SmallText(const TMetafileReader& r) {
    constexpr uint32_t kNoRect = 0x100, kSmallChars = 0x200;
    TMetafilePlayer::TTextRun run;
    run.Reference = Point32(r, 8);
    uint64_t count = r.U32(16);
    run.Options = r.U32(20);
    uint64_t at = 36;
    if (!(run.Options & kNoRect)) {
        run.Rect = Box(r, 36);
        at += 16;
    }
    if (run.Options & kSmallChars) {
        run.Text = DecodeAnsiText(r.Data(at, count), count);
    } else {
        r.Require(at, count * 2);
        for (uint64_t i = 0; i < count; ++i) run.Text.append(QChar(char16_t(r.U16(at + 2 * i))));
    }
    run.Options &= ~(kNoRect | kSmallChars);
    dc_.TextOut(run);
}

void TEmfPlayback::Blit(uint32_t type, const TMetafileReader& r) {
    QRectF dest(Point32(r, 24), QSizeF(r.I32(32), r.I32(36)));
    uint32_t rop = r.U32(40);
    QPointF src = Point32(r, 44);
    QTransform xf = XForm(r, 52);
    QImage image = RecordDib(r, 84, 92, r.U32(80));
    QSizeF size = type == EMR_STRETCHBLT ? QSizeF(r.I32(100), r.I32(104)) : dest.size();
    if (std::isfinite(xf.determinant()) && xf.determinant() != 0 &&
        xf.type() <= QTransform::TxScale) {
        src = xf.map(src);
        size = QSizeF(size.width() * xf.m11(), size.height() * xf.m22());
    }
    dc_.BitBlt(dest, image, QRectF(src, size), rop);
}

void TEmfPlayback::StretchDib(const TMetafileReader& r) {
    QRectF dest(Point32(r, 24), QSizeF(r.I32(72), r.I32(76)));
    QRectF src(Point32(r, 32), QSizeF(r.I32(40), r.I32(44)));
    uint32_t rop = r.U32(68);
    bool bottomUp = false;
    const QSize step = dc_.SampleStep(dest, src);
    QImage image = RecordDib(r, 48, 56, r.U32(64), &bottomUp, -1, step);
    src = SampledRect(src, step);
    if (bottomUp && !image.isNull()) src.moveTop(image.height() - src.top() - src.height());
    dc_.BitBlt(dest, image, src, rop);
}

void TEmfPlayback::SetDibToDevice(const TMetafileReader& r) {
    constexpr uint32_t kSrcCopy = 0x00CC0020;
    QRectF src(Point32(r, 32), QSizeF(r.I32(40), r.I32(44)));
    QRectF dest(Point32(r, 24), src.size());
    int64_t start = r.U32(68), scans = r.U32(72);
    bool bottomUp = false;
    QImage image = RecordDib(r, 48, 56, r.U32(64), &bottomUp, scans);
    if (image.isNull()) return;
    if (bottomUp)
        src.moveTop(double(start + image.height()) - src.top() - src.height());
    else
        src.moveTop(src.top() - double(start));
    dc_.BitBlt(dest, image, src, kSrcCopy);
}

void TEmfPlayback::Region(uint32_t type, const TMetafileReader& r) {
    switch (type) {
    case EMR_EXTSELECTCLIPRGN: {
        uint32_t size = r.U32(8), mode = r.U32(12);
        if (size == 0) {
            if (mode == gdi::RGN_COPY) dc_.CombineClip(std::nullopt, mode);
            return;
        }
        dc_.CombineClip(dc_.DeviceRectsToOutput(RegionRects(r, 16, size)), mode);
        return;
    }
    case EMR_FILLRGN: {
        QRegion region = dc_.DeviceRectsToOutput(RegionRects(r, 32, r.U32(24)));
        uint32_t index = r.U32(28);
        TMetaBrush brush = dc_.State().Brush;
        if (!(index & kStockFlag)) {
            const TMetaObject* object = dc_.Object(Handle(index));
            const TMetaBrush* b = object ? std::get_if<TMetaBrush>(object) : nullptr;
            if (!b) return;
            brush = *b;
        }
        dc_.FillRegion(region, brush);
        return;
    }
    case EMR_PAINTRGN:
        dc_.FillRegion(dc_.DeviceRectsToOutput(RegionRects(r, 28, r.U32(24))), dc_.State().Brush);
        return;
    case EMR_INVERTRGN:
        dc_.InvertRegion(dc_.DeviceRectsToOutput(RegionRects(r, 28, r.U32(24))));
        return;
    default:
        return;
    }
}

bool TEmfPlayback::Play(uint32_t type, const TMetafileReader& r) {
    TMetaState& s = dc_.State();
    switch (type) {
    case EMR_EOF:
        return false;
    case EMR_POLYBEZIER:
    case EMR_POLYGON:
    case EMR_POLYLINE:
    case EMR_POLYBEZIERTO:
    case EMR_POLYLINETO:
        Poly(type, r, false);
        break;
    case EMR_POLYBEZIER16:
    case EMR_POLYGON16:
    case EMR_POLYLINE16:
    case EMR_POLYBEZIERTO16:
    case EMR_POLYLINETO16:
        Poly(type, r, true);
        break;
    case EMR_POLYPOLYLINE:
        dc_.PolyPolyline(PolyPoints(r, false));
        break;
    case EMR_POLYPOLYGON:
        dc_.PolyPolygon(PolyPoints(r, false));
        break;
    case EMR_POLYPOLYLINE16:
        dc_.PolyPolyline(PolyPoints(r, true));
        break;
    case EMR_POLYPOLYGON16:
        dc_.PolyPolygon(PolyPoints(r, true));
        break;
    case EMR_POLYDRAW:
    case EMR_POLYDRAW16: {
        bool small = type == EMR_POLYDRAW16;
        uint64_t count = r.U32(24);
        QPolygonF points = Points(r, 28, count, small);
        const uint8_t* types = r.Data(28 + count * (small ? 4 : 8), count);
        dc_.PolyDraw(points, std::vector<uint8_t>(types, types + count));
        break;
    }
    case EMR_SETWINDOWEXTEX:
        dc_.SetWindowExt(r.I32(8), r.I32(12));
        break;
    case EMR_SETWINDOWORGEX:
        dc_.SetWindowOrg(Point32(r, 8));
        break;
    case EMR_SETVIEWPORTEXTEX:
        dc_.SetViewportExt(r.I32(8), r.I32(12));
        break;
    case EMR_SETVIEWPORTORGEX:
        dc_.SetViewportOrg(Point32(r, 8));
        break;
    case EMR_SETBRUSHORGEX:
        s.BrushOrigin = Point32(r, 8);
        break;
    case EMR_SETPIXELV:
        dc_.SetPixel(Point32(r, 8), r.U32(16));
        break;
    case EMR_SETMAPMODE:
        dc_.SetMapMode(r.I32(8));
        break;
    case EMR_SETBKMODE:
        s.BkMode = r.I32(8);
        break;
    case EMR_SETPOLYFILLMODE:
        s.PolyFillMode = r.I32(8);
        break;
    case EMR_SETROP2:
        s.Rop2 = r.I32(8);
        break;
    case EMR_SETTEXTALIGN:
        s.TextAlign = r.U32(8);
        break;
    case EMR_SETTEXTCOLOR:
        s.TextColor = r.U32(8) & 0xFFFFFF;
        break;
    case EMR_SETBKCOLOR:
        s.BkColor = r.U32(8) & 0xFFFFFF;
        break;
    case EMR_OFFSETCLIPRGN:
        dc_.OffsetClip(Point32(r, 8));
        break;
    case EMR_MOVETOEX:
        dc_.MoveTo(Point32(r, 8));
        break;
    case EMR_EXCLUDECLIPRECT:
        dc_.ExcludeClipRect(Box(r, 8));
        break;
    case EMR_INTERSECTCLIPRECT:
        dc_.IntersectClipRect(Box(r, 8));
        break;
    case EMR_SCALEVIEWPORTEXTEX:
        dc_.ScaleViewportExt(r.I32(8), r.I32(12), r.I32(16), r.I32(20));
        break;
    case EMR_SCALEWINDOWEXTEX:
        dc_.ScaleWindowExt(r.I32(8), r.I32(12), r.I32(16), r.I32(20));
        break;
    case EMR_SAVEDC:
        dc_.SaveDC();
        break;
    case EMR_RESTOREDC:
        dc_.RestoreDC(r.I32(8));
        break;
    case EMR_SETWORLDTRANSFORM:
        dc_.SetWorldTransform(XForm(r, 8));
        break;
    case EMR_MODIFYWORLDTRANSFORM:
        dc_.ModifyWorldTransform(XForm(r, 8), r.U32(32));
        break;
    case EMR_SELECTOBJECT:
        Select(r.U32(8));
        break;
    case EMR_DELETEOBJECT:
    case EMR_DELETECOLORSPACE:
        if (!(r.U32(8) & kStockFlag)) dc_.DeleteObject(Handle(r.U32(8)));
        break;
    case EMR_CREATEPEN: {
        TMetaPen pen;
        pen.Style = r.U32(12);
        pen.Width = r.I32(16);
        pen.Color = r.U32(24) & 0xFFFFFF;
        Store(r, pen);
        break;
    }
    case EMR_CREATEBRUSHINDIRECT: {
        TMetaBrush brush;
        brush.Style = r.U32(12);
        brush.Color = r.U32(16) & 0xFFFFFF;
        brush.Hatch = r.U32(20);
        if (brush.Style != gdi::BS_NULL && brush.Style != gdi::BS_HATCHED)
            brush.Style = gdi::BS_SOLID;
        Store(r, brush);
        break;
    }
    case EMR_EXTCREATEPEN:
        ExtCreatePen(r);
        break;
    case EMR_CREATEMONOBRUSH:
    case EMR_CREATEDIBPATTERNBRUSHPT:
        PatternBrush(r);
        break;
    case EMR_EXTCREATEFONTINDIRECTW:
        Store(r, ReadLogFontW(r, 12));
        break;
    case EMR_CREATEPALETTE:
    case EMR_CREATECOLORSPACE:
    case EMR_CREATECOLORSPACEW:
        Store(r, TMetaPlaceholder{});
        break;
    case EMR_ANGLEARC:
        dc_.AngleArc(Point32(r, 8), r.U32(16), r.F32(20), r.F32(24));
        break;
    case EMR_ELLIPSE:
        dc_.Ellipse(Box(r, 8));
        break;
    case EMR_RECTANGLE:
        dc_.Rectangle(Box(r, 8));
        break;
    case EMR_ROUNDRECT:
        dc_.RoundRect(Box(r, 8), QSizeF(r.I32(24), r.I32(28)));
        break;
    case EMR_ARC:
    case EMR_CHORD:
    case EMR_PIE:
    case EMR_ARCTO: {
        using K = TMetafilePlayer::TArcKind;
        K kind = type == EMR_ARC     ? K::Arc
                 : type == EMR_CHORD ? K::Chord
                 : type == EMR_PIE   ? K::Pie
                                     : K::ArcTo;
        dc_.Arc(Box(r, 8), Point32(r, 24), Point32(r, 32), kind);
        break;
    }
    case EMR_LINETO:
        dc_.LineTo(Point32(r, 8));
        break;
    case EMR_SETARCDIRECTION:
        s.Clockwise = r.U32(8) == gdi::AD_CLOCKWISE;
        break;
    case EMR_SETMITERLIMIT: {
        uint32_t limit = r.U32(8);
        if (limit >= 1 && limit <= 1000) s.MiterLimit = limit;
        break;
    }
    case EMR_BEGINPATH:
        dc_.BeginPath();
        break;
    case EMR_ENDPATH:
        dc_.EndPath();
        break;
    case EMR_CLOSEFIGURE:
        dc_.CloseFigure();
        break;
    case EMR_FILLPATH:
        dc_.FillPath();
        break;
    case EMR_STROKEANDFILLPATH:
        dc_.StrokeAndFillPath();
        break;
    case EMR_STROKEPATH:
        dc_.StrokePath();
        break;
    case EMR_WIDENPATH:
        dc_.WidenPath();
        break;
    case EMR_SELECTCLIPPATH:
        dc_.SelectClipPath(r.U32(8));
        break;
    case EMR_ABORTPATH:
        dc_.AbortPath();
        break;
    case EMR_FILLRGN:
    case EMR_INVERTRGN:
    case EMR_PAINTRGN:
    case EMR_EXTSELECTCLIPRGN:
        Region(type, r);
        break;
    case EMR_BITBLT:
    case EMR_STRETCHBLT:
        Blit(type, r);
        break;
    case EMR_STRETCHDIBITS:
        StretchDib(r);
        break;
    case EMR_SETDIBITSTODEVICE:
        SetDibToDevice(r);
        break;
    case EMR_EXTTEXTOUTA:
    case EMR_EXTTEXTOUTW:
        Text(r, type == EMR_EXTTEXTOUTW);
        break;
    case EMR_SMALLTEXTOUT:
        SmallText(r);
        break;
    default:
        break; // comments, escapes and records that do not draw
    }
    return true;
}

} // namespace

TEmfHeader ReadEmfHeader(const TMetafileReader& data) {
    if (data.Size() < 88 || data.U32(0) != EMR_HEADER || data.U32(40) != kEmfSignature)
        throw EMetafileError("The file is not an enhanced metafile.");
    TEmfHeader h;
    h.HeaderSize = data.U32(4);
    if (h.HeaderSize < 88 || h.HeaderSize % 4 || h.HeaderSize > data.Size()) Damaged();
    h.Frame = QRect(QPoint(data.I32(24), data.I32(28)), QPoint(data.I32(32), data.I32(36)));
    h.Handles = data.U16(56);
    h.Device = QSize(data.I32(72), data.I32(76));
    h.Millimeters = QSize(data.I32(80), data.I32(84));
    if (h.Handles == 0 || h.Device.width() <= 0 || h.Device.height() <= 0 ||
        h.Millimeters.width() <= 0 || h.Millimeters.height() <= 0)
        Damaged();
    return h;
}

QSize EmfPictureSize(const TEmfHeader& h) {
    int64_t fw = int64_t(h.Frame.right()) - h.Frame.left();
    int64_t fh = int64_t(h.Frame.bottom()) - h.Frame.top();
    if (fw <= 0 || fh <= 0) throw EMetafileError("The metafile's picture frame is empty.");
    double w = std::max(1.0, std::nearbyint(double(fw) * 96 / 2540));
    double hh = std::max(1.0, std::nearbyint(double(fh) * 96 / 2540));
    if (w > 65535 || hh > 65535 || w * hh > double(1 << 28))
        throw EMetafileError("The metafile's picture is too large.");
    return QSize(int(w), int(hh));
}

void PlayEmf(const TMetafileReader& data, const TEmfHeader& h, QImage& target) {
    TMetafilePlayer::TDevice device;
    device.PixelsPerMmX = double(h.Device.width()) / h.Millimeters.width();
    device.PixelsPerMmY = double(h.Device.height()) / h.Millimeters.height();
    // The frame, converted to recording-device pixels, fills the picture.
    double left = h.Frame.left() * device.PixelsPerMmX / 100;
    double top = h.Frame.top() * device.PixelsPerMmY / 100;
    double fw = (double(h.Frame.right()) - h.Frame.left()) * device.PixelsPerMmX / 100;
    double fh = (double(h.Frame.bottom()) - h.Frame.top()) * device.PixelsPerMmY / 100;
    double sx = target.width() / fw, sy = target.height() / fh;
    device.ToOutput = QTransform(sx, 0, 0, sy, -left * sx, -top * sy);
    TMetafilePlayer dc(target, device);
    dc.SetObjectCount(h.Handles);
    TEmfPlayback playback(h, dc);
    uint64_t at = h.HeaderSize;
    while (at < data.Size()) {
        if (!data.Fits(at, 8)) Damaged();
        uint32_t type = data.U32(at), size = data.U32(at + 4);
        if (size < 8 || size % 4 || !data.Fits(at, size)) Damaged();
        if (!playback.Play(type, data.Sub(at, size))) break;
        at += size;
    }
}

} // namespace kolvar
