#include "raster/DibContainer.h"

#include "raster/DynamicArray.h"

#include <QImage>
#include <QPainter>

#include <algorithm>
#include <atomic>
#include <climits>
#include <cmath>
#include <cstdlib>
#include <cstring>
#include <utility>

namespace kolvar {

namespace {

// Rows y0 to y0 + rows - 1 of a toolkit bitmap at 24 bits; direct: the bitmap has them already.
QImage BitmapBand(const QImage& bitmap, int32_t y0, int32_t rows, bool direct) {
    if (direct) return bitmap;
    QImage view(bitmap.constScanLine(y0), bitmap.width(), rows, bitmap.bytesPerLine(),
                bitmap.format());
    if (!bitmap.colorTable().isEmpty()) view.setColorTable(bitmap.colorTable());
    return view.convertToFormat(QImage::Format_BGR888);
}

// Round half to even, saturated to the 32-bit range (NaN gives 0).
int32_t RoundI(double v) {
    const double r = std::nearbyint(v);
    if (std::isnan(r)) return 0;
    if (r <= double(INT32_MIN)) return INT32_MIN;
    if (r >= double(INT32_MAX)) return INT32_MAX;
    return int32_t(r);
}

// Round half to even for values that must stay far inside the 64-bit range.
int64_t RoundI64(double v) {
    const double r = std::nearbyint(v);
    if (std::isnan(r)) return 0;
    constexpr double limit = 4.0e18;
    return int64_t(std::clamp(r, -limit, limit));
}

void CheckSize(int64_t W, int64_t H) {
    if (W < 0 || H < 0 || W * H > TDibContainer::MaxPixels)
        throw EDibSizeError(
            QStringLiteral("Cannot create an image of %1 x %2 pixels").arg(W).arg(H));
}

inline bool SameBytes(const uint8_t* p, uint8_t b, uint8_t g, uint8_t r) {
    return p[0] == b && p[1] == g && p[2] == r;
}

// Writes n pixels of one colour: one pixel, then doubling block copies of what is written.
void FillPixels(uint8_t* p, size_t n, TDibColorArg c) {
    if (n == 0) return;
    p[0] = c.Blue();
    p[1] = c.Green();
    p[2] = c.Red();
    const size_t total = n * 3;
    size_t done = 3;
    while (done < total) {
        const size_t k = std::min(done, total - done);
        std::memcpy(p + done, p, k);
        done += k;
    }
}

// The overlap of a W x H source placed at (x, y) on a DW x DH destination.
struct TBlendClip {
    int32_t SrcX, SrcY, DstX, DstY, Cols, Rows;
};

bool ClipAxis(int64_t pos, int64_t size, int64_t destSize, int32_t& src, int32_t& dst,
              int32_t& len) {
    if (pos <= -size || pos >= destSize) return false;
    if (pos < 0) {
        src = int32_t(-pos);
        dst = 0;
        len = int32_t(std::min(size - src, destSize));
    } else {
        src = 0;
        dst = int32_t(pos);
        len = int32_t(std::min(size, destSize - pos));
    }
    return len > 0;
}

bool ClipBlend(const TDibContainer& src, const TDibContainer& dest, int32_t x, int32_t y,
               TBlendClip& clip) {
    return ClipAxis(x, src.Width(), dest.Width(), clip.SrcX, clip.DstX, clip.Cols) &&
           ClipAxis(y, src.Height(), dest.Height(), clip.SrcY, clip.DstY, clip.Rows);
}

} // namespace

void TDibContainer::FreeDeleter::operator()(uint8_t* p) const noexcept {
    std::free(p);
}

TDibContainer::TDibContainer(int32_t W, int32_t H) {
    CheckSize(W, H);
    Allocate(W, H);
}

TDibContainer::TDibContainer(const TDibContainer& other) {
    Allocate(other.FWidth, other.FHeight);
    if (!Empty()) std::memcpy(FBits, other.FBits, ByteSize());
}

TDibContainer::TDibContainer(TDibContainer&& other) noexcept
    : FWidth(std::exchange(other.FWidth, 0)), FHeight(std::exchange(other.FHeight, 0)),
      FStride(std::exchange(other.FStride, 0)), FBuffer(std::move(other.FBuffer)),
      FBits(std::exchange(other.FBits, nullptr)), FRows(std::move(other.FRows)) {
    other.FRows.clear();
}

TDibContainer& TDibContainer::operator=(const TDibContainer& other) {
    AssignContainer(other);
    return *this;
}

TDibContainer& TDibContainer::operator=(TDibContainer&& other) noexcept {
    if (this != &other) {
        Release();
        FWidth = std::exchange(other.FWidth, 0);
        FHeight = std::exchange(other.FHeight, 0);
        FStride = std::exchange(other.FStride, 0);
        FBuffer = std::move(other.FBuffer);
        FBits = std::exchange(other.FBits, nullptr);
        FRows = std::move(other.FRows);
        other.FRows.clear();
    }
    return *this;
}

TDibContainer::~TDibContainer() = default;

void TDibContainer::Release() noexcept {
    FRows.clear();
    FRows.shrink_to_fit();
    FBuffer.reset();
    FBits = nullptr;
    FWidth = FHeight = FStride = 0;
}

namespace {

void* systemAllocator(size_t bytes) {
    return std::calloc(bytes, 1);
}

std::atomic<TDibAllocator> allocator{systemAllocator};

} // namespace

TDibAllocator SetDibAllocator(TDibAllocator Allocator) {
    TDibAllocator previous = allocator.exchange(Allocator ? Allocator : systemAllocator);
    return previous == systemAllocator ? nullptr : previous;
}

// Expects an empty container and a size CheckSize accepted. Leaves the container empty when
// the memory cannot be had.
void TDibContainer::Allocate(int32_t W, int32_t H) {
    if (W == 0 || H == 0) return;
    const int32_t stride = StrideFor(W);
    const size_t bytes = size_t(stride) * size_t(H);
    std::unique_ptr<uint8_t, FreeDeleter> buffer(static_cast<uint8_t*>(allocator.load()(bytes)));
    if (!buffer)
        throw EDibMemoryError(
            QStringLiteral("Not enough memory for an image of %1 x %2 pixels").arg(W).arg(H));
    std::vector<uint8_t*> rows(static_cast<size_t>(H));
    for (int32_t y = 0; y < H; ++y) rows[size_t(y)] = buffer.get() + size_t(y) * size_t(stride);
    FBuffer = std::move(buffer);
    FBits = FBuffer.get();
    FRows = std::move(rows);
    FWidth = W;
    FHeight = H;
    FStride = stride;
}

void TDibContainer::SetSize(int32_t W, int32_t H) {
    CheckSize(W, H);
    if (W == 0 || H == 0) W = H = 0;
    if (W == FWidth && H == FHeight) return;
    Release();
    Allocate(W, H);
}

void TDibContainer::AssignContainer(const TDibContainer& source) {
    if (&source == this) return;
    SetSize(source.FWidth, source.FHeight);
    if (!Empty()) std::memcpy(FBits, source.FBits, ByteSize());
}

void TDibContainer::AssignBitmap(const QImage& bitmap) {
    if (bitmap.isNull()) return;
    const int32_t W = bitmap.width();
    const int32_t H = bitmap.height();
    if (W <= 0 || H <= 0) return;
    CheckSize(W, H);
    const bool direct = bitmap.format() == QImage::Format_BGR888;
    // Other formats convert a band of rows at a time, so a big picture never exists twice
    // over at full size; the conversion is per pixel, so the bands give the whole's pixels.
    const int32_t band = direct ? H : std::clamp<int32_t>((1 << 20) / W, 1, H);
    QImage first = BitmapBand(bitmap, 0, band, direct);
    if (first.isNull() || first.width() != W) return;
    SetSize(W, H);
    const size_t rowBytes = size_t(W) * 3;
    for (int32_t y0 = 0; y0 < H; y0 += band) {
        const int32_t rows = std::min(band, H - y0);
        const QImage part = y0 == 0 ? first : BitmapBand(bitmap, y0, rows, direct);
        if (part.isNull()) throw EDibSizeError(QStringLiteral("Not enough memory to convert"));
        first = QImage();
        for (int32_t y = 0; y < rows; ++y) {
            uint8_t* row = FRows[size_t(y0 + y)];
            std::memcpy(row, part.constScanLine(y), rowBytes);
            std::memset(row + rowBytes, 0, size_t(FStride) - rowBytes);
        }
    }
}

bool TDibContainer::SameImage(const TDibContainer& other) const {
    if (FWidth != other.FWidth || FHeight != other.FHeight) return false;
    return Empty() || std::memcmp(FBits, other.FBits, ByteSize()) == 0;
}

void TDibContainer::Clear(TDibColorArg c) {
    if (Empty()) return;
    FillPixels(FRows[0], size_t(FWidth), c);
    for (int32_t y = 1; y < FHeight; ++y) std::memcpy(FRows[size_t(y)], FRows[0], size_t(FStride));
}

void TDibContainer::DrawToDC(QPainter& dc, int32_t x, int32_t y) const {
    if (Empty()) return;
    const QImage view(FBits, FWidth, FHeight, FStride, QImage::Format_BGR888);
    dc.drawImage(x, y, view);
}

QImage TDibContainer::ToImage() const {
    if (Empty()) return QImage();
    return QImage(FBits, FWidth, FHeight, FStride, QImage::Format_BGR888).copy();
}

void TDibContainer::CopyRectTo(const TRect& rect, TDibContainer& dest) const {
    if (Empty() || dest.Empty()) return;
    const int32_t right = std::clamp(rect.Right, 0, FWidth - 1);
    const int32_t bottom = std::clamp(rect.Bottom, 0, FHeight - 1);
    const int32_t left = std::clamp(rect.Left, 0, right);
    const int32_t top = std::clamp(rect.Top, 0, bottom);
    const int32_t cols = std::min(right - left + 1, dest.FWidth);
    const int32_t rows = std::min(bottom - top + 1, dest.FHeight);
    for (int32_t i = 0; i < rows; ++i)
        std::memmove(dest.FRows[size_t(i)], FRows[size_t(top + i)] + size_t(left) * 3,
                     size_t(cols) * 3);
}

void TDibContainer::BlendTo(TDibContainer& dest, int32_t x, int32_t y, int32_t transparency) const {
    const uint32_t t = uint32_t(std::clamp(transparency, 0, 255));
    TBlendClip clip;
    if (t == 255 || Empty() || dest.Empty() || !ClipBlend(*this, dest, x, y, clip)) return;
    const size_t bytes = size_t(clip.Cols) * 3;
    for (int32_t r = 0; r < clip.Rows; ++r) {
        const uint8_t* s = FRows[size_t(clip.SrcY + r)] + size_t(clip.SrcX) * 3;
        uint8_t* d = dest.FRows[size_t(clip.DstY + r)] + size_t(clip.DstX) * 3;
        if (t == 0) {
            std::memmove(d, s, bytes);
            continue;
        }
        const uint32_t st = 255 - t;
        for (size_t i = 0; i < bytes; ++i) d[i] = uint8_t((d[i] * t + s[i] * st) >> 8);
    }
}

void TDibContainer::BlendTransparentTo(TDibContainer& dest, int32_t x, int32_t y, TDibColorArg key,
                                       int32_t transparency) const {
    const uint32_t t = uint32_t(std::clamp(transparency, 0, 255));
    TBlendClip clip;
    if (t == 255 || Empty() || dest.Empty() || !ClipBlend(*this, dest, x, y, clip)) return;
    const uint8_t kb = key.Blue(), kg = key.Green(), kr = key.Red();
    const uint32_t st = 255 - t;
    for (int32_t r = 0; r < clip.Rows; ++r) {
        const uint8_t* s = FRows[size_t(clip.SrcY + r)] + size_t(clip.SrcX) * 3;
        uint8_t* d = dest.FRows[size_t(clip.DstY + r)] + size_t(clip.DstX) * 3;
        for (int32_t i = 0; i < clip.Cols; ++i, s += 3, d += 3) {
            if (SameBytes(s, kb, kg, kr)) continue;
            if (t == 0) {
                d[0] = s[0];
                d[1] = s[1];
                d[2] = s[2];
            } else {
                for (int k = 0; k < 3; ++k) d[k] = uint8_t((d[k] * t + s[k] * st) >> 8);
            }
        }
    }
}

namespace {

// The clipped destination range of a stretch and the 16.16 walk through the source.
struct TStretchWalk {
    int32_t xs, xe, ys, ye;
    int64_t xstep, ystep, x0, y0;
};

bool PlanStretch(const TRect& rc, int32_t W, int32_t H, int32_t DW, int32_t DH, bool smooth,
                 TStretchWalk& w) {
    if (rc.Right < rc.Left || rc.Bottom < rc.Top) return false;
    if (rc.Right < 0 || rc.Bottom < 0 || rc.Left > DW - 1 || rc.Top > DH - 1) return false;
    w.xs = std::clamp(rc.Left, 0, DW - 1);
    w.xe = std::clamp(rc.Right, w.xs, DW - 1);
    w.ys = std::clamp(rc.Top, 0, DH - 1);
    w.ye = std::clamp(rc.Bottom, w.ys, DH - 1);
    const double sw = smooth ? W - 1 : W;
    const double sh = smooth ? H - 1 : H;
    w.xstep = RoundI64(sw * 65536 / (double(rc.Right) - rc.Left + 1));
    w.ystep = RoundI64(sh * 65536 / (double(rc.Bottom) - rc.Top + 1));
    w.x0 = rc.Left < 0 ? -int64_t(rc.Left) * w.xstep : 0;
    w.y0 = rc.Top < 0 ? -int64_t(rc.Top) * w.ystep : 0;
    return true;
}

// Source indices are clamped to the image: a step rounded up can carry the last destination
// columns one past the source's edge.
int32_t StretchSource(int64_t acc, int32_t size) {
    return int32_t(std::min<int64_t>(acc >> 16, size - 1));
}

} // namespace

TStretchSamples NearestStretchSamples(const TRect& rect, int32_t W, int32_t H, int32_t DW,
                                      int32_t DH) {
    TStretchSamples s;
    TStretchWalk w;
    if (W <= 0 || H <= 0 || DW <= 0 || DH <= 0 || !PlanStretch(rect, W, H, DW, DH, false, w))
        return s;
    s.FirstColumn = w.xs;
    s.FirstRow = w.ys;
    int64_t acc = w.x0;
    for (int32_t x = w.xs; x <= w.xe; ++x, acc += w.xstep)
        s.Columns.push_back(StretchSource(acc, W));
    acc = w.y0;
    for (int32_t y = w.ys; y <= w.ye; ++y, acc += w.ystep) s.Rows.push_back(StretchSource(acc, H));
    return s;
}

void TDibContainer::StretchTo(TDibContainer& dest, const TRect& rect, bool smooth) const {
    TStretchWalk w;
    if (Empty() || dest.Empty() ||
        !PlanStretch(rect, FWidth, FHeight, dest.FWidth, dest.FHeight, smooth, w))
        return;
    const size_t cols = size_t(w.xe - w.xs + 1);
    std::vector<uint32_t> ix(cols), fx(cols);
    int64_t xacc = w.x0;
    for (size_t i = 0; i < cols; ++i, xacc += w.xstep) {
        ix[i] = uint32_t(StretchSource(xacc, FWidth));
        fx[i] = uint32_t(xacc & 0xFFFF);
    }
    int64_t yacc = w.y0;
    int32_t lastRow = -1;
    for (int32_t y = w.ys; y <= w.ye; ++y, yacc += w.ystep) {
        const int32_t iy = StretchSource(yacc, FHeight);
        uint8_t* d = dest.FRows[size_t(y)] + size_t(w.xs) * 3;
        if (!smooth) {
            if (iy == lastRow) {
                std::memcpy(d, dest.FRows[size_t(y - 1)] + size_t(w.xs) * 3, cols * 3);
                continue;
            }
            const uint8_t* s = FRows[size_t(iy)];
            for (size_t i = 0; i < cols; ++i, d += 3) std::memcpy(d, s + size_t(ix[i]) * 3, 3);
            lastRow = iy;
            continue;
        }
        const uint8_t* r0 = FRows[size_t(iy)];
        const uint8_t* r1 = FRows[size_t(std::min(iy + 1, FHeight - 1))];
        const uint32_t wy1 = uint32_t(yacc & 0xFFFF);
        const uint32_t wy0 = 65536 - wy1;
        for (size_t i = 0; i < cols; ++i, d += 3) {
            const uint32_t a = uint32_t((uint64_t(fx[i]) * wy0) >> 16);
            const uint32_t b = (fx[i] * wy1) >> 16;
            const size_t p0 = size_t(ix[i]) * 3;
            const size_t p1 = size_t(std::min<uint32_t>(ix[i] + 1, uint32_t(FWidth - 1))) * 3;
            for (int k = 0; k < 3; ++k)
                d[k] = uint8_t(((wy0 - a) * r0[p0 + k] + (wy1 - b) * r1[p0 + k] + a * r0[p1 + k] +
                                b * r1[p1 + k]) >>
                               16);
        }
    }
}

// 22.10 fixed point. The source coordinate of each destination pixel is computed with
// 32-bit wrap-around and logical shifts, so negative intermediates land out of range; the
// per-pixel terms are walked incrementally, which is exact under the same wrap-around.
void TDibContainer::RotateTo(TDibContainer& dest, int32_t cx, int32_t cy, double sy, double sx,
                             double angle) const {
    if (Empty() || dest.Empty()) return;
    if (sx == 0) sx = 1;
    if (sy == 0) sy = 1;
    const double cs = std::cos(angle), sn = std::sin(angle);
    const uint32_t C = uint32_t(RoundI(cs * 1024));
    const uint32_t S = uint32_t(RoundI(-sn * 1024));
    double wr = std::nearbyint(std::fabs(FWidth * cs) + std::fabs(FHeight * sn));
    double hr = std::nearbyint(std::fabs(FWidth * sn) + std::fabs(FHeight * cs));
    wr = std::nearbyint(wr * sx);
    hr = std::nearbyint(hr * sy);
    const uint32_t invX = uint32_t(RoundI(1024 / sx));
    const uint32_t invY = uint32_t(RoundI(1024 / sy));
    const int32_t hx = RoundI(sx * FWidth / 2);
    const int32_t hy = RoundI(sy * FHeight / 2);
    const int64_t halfW = RoundI(double(hx) / FWidth * wr / sx);
    const int64_t halfH = RoundI(double(hy) / FHeight * hr / sy);
    const int64_t w2 = RoundI(wr), h2 = RoundI(hr);
    // Destination rows and columns that land on dest: cy + j - halfH in 0..DH-1.
    const int64_t j0 = std::max<int64_t>(0, halfH - cy);
    const int64_t j1 = std::min<int64_t>(h2 - 1, int64_t(dest.FHeight) - 1 - cy + halfH);
    const int64_t i0 = std::max<int64_t>(0, halfW - cx);
    const int64_t i1 = std::min<int64_t>(w2 - 1, int64_t(dest.FWidth) - 1 - cx + halfW);
    if (j0 > j1 || i0 > i1) return;
    const uint32_t u0 = uint32_t(i0 - halfW);
    const uint32_t W = uint32_t(FWidth), H = uint32_t(FHeight);
    for (int64_t j = j0; j <= j1; ++j) {
        const uint32_t v = uint32_t(j - halfH);
        uint32_t rowAcc = uint32_t(hy) * 1024u + C * v - S * u0;
        uint32_t colAcc = uint32_t(hx) * 1024u + C * u0 + S * v;
        uint8_t* d = dest.FRows[size_t(cy + j - halfH)] + size_t(cx + i0 - halfW) * 3;
        for (int64_t i = i0; i <= i1; ++i, d += 3, rowAcc -= S, colAcc += C) {
            const uint32_t sr = ((rowAcc >> 10) * invY) >> 10;
            const uint32_t sc = ((colAcc >> 10) * invX) >> 10;
            if (sr < H && sc < W) std::memcpy(d, FRows[sr] + size_t(sc) * 3, 3);
        }
    }
}

void TDibContainer::HorzLine(int32_t y, int32_t x1, int32_t x2, TDibColorArg c) {
    if (Empty() || y < 0 || y >= FHeight) return;
    if (x1 > x2) std::swap(x1, x2);
    x1 = std::max(x1, 0);
    x2 = std::min(x2, FWidth - 1);
    if (x1 > x2) return;
    FillPixels(FRows[size_t(y)] + size_t(x1) * 3, size_t(x2 - x1 + 1), c);
}

namespace {

// The scan-line fill shared by FloodFill and BoundaryFill. Seeds are processed (and runs
// extended to the right) while Inner holds, the run is walked left while Walk holds, and a
// neighbour row seeds one point per run of pixels for which Inner holds.
template <class Inner, class Walk>
void ScanFill(TDibContainer& dib, int32_t x, int32_t y, TDibColorArg fill, Inner inner, Walk walk) {
    const int32_t W = dib.Width(), H = dib.Height();
    if (x < 0 || y < 0 || x >= W || y >= H) return;
    std::vector<TPoint> stack;
    stack.reserve(256);
    stack.push_back(TPoint{x, y});
    while (!stack.empty()) {
        const TPoint p = stack.back();
        stack.pop_back();
        uint8_t* row = dib.ScanLine(p.Y);
        if (!inner(row + size_t(p.X) * 3)) continue;
        int32_t xr = p.X;
        while (xr + 1 < W && inner(row + size_t(xr + 1) * 3)) ++xr;
        const uint8_t* below = p.Y < H - 1 ? dib.ScanLine(p.Y + 1) : nullptr;
        const uint8_t* above = p.Y > 0 ? dib.ScanLine(p.Y - 1) : nullptr;
        bool openBelow = false, openAbove = false;
        int32_t xl = xr;
        for (; xl >= 0 && walk(row + size_t(xl) * 3); --xl) {
            if (below) {
                const bool q = inner(below + size_t(xl) * 3);
                if (q && !openBelow) stack.push_back(TPoint{xl, p.Y + 1});
                openBelow = q;
            }
            if (above) {
                const bool q = inner(above + size_t(xl) * 3);
                if (q && !openAbove) stack.push_back(TPoint{xl, p.Y - 1});
                openAbove = q;
            }
        }
        dib.HorzLine(p.Y, xl + 1, xr, fill);
    }
}

} // namespace

void TDibContainer::FloodFill(int32_t x, int32_t y, TDibColorArg fill, TDibColorArg target) {
    // Painting the target colour over itself would change nothing.
    if (SameDibColor(fill, target)) return;
    const uint8_t tb = target.Blue(), tg = target.Green(), tr = target.Red();
    auto isTarget = [=](const uint8_t* p) { return SameBytes(p, tb, tg, tr); };
    ScanFill(*this, x, y, fill, isTarget, isTarget);
}

void TDibContainer::BoundaryFill(int32_t x, int32_t y, TDibColorArg fill, TDibColorArg boundary) {
    const uint8_t bb = boundary.Blue(), bg = boundary.Green(), br = boundary.Red();
    const uint8_t fb = fill.Blue(), fg = fill.Green(), fr = fill.Red();
    auto inner = [=](const uint8_t* p) {
        return !SameBytes(p, bb, bg, br) && !SameBytes(p, fb, fg, fr);
    };
    auto notBoundary = [=](const uint8_t* p) { return !SameBytes(p, bb, bg, br); };
    ScanFill(*this, x, y, fill, inner, notBoundary);
}

void TDibContainer::Rectangle(int32_t x1, int32_t y1, int32_t x2, int32_t y2,
                              const TDibLineProc& proc) {
    if (!proc || Empty()) return;
    proc(*this, x1, y1, x2, y1);
    proc(*this, x2, y1, x2, y2);
    proc(*this, x2, y2, x1, y2);
    proc(*this, x1, y2, x1, y1);
}

void TDibContainer::Polyline(const TPoint* points, int32_t count, const TDibLineProc& proc,
                             bool closed) {
    if (!proc || Empty() || !points || count <= 0) return;
    for (int32_t i = 0; i + 1 < count; ++i)
        proc(*this, points[i].X, points[i].Y, points[i + 1].X, points[i + 1].Y);
    if (closed) proc(*this, points[count - 1].X, points[count - 1].Y, points[0].X, points[0].Y);
}

void TDibContainer::PolyPolygonOutline(const TPoint* points, const int32_t* counts,
                                       int32_t polygonCount, const TDibLineProc& proc) {
    if (!proc || Empty() || !points || !counts) return;
    const TPoint* p = points;
    for (int32_t k = 0; k < polygonCount; ++k) {
        const int32_t c = counts[k];
        if (c <= 0) continue;
        Polyline(p, c, proc, true);
        p += c;
    }
}

void TDibContainer::FillRect(int32_t x1, int32_t y1, int32_t x2, int32_t y2,
                             const TDibSpanProc& proc) {
    if (!proc || Empty()) return;
    if (x1 > x2) std::swap(x1, x2);
    if (y1 > y2) std::swap(y1, y2);
    if (x1 >= FWidth || y1 >= FHeight) return;
    const TRect bounds{x1, y1, x2, y2};
    const int32_t cx1 = std::max(x1, 0);
    const int32_t cx2 = std::min(x2, FWidth - 1);
    if (cx1 > cx2) return;
    const int32_t last = std::min(y2, FHeight - 1);
    for (int32_t y = std::max(y1, 0); y <= last; ++y) proc(*this, y, cx1, cx2, bounds);
}

void TDibContainer::FillPolygon(const TPoint* points, int32_t count, const TDibSpanProc& proc) {
    FillSpans(points, &count, 1, proc);
}

void TDibContainer::FillPolyPolygon(const TPoint* points, const int32_t* counts,
                                    int32_t polygonCount, const TDibSpanProc& proc) {
    FillSpans(points, counts, polygonCount, proc);
}

namespace {

struct TPolyEdge {
    int32_t TopX, TopY, BottomX, BottomY;
    float Slope;
};

struct TActiveEdge {
    float X;
    float Slope;
    int32_t EndRow;
};

// Gathers the bounds and the non-horizontal edges of every polygon (horizontal edges never
// become active), ordered by top row and, within a row, by their place in the outline.
std::vector<TPolyEdge> BuildEdges(const TPoint* points, const int32_t* counts, int32_t k,
                                  TRect& bounds) {
    bounds = TRect{INT32_MAX, INT32_MAX, -INT32_MAX, -INT32_MAX};
    std::vector<TPolyEdge> edges;
    const TPoint* poly = points;
    for (int32_t i = 0; i < k; ++i) {
        const int32_t c = counts[i];
        if (c <= 0) continue;
        for (int32_t j = 0; j < c; ++j) {
            bounds.Left = std::min(bounds.Left, poly[j].X);
            bounds.Top = std::min(bounds.Top, poly[j].Y);
            bounds.Right = std::max(bounds.Right, poly[j].X);
            bounds.Bottom = std::max(bounds.Bottom, poly[j].Y);
        }
        for (int32_t j = 0; j < c; ++j) {
            TPoint a = poly[j], b = poly[j + 1 < c ? j + 1 : 0];
            if (a.Y == b.Y) continue;
            if (b.Y < a.Y) std::swap(a, b);
            const double slope = (double(b.X) - a.X) / (double(b.Y) - a.Y);
            edges.push_back(TPolyEdge{a.X, a.Y, b.X, b.Y, float(slope)});
        }
        poly += c;
    }
    std::stable_sort(edges.begin(), edges.end(),
                     [](const TPolyEdge& l, const TPolyEdge& r) { return l.TopY < r.TopY; });
    return edges;
}

// Stable ascending order by X; the list is nearly sorted from the row before.
void SortActive(std::vector<TActiveEdge>& active) {
    for (size_t i = 1; i < active.size(); ++i) {
        const TActiveEdge e = active[i];
        size_t j = i;
        for (; j > 0 && active[j - 1].X > e.X; --j) active[j] = active[j - 1];
        active[j] = e;
    }
}

// The span between a left and a right edge crossing, clipped; false when it covers nothing.
bool SpanOf(float xa, float xb, int32_t W, int32_t& X1, int32_t& X2) {
    if (xa < 0)
        X1 = 0;
    else if (xa > float(W - 1))
        return false;
    else
        X1 = int32_t(std::nearbyint(double(xa) + 0.5));
    if (xb > float(W - 1))
        X2 = W - 1;
    else if (xb <= -1)
        return false;
    else
        X2 = int32_t(xb);
    return X1 <= X2;
}

} // namespace

void TDibContainer::FillSpans(const TPoint* points, const int32_t* counts, int32_t polygonCount,
                              const TDibSpanProc& proc) {
    if (!proc || Empty() || !points || !counts || polygonCount <= 0) return;
    TRect bounds;
    const std::vector<TPolyEdge> edges = BuildEdges(points, counts, polygonCount, bounds);
    std::vector<TActiveEdge> active;
    size_t next = 0;
    for (int64_t y = bounds.Top; y <= bounds.Bottom; ++y) {
        for (TActiveEdge& e : active) e.X += e.Slope;
        for (; next < edges.size() && edges[next].TopY == y; ++next)
            active.push_back(
                TActiveEdge{float(edges[next].TopX), edges[next].Slope, edges[next].BottomY});
        std::erase_if(active, [y](const TActiveEdge& e) { return e.EndRow == y; });
        if (y < 0) continue;
        if (y > FHeight - 1) break;
        SortActive(active);
        for (size_t p = 0; p + 1 < active.size(); p += 2) {
            int32_t X1, X2;
            if (SpanOf(active[p].X, active[p + 1].X, FWidth, X1, X2))
                proc(*this, int32_t(y), X1, X2, bounds);
        }
    }
}

namespace {

// The leading polygons of counts whose points all lie within n points.
std::vector<int32_t> FittingCounts(const TIntegerArray& counts, int32_t n) {
    std::vector<int32_t> out;
    int64_t used = 0;
    for (int32_t i = 0; i < counts.Count(); ++i) {
        const int32_t c = std::max(counts.Items(i), 0);
        if (used + c > n) break;
        used += c;
        out.push_back(c);
    }
    return out;
}

} // namespace

void TDibContainer::Polyline(const TPoints& points, const TDibLineProc& proc, bool closed) {
    Polyline(points.Data(), points.Count(), proc, closed);
}

void TDibContainer::PolyPolygonOutline(const TPoints& points, const TIntegerArray& counts,
                                       const TDibLineProc& proc) {
    const std::vector<int32_t> c = FittingCounts(counts, points.Count());
    PolyPolygonOutline(points.Data(), c.data(), int32_t(c.size()), proc);
}

void TDibContainer::FillPolygon(const TPoints& points, const TDibSpanProc& proc) {
    FillPolygon(points.Data(), points.Count(), proc);
}

void TDibContainer::FillPolyPolygon(const TPoints& points, const TIntegerArray& counts,
                                    const TDibSpanProc& proc) {
    const std::vector<int32_t> c = FittingCounts(counts, points.Count());
    FillPolyPolygon(points.Data(), c.data(), int32_t(c.size()), proc);
}

} // namespace kolvar
