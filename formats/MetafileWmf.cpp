// Old-style metafiles, with or without the placeable header: 16-bit records whose parameters
// are stored last argument first.

#include "formats/MetafileDib.h"
#include "formats/MetafilePlayer.h"
#include "formats/MetafileRecords.h"

#include <cmath>

namespace kolvar {

namespace {

constexpr uint32_t kPlaceableKey = 0x9AC6CDD7;
constexpr uint64_t kPlaceableSize = 22;
constexpr uint64_t kHeaderSize = 18;

enum : uint16_t {
    META_EOF = 0x0000,
    META_SAVEDC = 0x001E,
    META_CREATEPALETTE = 0x00F7,
    META_SETBKMODE = 0x0102,
    META_SETMAPMODE = 0x0103,
    META_SETROP2 = 0x0104,
    META_SETPOLYFILLMODE = 0x0106,
    META_RESTOREDC = 0x0127,
    META_INVERTREGION = 0x012A,
    META_PAINTREGION = 0x012B,
    META_SELECTCLIPREGION = 0x012C,
    META_SELECTOBJECT = 0x012D,
    META_SETTEXTALIGN = 0x012E,
    META_DIBCREATEPATTERNBRUSH = 0x0142,
    META_DELETEOBJECT = 0x01F0,
    META_CREATEPATTERNBRUSH = 0x01F9,
    META_SETBKCOLOR = 0x0201,
    META_SETTEXTCOLOR = 0x0209,
    META_SETWINDOWORG = 0x020B,
    META_SETWINDOWEXT = 0x020C,
    META_SETVIEWPORTORG = 0x020D,
    META_SETVIEWPORTEXT = 0x020E,
    META_OFFSETWINDOWORG = 0x020F,
    META_OFFSETVIEWPORTORG = 0x0211,
    META_LINETO = 0x0213,
    META_MOVETO = 0x0214,
    META_OFFSETCLIPRGN = 0x0220,
    META_FILLREGION = 0x0228,
    META_CREATEPENINDIRECT = 0x02FA,
    META_CREATEFONTINDIRECT = 0x02FB,
    META_CREATEBRUSHINDIRECT = 0x02FC,
    META_POLYGON = 0x0324,
    META_POLYLINE = 0x0325,
    META_SCALEWINDOWEXT = 0x0410,
    META_SCALEVIEWPORTEXT = 0x0412,
    META_EXCLUDECLIPRECT = 0x0415,
    META_INTERSECTCLIPRECT = 0x0416,
    META_ELLIPSE = 0x0418,
    META_RECTANGLE = 0x041B,
    META_SETPIXEL = 0x041F,
    META_TEXTOUT = 0x0521,
    META_POLYPOLYGON = 0x0538,
    META_ROUNDRECT = 0x061C,
    META_PATBLT = 0x061D,
    META_CREATEREGION = 0x06FF,
    META_ARC = 0x0817,
    META_PIE = 0x081A,
    META_CHORD = 0x0830,
    META_DIBBITBLT = 0x0940,
    META_EXTTEXTOUT = 0x0A32,
    META_DIBSTRETCHBLT = 0x0B41,
    META_SETDIBTODEV = 0x0D33,
    META_STRETCHDIB = 0x0F43,
};

[[noreturn]] void Damaged() {
    throw EMetafileError("The metafile is damaged.");
}

// Parameter i of a record, counted in 16-bit words after the function number.
int16_t P(const TMetafileReader& r, uint64_t i) {
    return r.I16(6 + 2 * i);
}
uint16_t PU(const TMetafileReader& r, uint64_t i) {
    return r.U16(6 + 2 * i);
}
uint32_t P32(const TMetafileReader& r, uint64_t i) {
    return r.U32(6 + 2 * i);
}

// A box stored as bottom, right, top, left from parameter i on.
QRectF ReversedBox(const TMetafileReader& r, uint64_t i) {
    return QRectF(QPointF(P(r, i + 3), P(r, i + 2)), QPointF(P(r, i + 1), P(r, i)));
}

QPointF ReversedPoint(const TMetafileReader& r, uint64_t i) {
    return QPointF(P(r, i + 1), P(r, i));
}

QPolygonF Points(const TMetafileReader& r, uint64_t at, uint64_t count) {
    r.Require(at, count * 4);
    QPolygonF points;
    points.reserve(qsizetype(count));
    for (uint64_t i = 0; i < count; ++i)
        points.append(QPointF(r.I16(at + 4 * i), r.I16(at + 4 * i + 2)));
    return points;
}

// A bitmap that fills the record from `at` on: the info block, then the bits.
QImage RecordDib(const TMetafileReader& r, uint64_t at, uint16_t usage, bool* bottomUp = nullptr,
                 int64_t rows = -1, QSize step = QSize(1, 1)) {
    TMetafileReader dib = r.Sub(at, r.Size() - std::min<uint64_t>(at, r.Size()));
    TDibUsage u = usage == 1 ? TDibUsage::PaletteIndices : TDibUsage::RgbColors;
    uint64_t infoSize = MetafileDibInfoSize(dib, u);
    TMetafileReader info = dib.Sub(0, infoSize);
    if (bottomUp) *bottomUp = MetafileDibBottomUp(info);
    return DecodeMetafileDib(info, dib.Sub(infoSize, dib.Size() - infoSize), u, rows, step);
}

TMetaRegion ReadRegion(const TMetafileReader& r) {
    TMetaRegion region;
    uint64_t scans = PU(r, 5);
    uint64_t at = 28;
    for (uint64_t s = 0; s < scans; ++s) {
        uint64_t count = r.U16(at);
        double top = r.I16(at + 2), bottom = r.I16(at + 4);
        r.Require(at + 6, count * 2 + 2);
        for (uint64_t k = 0; k + 1 < count; k += 2)
            region.Rects.emplace_back(QPointF(r.I16(at + 6 + 2 * k), top),
                                      QPointF(r.I16(at + 8 + 2 * k), bottom));
        at += 6 + count * 2 + 2;
    }
    if (!scans) region.Rects.emplace_back(QPointF(P(r, 7), P(r, 8)), QPointF(P(r, 9), P(r, 10)));
    return region;
}

TMetaFont ReadLogFont(const TMetafileReader& r) {
    TMetaFont font;
    font.Height = P(r, 0);
    font.Width = P(r, 1);
    font.Escapement = P(r, 2);
    font.Weight = P(r, 4);
    font.Italic = r.U8(16);
    font.Underline = r.U8(17);
    font.StrikeOut = r.U8(18);
    font.CharSet = r.U8(19);
    font.PitchAndFamily = r.U8(23);
    uint64_t n = 0;
    while (n < 32 && 24 + n < r.Size() && r.U8(24 + n)) ++n;
    font.FaceName = DecodeAnsiText(r.Data(24, n), n);
    return font;
}

class TWmfPlayback {
public:
    explicit TWmfPlayback(TMetafilePlayer& dc) : dc_(dc) {}
    bool Play(uint16_t function, const TMetafileReader& r);

private:
    void Create(TMetaObject object) {
        std::optional<size_t> slot = dc_.FreeObjectSlot();
        if (!slot) throw EMetafileError("The metafile has more objects than it declares.");
        dc_.StoreObject(*slot, std::move(object));
    }
    const TMetaRegion* RegionAt(uint16_t index) {
        const TMetaObject* object = dc_.Object(index);
        return object ? std::get_if<TMetaRegion>(object) : nullptr;
    }
    void Text(const TMetafileReader& r);
    void ExtText(const TMetafileReader& r);
    void Blit(uint16_t function, const TMetafileReader& r);
    void Regions(uint16_t function, const TMetafileReader& r);
    void PatternBrush(const TMetafileReader& r);

