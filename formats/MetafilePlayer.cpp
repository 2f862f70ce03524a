#include "formats/MetafilePlayer.h"

#include <algorithm>
#include <bit>
#include <cmath>

namespace kolvar {

namespace {

// A picture that saves its state without restoring would otherwise grow without bound.
constexpr size_t kMaxSavedStates = 4096;

bool Finite(const QTransform& t) {
    return std::isfinite(t.m11()) && std::isfinite(t.m12()) && std::isfinite(t.m21()) &&
           std::isfinite(t.m22()) && std::isfinite(t.dx()) && std::isfinite(t.dy());
}

bool Usable(const QTransform& t) {
    return Finite(t) && std::isnormal(t.determinant());
}

TMetaPen StockPen(TColor color, uint32_t style) {
    TMetaPen pen;
    pen.Color = color;
    pen.Style = style;
    return pen;
}

TMetaBrush StockBrush(TColor color, uint32_t style = gdi::BS_SOLID) {
    TMetaBrush brush;
    brush.Color = color;
    brush.Style = style;
    return brush;
}

TMetaFont StockFont(const char* face, int32_t height, int32_t weight) {
    TMetaFont font;
    font.FaceName = QString::fromLatin1(face);
    font.Height = height;
    font.Weight = weight;
    return font;
}

} // namespace

TMetafilePlayer::TMetafilePlayer(QImage& target, const TDevice& device)
    : target_(target), device_(device) {
    painter_.begin(&target_);
    painter_.setRenderHint(QPainter::Antialiasing, false);
    painter_.setRenderHint(QPainter::TextAntialiasing, false);
    painter_.setRenderHint(QPainter::SmoothPixmapTransform, false);
}

TMetafilePlayer::~TMetafilePlayer() {
    painter_.end();
}

// ---- objects ----

void TFreeSlots::Reset(size_t count) {
    FSlots.assign((count + 63) / 64, ~uint64_t(0));
    if (count % 64) FSlots.back() = (uint64_t(1) << (count % 64)) - 1;
    FWords.assign((FSlots.size() + 63) / 64, 0);
    for (size_t w = 0; w < FSlots.size(); ++w)
        if (FSlots[w]) FWords[w / 64] |= uint64_t(1) << (w % 64);
}

void TFreeSlots::SetFree(size_t index, bool free) {
    const size_t w = index / 64;
    const uint64_t bit = uint64_t(1) << (index % 64);
    FSlots[w] = free ? FSlots[w] | bit : FSlots[w] & ~bit;
    const uint64_t any = uint64_t(1) << (w % 64);
    FWords[w / 64] = FSlots[w] ? FWords[w / 64] | any : FWords[w / 64] & ~any;
}

std::optional<size_t> TFreeSlots::Lowest() const {
    // A table holds at most 65535 objects: at most 16 summary words to look at.
    for (size_t i = 0; i < FWords.size(); ++i) {
        if (!FWords[i]) continue;
        const size_t w = i * 64 + size_t(std::countr_zero(FWords[i]));
        return w * 64 + size_t(std::countr_zero(FSlots[w]));
    }
    return std::nullopt;
}

void TMetafilePlayer::SetObjectCount(size_t count) {
    objects_.assign(count, std::nullopt);
    free_.Reset(count);
}

void TMetafilePlayer::StoreObject(size_t index, TMetaObject object) {
    if (index >= objects_.size()) throw EMetafileError("The metafile names a missing object.");
    objects_[index] = std::move(object);
    free_.SetFree(index, false);
}

std::optional<size_t> TMetafilePlayer::FreeObjectSlot() const {
    return free_.Lowest();
}

const TMetaObject* TMetafilePlayer::Object(size_t index) const {
    if (index >= objects_.size()) throw EMetafileError("The metafile names a missing object.");
    return objects_[index] ? &*objects_[index] : nullptr;
}

void TMetafilePlayer::SelectObject(size_t index) {
    const TMetaObject* object = Object(index);
    if (!object) return;
    if (auto pen = std::get_if<TMetaPen>(object)) state_.Pen = *pen;
    if (auto brush = std::get_if<TMetaBrush>(object)) state_.Brush = *brush;
    if (auto font = std::get_if<TMetaFont>(object)) state_.Font = *font;
    if (auto region = std::get_if<TMetaRegion>(object))
        CombineClip(LogicalRectsToOutput(region->Rects), gdi::RGN_COPY);
}

void TMetafilePlayer::SelectStockObject(uint32_t stock) {
    switch (stock) {
    case 0:
        state_.Brush = StockBrush(0xFFFFFF);
        break;
    case 1:
        state_.Brush = StockBrush(0xC0C0C0);
        break;
    case 2:
        state_.Brush = StockBrush(0x808080);
        break;
    case 3:
        state_.Brush = StockBrush(0x404040);
        break;
    case 4:
        state_.Brush = StockBrush(0x000000);
        break;
    case 5:
        state_.Brush = StockBrush(0, gdi::BS_NULL);
        break;
    case 6:
        state_.Pen = StockPen(0xFFFFFF, gdi::PS_SOLID);
        break;
    case 7:
        state_.Pen = StockPen(0x000000, gdi::PS_SOLID);
        break;
    case 8:
        state_.Pen = StockPen(0, gdi::PS_NULL);
        break;
    case 10:
    case 11:
    case 16:
        state_.Font = StockFont("Courier New", 16, 400);
        break;
    case 12:
    case 17:
        state_.Font = StockFont("Arial", -11, 400);
        break;
    case 13:
    case 14:
        state_.Font = StockFont("Arial", 16, 700);
        break;
    case 18:
        state_.Brush = StockBrush(0xFFFFFF);
        break;
    case 19:
        state_.Pen = StockPen(0x000000, gdi::PS_SOLID);
        break;
    default:
        break;
    }
}

void TMetafilePlayer::DeleteObject(size_t index) {
    Object(index);
    objects_[index].reset();
    free_.SetFree(index, true);
}

// ---- mapping ----

QTransform TMetafilePlayer::PageToDevice() const {
    double sx = state_.ViewportExt.width() / state_.WindowExt.width();
    double sy = state_.ViewportExt.height() / state_.WindowExt.height();
    if (state_.MapMode == gdi::MM_ISOTROPIC) {
        double m = std::min(std::abs(sx), std::abs(sy));
        sx = std::copysign(m, sx);
        sy = std::copysign(m, sy);
    }
    return QTransform(sx, 0, 0, sy, state_.ViewportOrg.x() - state_.WindowOrg.x() * sx,
                      state_.ViewportOrg.y() - state_.WindowOrg.y() * sy);
}

QTransform TMetafilePlayer::LogicalToOutput() const {
    if (!mappingValid_) {
        mapping_ = state_.World * PageToDevice() * device_.ToOutput;
        mappingValid_ = true;
    }
    return mapping_;
}

void TMetafilePlayer::SetMapMode(int mode) {
    if (mode < gdi::MM_TEXT || mode > gdi::MM_ANISOTROPIC) return;
    state_.MapMode = mode;
    double mmPerUnit = 0;
    switch (mode) {
    case gdi::MM_LOMETRIC:
        mmPerUnit = 0.1;
        break;
    case gdi::MM_HIMETRIC:
        mmPerUnit = 0.01;
        break;
    case gdi::MM_LOENGLISH:
        mmPerUnit = 0.254;
        break;
    case gdi::MM_HIENGLISH:
        mmPerUnit = 0.0254;
        break;
    case gdi::MM_TWIPS:
        mmPerUnit = 25.4 / 1440;
        break;
    default:
        break;
    }
    if (mode == gdi::MM_TEXT) {
        state_.WindowExt = state_.ViewportExt = QSizeF(1, 1);
    } else if (mmPerUnit > 0) {
        state_.WindowExt = QSizeF(1, 1);
        state_.ViewportExt =
            QSizeF(device_.PixelsPerMmX * mmPerUnit, -device_.PixelsPerMmY * mmPerUnit);
    }
    InvalidateMapping();
}

void TMetafilePlayer::SetWindowOrg(QPointF origin) {
    state_.WindowOrg = origin;
    InvalidateMapping();
}

void TMetafilePlayer::SetViewportOrg(QPointF origin) {
    state_.ViewportOrg = origin;
    InvalidateMapping();
}

void TMetafilePlayer::OffsetWindowOrg(QPointF delta) {
    SetWindowOrg(state_.WindowOrg + delta);
}

void TMetafilePlayer::OffsetViewportOrg(QPointF delta) {
    SetViewportOrg(state_.ViewportOrg + delta);
}

static bool Scalable(int mode, double cx, double cy) {
    return (mode == gdi::MM_ISOTROPIC || mode == gdi::MM_ANISOTROPIC) && std::isnormal(cx) &&
           std::isnormal(cy);
}

void TMetafilePlayer::SetWindowExt(double cx, double cy) {
    if (!Scalable(state_.MapMode, cx, cy)) return;
    state_.WindowExt = QSizeF(cx, cy);
    InvalidateMapping();
}

void TMetafilePlayer::SetViewportExt(double cx, double cy) {
    if (!Scalable(state_.MapMode, cx, cy)) return;
    state_.ViewportExt = QSizeF(cx, cy);
    InvalidateMapping();
}

void TMetafilePlayer::ScaleWindowExt(double xNum, double xDenom, double yNum, double yDenom) {
    if (xDenom == 0 || yDenom == 0) return;
    SetWindowExt(state_.WindowExt.width() * xNum / xDenom,
                 state_.WindowExt.height() * yNum / yDenom);
}

void TMetafilePlayer::ScaleViewportExt(double xNum, double xDenom, double yNum, double yDenom) {
    if (xDenom == 0 || yDenom == 0) return;
    SetViewportExt(state_.ViewportExt.width() * xNum / xDenom,
                   state_.ViewportExt.height() * yNum / yDenom);
}

void TMetafilePlayer::SetWorldTransform(const QTransform& world) {
    if (!Usable(world)) return;
    state_.World = world;
    InvalidateMapping();
}

void TMetafilePlayer::ModifyWorldTransform(const QTransform& xform, uint32_t mode) {
    switch (mode) {
    case gdi::MWT_IDENTITY:
        state_.World = QTransform();
        break;
    case gdi::MWT_LEFTMULTIPLY:
        if (Usable(xform * state_.World)) state_.World = xform * state_.World;
        break;
    case gdi::MWT_RIGHTMULTIPLY:
        if (Usable(state_.World * xform)) state_.World = state_.World * xform;
        break;
    case gdi::MWT_SET:
        SetWorldTransform(xform);
        break;
    default:
        break;
    }
    InvalidateMapping();
}

void TMetafilePlayer::SaveDC() {
    if (saved_.size() >= kMaxSavedStates)
        ++savedOverflow_;
    else
        saved_.push_back(state_);
}

void TMetafilePlayer::RestoreDC(int32_t which) {
    size_t target;
    if (which < 0) {
        uint64_t back = uint64_t(-int64_t(which));
        if (back <= savedOverflow_) {
            savedOverflow_ -= back;
            return;
        }
        back -= savedOverflow_;
        if (back > saved_.size()) return;
        target = saved_.size() - back;
    } else {
        if (which == 0 || uint64_t(which) > saved_.size()) return;
        target = size_t(which) - 1;
    }
    savedOverflow_ = 0;
    state_ = saved_[target];
    saved_.resize(target);
    InvalidateMapping();
    clipDirty_ = true;
}

// ---- clipping ----

QRegion TMetafilePlayer::MappedRectRegion(const QRectF& rect, const QTransform& t) const {
    if (t.type() <= QTransform::TxScale) {
        QRectF m = t.mapRect(rect.normalized());
        QRectF bounds = QRectF(target_.rect()).adjusted(-2, -2, 2, 2);
        if (!std::isfinite(m.left()) || !std::isfinite(m.top()) || !std::isfinite(m.right()) ||
            !std::isfinite(m.bottom()))
            return QRegion();
        m = m.intersected(bounds);
        if (m.isEmpty()) return QRegion();
        int l = int(std::nearbyint(m.left())), top = int(std::nearbyint(m.top()));
        int r = int(std::nearbyint(m.right())), b = int(std::nearbyint(m.bottom()));
        return r > l && b > top ? QRegion(l, top, r - l, b - top) : QRegion();
    }
    QPainterPath path;
    path.addRect(rect);
    return OutputPathRegion(t.map(path));
}

// The region a path fills, found with the same rasteriser that fills shapes so that a clip to a
// figure and the figure itself cover the same pixels.
QRegion TMetafilePlayer::OutputPathRegion(const QPainterPath& path) const {
    QRectF bounds = path.controlPointRect();
    if (!std::isfinite(bounds.left()) || !std::isfinite(bounds.right()) ||
        !std::isfinite(bounds.top()) || !std::isfinite(bounds.bottom()))
        return QRegion();
    QRect area = bounds.toAlignedRect().intersected(target_.rect());
    if (area.isEmpty()) return QRegion();
    QImage mask(area.size(), QImage::Format_Grayscale8);
    if (mask.isNull()) throw EMetafileError("Not enough memory to play the metafile.");
    mask.fill(0);
    {
        QPainter p(&mask);
        p.setRenderHint(QPainter::Antialiasing, false);
        p.translate(-area.topLeft());
        p.fillPath(path, Qt::white);
    }
    std::vector<QRect> rects;
    for (int y = 0; y < mask.height(); ++y) {
        const uchar* row = mask.constScanLine(y);
        for (int x = 0; x < mask.width();) {
            if (!row[x]) {
                ++x;
                continue;
            }
            int start = x;
            while (x < mask.width() && row[x]) ++x;
            rects.emplace_back(area.left() + start, area.top() + y, x - start, 1);
        }
    }
    QRegion region;
    region.setRects(rects.data(), int(rects.size()));
    return region;
}

QRegion TMetafilePlayer::DeviceRectsToOutput(const std::vector<QRectF>& deviceRects) const {
    QRegion region;
    for (const QRectF& r : deviceRects) region |= MappedRectRegion(r, device_.ToOutput);
    return region;
}

QRegion TMetafilePlayer::LogicalRectsToOutput(const std::vector<QRectF>& logicalRects) const {
    QRegion region;
    for (const QRectF& r : logicalRects) region |= MappedRectRegion(r, LogicalToOutput());
    return region;
}

void TMetafilePlayer::CombineClip(const std::optional<QRegion>& output, uint32_t mode) {
    if (mode == gdi::RGN_COPY) {
        state_.Clip = output;
    } else {
        if (!output || mode < gdi::RGN_AND || mode > gdi::RGN_DIFF) return;
        QRegion current = state_.Clip ? *state_.Clip : QRegion(target_.rect());
        switch (mode) {
        case gdi::RGN_AND:
            current &= *output;
            break;
        case gdi::RGN_OR:
            current |= *output;
            break;
        case gdi::RGN_XOR:
            current ^= *output;
            break;
        default:
            current -= *output;
            break;
        }
        state_.Clip = current & QRegion(target_.rect());
    }
    clipDirty_ = true;
}

void TMetafilePlayer::IntersectClipRect(const QRectF& logical) {
    CombineClip(LogicalRectsToOutput({logical}), gdi::RGN_AND);
}

void TMetafilePlayer::ExcludeClipRect(const QRectF& logical) {
    CombineClip(LogicalRectsToOutput({logical}), gdi::RGN_DIFF);
}

void TMetafilePlayer::OffsetClip(QPointF logicalDelta) {
    if (!state_.Clip) return;
    QTransform t = LogicalToOutput();
    QPointF d = t.map(logicalDelta) - t.map(QPointF(0, 0));
    if (!std::isfinite(d.x()) || !std::isfinite(d.y())) return;
    double limit = 4.0 * (target_.width() + target_.height()) + 4;
    int dx = int(std::nearbyint(std::clamp(d.x(), -limit, limit)));
    int dy = int(std::nearbyint(std::clamp(d.y(), -limit, limit)));
    state_.Clip = state_.Clip->translated(dx, dy) & QRegion(target_.rect());
    clipDirty_ = true;
}

void TMetafilePlayer::ApplyClip(const std::optional<QRegion>& clip) {
    if (clip)
        painter_.setClipRegion(*clip);
    else
        painter_.setClipping(false);
}

// ---- paths ----

void TMetafilePlayer::DiscardPath() {
    path_ = QPainterPath();
    inPath_ = false;
    figureOpen_ = false;
}

void TMetafilePlayer::BeginPath() {
    DiscardPath();
    inPath_ = true;
}

void TMetafilePlayer::EndPath() {
    inPath_ = false;
}

void TMetafilePlayer::CloseFigure() {
    if (!inPath_) return;
    path_.closeSubpath();
    figureOpen_ = false;
}

void TMetafilePlayer::AbortPath() {
    DiscardPath();
}

void TMetafilePlayer::AddToPath(const QPainterPath& figure, bool continues) {
    if (continues && figureOpen_ && !path_.isEmpty())
        path_.connectPath(figure);
    else
        path_.addPath(figure);
    figureOpen_ = continues;
}

void TMetafilePlayer::FillPath() {
    if (inPath_) return;
    FillOutput(path_, state_.Brush);
    DiscardPath();
}

void TMetafilePlayer::StrokePath() {
    if (inPath_) return;
    StrokeOutput(path_, false);
    DiscardPath();
}

void TMetafilePlayer::StrokeAndFillPath() {
    if (inPath_) return;
    FillOutput(path_, state_.Brush);
    StrokeOutput(path_, false);
    DiscardPath();
}

void TMetafilePlayer::WidenPath() {
    if (inPath_ || !PenDraws()) return;
    QPainterPathStroker stroker;
    stroker.setWidth(std::max(1.0, PenWidthOutput()));
    path_ = stroker.createStroke(path_);
}

void TMetafilePlayer::SelectClipPath(uint32_t mode) {
    if (inPath_) return;
    QPainterPath p = path_;
    p.setFillRule(state_.PolyFillMode == gdi::WINDING ? Qt::WindingFill : Qt::OddEvenFill);
    CombineClip(OutputPathRegion(p), mode);
    DiscardPath();
}

} // namespace kolvar