    TMetafilePlayer& dc_;
};

void TWmfPlayback::Text(const TMetafileReader& r) {
    TMetafilePlayer::TTextRun run;
    int64_t count = P(r, 0);
    if (count < 0) Damaged();
    uint64_t padded = (uint64_t(count) + 1) & ~uint64_t(1);
    run.Text = DecodeAnsiText(r.Data(8, uint64_t(count)), uint64_t(count));
    run.Reference = QPointF(r.I16(8 + padded + 2), r.I16(8 + padded));
    dc_.TextOut(run);
}

void TWmfPlayback::ExtText(const TMetafileReader& r) {
    TMetafilePlayer::TTextRun run;
    run.Reference = ReversedPoint(r, 0);
    int64_t count = P(r, 2);
    if (count < 0) Damaged();
    run.Options = PU(r, 3);
    uint64_t at = 14;
    if (run.Options & (gdi::ETO_OPAQUE | gdi::ETO_CLIPPED)) {
        run.Rect = QRectF(QPointF(r.I16(14), r.I16(16)), QPointF(r.I16(18), r.I16(20)));
        at += 8;
    }
    run.Text = DecodeAnsiText(r.Data(at, uint64_t(count)), uint64_t(count));
    at += (uint64_t(count) + 1) & ~uint64_t(1);
    if (count && r.Fits(at, uint64_t(count) * 2))
        for (int64_t i = 0; i < count; ++i) run.Dx.push_back(r.I16(at + 2 * uint64_t(i)));
    dc_.TextOut(run);
}

void TWmfPlayback::Blit(uint16_t function, const TMetafileReader& r) {
    // Without a bitmap the record is as long as its function number's high byte says.
    bool noBitmap = r.Size() / 2 == uint64_t((function >> 8) + 3);
    uint32_t rop = P32(r, 0);
    QRectF dest, src;
    QImage image;
    switch (function) {
    case META_DIBBITBLT:
        if (noBitmap) {
            dest = QRectF(ReversedPoint(r, 7), QSizeF(P(r, 6), P(r, 5)));
        } else {
            dest = QRectF(ReversedPoint(r, 6), QSizeF(P(r, 5), P(r, 4)));
            src = QRectF(ReversedPoint(r, 2), dest.size());
            image = RecordDib(r, 22, 0);
        }
        break;
    case META_DIBSTRETCHBLT:
        if (noBitmap) {
            dest = QRectF(ReversedPoint(r, 9), QSizeF(P(r, 8), P(r, 7)));
        } else {
            dest = QRectF(ReversedPoint(r, 8), QSizeF(P(r, 7), P(r, 6)));
            src = QRectF(ReversedPoint(r, 4), QSizeF(P(r, 3), P(r, 2)));
            image = RecordDib(r, 26, 0);
        }
        break;
    case META_STRETCHDIB: {
        dest = QRectF(ReversedPoint(r, 9), QSizeF(P(r, 8), P(r, 7)));
        src = QRectF(ReversedPoint(r, 5), QSizeF(P(r, 4), P(r, 3)));
        bool bottomUp = false;
        const QSize step = dc_.SampleStep(dest, src);
        image = RecordDib(r, 28, PU(r, 2), &bottomUp, -1, step);
        src = SampledRect(src, step);
        if (bottomUp && !image.isNull()) src.moveTop(image.height() - src.top() - src.height());
        break;
    }
    case META_SETDIBTODEV: {
        constexpr uint32_t kSrcCopy = 0x00CC0020;
        rop = kSrcCopy;
        int64_t scans = PU(r, 1), start = PU(r, 2);
        src = QRectF(ReversedPoint(r, 3), QSizeF(P(r, 6), P(r, 5)));
        dest = QRectF(ReversedPoint(r, 7), src.size());
        bool bottomUp = false;
        image = RecordDib(r, 24, PU(r, 0), &bottomUp, scans);
        if (image.isNull()) return;
        if (bottomUp)
            src.moveTop(double(start + image.height()) - src.top() - src.height());
        else
            src.moveTop(src.top() - double(start));
        break;
    }
    default:
        return;
    }
    dc_.BitBlt(dest, image, src, rop);
}

void TWmfPlayback::Regions(uint16_t function, const TMetafileReader& r) {
    switch (function) {
    case META_SELECTCLIPREGION: {
        const TMetaRegion* region = RegionAt(PU(r, 0));
        if (region)
            dc_.CombineClip(dc_.LogicalRectsToOutput(region->Rects), gdi::RGN_COPY);
        else
            dc_.CombineClip(std::nullopt, gdi::RGN_COPY);
        return;
    }
    case META_FILLREGION: {
        const TMetaRegion* region = RegionAt(PU(r, 0));
        const TMetaObject* object = dc_.Object(PU(r, 1));
        const TMetaBrush* brush = object ? std::get_if<TMetaBrush>(object) : nullptr;
        if (region && brush) dc_.FillRegion(dc_.LogicalRectsToOutput(region->Rects), *brush);
        return;
    }
    case META_PAINTREGION:
        if (const TMetaRegion* region = RegionAt(PU(r, 0)))
            dc_.FillRegion(dc_.LogicalRectsToOutput(region->Rects), dc_.State().Brush);
        return;
    case META_INVERTREGION:
        if (const TMetaRegion* region = RegionAt(PU(r, 0)))
            dc_.InvertRegion(dc_.LogicalRectsToOutput(region->Rects));
        return;
    default:
        return;
    }
}

void TWmfPlayback::PatternBrush(const TMetafileReader& r) {
    TMetaBrush brush;
    brush.Style = gdi::BS_NULL;
    uint16_t style = PU(r, 0);
    if (style != gdi::BS_PATTERN) {
        brush.Pattern = RecordDib(r, 10, PU(r, 1));
        if (!brush.Pattern.isNull()) brush.Style = gdi::BS_DIBPATTERNPT;
    }
    Create(brush);
}

bool TWmfPlayback::Play(uint16_t function, const TMetafileReader& r) {
    TMetaState& s = dc_.State();
    switch (function) {
    case META_EOF:
        return false;
    case META_SAVEDC:
        dc_.SaveDC();
        break;
    case META_RESTOREDC:
        dc_.RestoreDC(P(r, 0));
        break;
    case META_SETBKMODE:
        s.BkMode = PU(r, 0);
        break;
    case META_SETMAPMODE:
        dc_.SetMapMode(PU(r, 0));
        break;
    case META_SETROP2:
        s.Rop2 = PU(r, 0);
        break;
    case META_SETPOLYFILLMODE:
        s.PolyFillMode = PU(r, 0);
        break;
    case META_SETTEXTALIGN:
        s.TextAlign = PU(r, 0);
        break;
    case META_SETBKCOLOR:
        s.BkColor = P32(r, 0) & 0xFFFFFF;
        break;
    case META_SETTEXTCOLOR:
        s.TextColor = P32(r, 0) & 0xFFFFFF;
        break;
    case META_SETWINDOWORG:
        dc_.SetWindowOrg(ReversedPoint(r, 0));
        break;
    case META_SETWINDOWEXT:
        dc_.SetWindowExt(P(r, 1), P(r, 0));
        break;
    case META_SETVIEWPORTORG:
        dc_.SetViewportOrg(ReversedPoint(r, 0));
        break;
    case META_SETVIEWPORTEXT:
        dc_.SetViewportExt(P(r, 1), P(r, 0));
        break;
    case META_OFFSETWINDOWORG:
        dc_.OffsetWindowOrg(ReversedPoint(r, 0));
        break;
    case META_OFFSETVIEWPORTORG:
        dc_.OffsetViewportOrg(ReversedPoint(r, 0));
        break;
    case META_SCALEWINDOWEXT:
        dc_.ScaleWindowExt(P(r, 3), P(r, 2), P(r, 1), P(r, 0));
        break;
    case META_SCALEVIEWPORTEXT:
        dc_.ScaleViewportExt(P(r, 3), P(r, 2), P(r, 1), P(r, 0));
        break;
    case META_LINETO:
        dc_.LineTo(ReversedPoint(r, 0));
        break;
    case META_MOVETO:
        dc_.MoveTo(ReversedPoint(r, 0));
        break;
    case META_OFFSETCLIPRGN:
        dc_.OffsetClip(ReversedPoint(r, 0));
        break;
    case META_EXCLUDECLIPRECT:
        dc_.ExcludeClipRect(ReversedBox(r, 0));
        break;
    case META_INTERSECTCLIPRECT:
        dc_.IntersectClipRect(ReversedBox(r, 0));
        break;
    case META_SELECTOBJECT:
        dc_.SelectObject(PU(r, 0));
        break;
    case META_DELETEOBJECT:
        dc_.DeleteObject(PU(r, 0));
        break;
    case META_CREATEPENINDIRECT: {
        TMetaPen pen;
        pen.Style = PU(r, 0);
        pen.Width = P(r, 1);
        pen.Color = P32(r, 3) & 0xFFFFFF;
        Create(pen);
        break;
    }
    case META_CREATEBRUSHINDIRECT: {
        TMetaBrush brush;
        brush.Style = PU(r, 0);
        brush.Color = P32(r, 1) & 0xFFFFFF;
        brush.Hatch = PU(r, 3);
        if (brush.Style != gdi::BS_NULL && brush.Style != gdi::BS_HATCHED)
            brush.Style = gdi::BS_SOLID;
        Create(brush);
        break;
    }
    case META_CREATEFONTINDIRECT:
        Create(ReadLogFont(r));
        break;
    case META_CREATEREGION:
        Create(ReadRegion(r));
        break;
    case META_DIBCREATEPATTERNBRUSH:
        PatternBrush(r);
        break;
    case META_CREATEPATTERNBRUSH: {
        TMetaBrush brush;
        brush.Style = gdi::BS_NULL;
        Create(brush);
        break;
    }
    case META_CREATEPALETTE:
        Create(TMetaPlaceholder{});
        break;
    case META_RECTANGLE:
        dc_.Rectangle(ReversedBox(r, 0));
        break;
    case META_ELLIPSE:
        dc_.Ellipse(ReversedBox(r, 0));
        break;
    case META_ROUNDRECT:
        dc_.RoundRect(ReversedBox(r, 2), QSizeF(P(r, 1), P(r, 0)));
        break;
    case META_ARC:
    case META_PIE:
    case META_CHORD: {
        using K = TMetafilePlayer::TArcKind;
        K kind = function == META_ARC ? K::Arc : function == META_PIE ? K::Pie : K::Chord;
        dc_.Arc(ReversedBox(r, 4), ReversedPoint(r, 2), ReversedPoint(r, 0), kind);
        break;
    }
    case META_SETPIXEL:
        dc_.SetPixel(ReversedPoint(r, 2), P32(r, 0) & 0xFFFFFF);
        break;
    case META_POLYGON:
    case META_POLYLINE: {
        int64_t count = P(r, 0);
        if (count < 0) Damaged();
        QPolygonF points = Points(r, 8, uint64_t(count));
        if (function == META_POLYGON)
            dc_.Polygon(points);
        else
            dc_.Polyline(points);
        break;
    }
    case META_POLYPOLYGON: {
        uint64_t polys = PU(r, 0);
        r.Require(8, polys * 2);
        uint64_t at = 8 + polys * 2;
        std::vector<QPolygonF> polygons;
        for (uint64_t i = 0; i < polys; ++i) {
            uint64_t n = r.U16(8 + 2 * i);
            polygons.push_back(Points(r, at, n));
            at += n * 4;
        }
        dc_.PolyPolygon(polygons);
        break;
    }
    case META_TEXTOUT:
        Text(r);
        break;
    case META_EXTTEXTOUT:
        ExtText(r);
        break;
    case META_PATBLT:
        dc_.PatBlt(QRectF(ReversedPoint(r, 4), QSizeF(P(r, 3), P(r, 2))), P32(r, 0));
        break;
    case META_DIBBITBLT:
    case META_DIBSTRETCHBLT:
    case META_STRETCHDIB:
    case META_SETDIBTODEV:
        Blit(function, r);
        break;
    case META_SELECTCLIPREGION:
    case META_FILLREGION:
    case META_PAINTREGION:
    case META_INVERTREGION:
        Regions(function, r);
        break;
    default:
        break; // escapes, palettes and records that do not draw
    }
    return true;
}

// Walks the records, handing each to `visit` until it returns false or the end record comes.
template <typename Visit>
void ForEachRecord(const TMetafileReader& data, uint64_t at, Visit visit) {
    while (at < data.Size()) {
        if (!data.Fits(at, 6)) Damaged();
        uint64_t size = uint64_t(data.U32(at)) * 2;
        if (size < 6 || !data.Fits(at, size)) Damaged();
        uint16_t function = data.U16(at + 4);
        if (function == META_EOF || !visit(function, data.Sub(at, size))) return;
        at += size;
    }
}

} // namespace

TWmfHeader ReadWmfHeader(const TMetafileReader& data) {
    TWmfHeader h;
    uint64_t at = 0;
    if (data.Size() >= 4 && data.U32(0) == kPlaceableKey) {
        if (!data.Fits(0, kPlaceableSize)) Damaged();
        h.Placeable = true;
        h.Box = QRect(QPoint(data.I16(6), data.I16(8)), QPoint(data.I16(10), data.I16(12)));
        h.UnitsPerInch = data.U16(14);
        if (h.UnitsPerInch == 0) throw EMetafileError("The metafile has no units per inch.");
        at = kPlaceableSize;
    }
    if (!data.Fits(at, kHeaderSize)) throw EMetafileError("The file is not a metafile.");
    uint16_t type = data.U16(at), headerWords = data.U16(at + 2);
    if ((type != 1 && type != 2) || headerWords != kHeaderSize / 2)
        throw EMetafileError("The file is not a metafile.");
    h.Objects = data.U16(at + 10);
    h.FirstRecord = at + kHeaderSize;
    if (!h.Placeable) {
        bool found = false;
        ForEachRecord(data, h.FirstRecord, [&](uint16_t function, const TMetafileReader& r) {
            if (function == META_SETWINDOWORG) h.WindowOrg = QPoint(P(r, 1), P(r, 0));
            if (function != META_SETWINDOWEXT) return true;
            h.WindowExt = QSize(P(r, 1), P(r, 0));
            found = true;
            return false;
        });
        if (!found) throw EMetafileError("The metafile does not give its size.");
    }
    return h;
}

QSize WmfPictureSize(const TWmfHeader& h) {
    double w, hh;
    if (h.Placeable) {
        w = std::nearbyint(std::abs(double(h.Box.right()) - h.Box.left()) * 96 / h.UnitsPerInch);
        hh = std::nearbyint(std::abs(double(h.Box.bottom()) - h.Box.top()) * 96 / h.UnitsPerInch);
    } else {
        w = std::abs(h.WindowExt.width());
        hh = std::abs(h.WindowExt.height());
    }
    if (w < 1 || hh < 1) throw EMetafileError("The metafile's picture is empty.");
    if (w > 65535 || hh > 65535 || w * hh > double(1 << 28))
        throw EMetafileError("The metafile's picture is too large.");
    return QSize(int(w), int(hh));
}

void PlayWmf(const TMetafileReader& data, const TWmfHeader& h, QImage& target) {
    TMetafilePlayer dc(target, TMetafilePlayer::TDevice());
    dc.SetObjectCount(h.Objects);
    // The records' window maps onto the whole picture, as when a metafile is played into a
    // rectangle: the placeable box, else the origin and extent the records set themselves.
    dc.SetMapMode(gdi::MM_ANISOTROPIC);
    if (h.Placeable) {
        dc.SetWindowOrg(QPointF(h.Box.left(), h.Box.top()));
        dc.SetWindowExt(double(h.Box.right()) - h.Box.left(), double(h.Box.bottom()) - h.Box.top());
    } else {
        dc.SetWindowOrg(QPointF(h.WindowOrg));
        dc.SetWindowExt(h.WindowExt.width(), h.WindowExt.height());
    }
    dc.SetViewportOrg(QPointF(0, 0));
    dc.SetViewportExt(target.width(), target.height());
    TWmfPlayback playback(dc);
    ForEachRecord(data, h.FirstRecord, [&](uint16_t function, const TMetafileReader& r) {
        return playback.Play(function, r);
    });
}

} // namespace kolvar
