#include "formats/DecodeBudget.h"

#include <QString>

#include <algorithm>
#include <atomic>

#include <utility>

namespace kolvar {

namespace {

thread_local TDecodeBudget* gCurrent = nullptr;
std::atomic<int64_t> gPixelLimit{kMaxPicturePixels};

QString Megabytes(int64_t bytes) {
    return QString::number(double(bytes) / (1 << 20), 'f', 1);
}

[[noreturn]] void Refuse(const char* what, int64_t bytes, int64_t left, int64_t limit) {
    throw EDecodeBudgetError(
        QStringLiteral("The file needs more memory than a picture may use: %1 would take %2 MB, "
                       "%3 MB of %4 MB are left")
            .arg(QString::fromUtf8(what), Megabytes(bytes), Megabytes(std::max<int64_t>(left, 0)),
                 Megabytes(limit)));
}

} // namespace

TDecodeLimits DefaultDecodeLimits() {
    TDecodeLimits limits;
    limits.PicturePixels = PicturePixelLimit();
    return limits;
}

TDecodeBudget::TDecodeBudget(const TDecodeLimits& limits) : FLimits(limits) {}

bool TDecodeBudget::TryCharge(int64_t bytes) {
    if (bytes < 0 || bytes > Available()) return false;
    FLive += bytes;
    FPeak = std::max(FPeak, FLive);
    return true;
}

void TDecodeBudget::Charge(int64_t bytes, const char* what) {
    if (!TryCharge(bytes)) Refuse(what, bytes, Available(), FLimits.PeakBytes);
}

void TDecodeBudget::Release(int64_t bytes) {
    FLive = std::max<int64_t>(FLive - bytes, 0);
}

void TDecodeBudget::ChargeMetafile(int64_t bytes, const char* what) {
    const int64_t left = FLimits.MetafileBytes - FMetafileTotal;
    if (bytes < 0 || bytes > left) Refuse(what, bytes, left, FLimits.MetafileBytes);
    Charge(bytes, what);
    FMetafileTotal += bytes;
}

TDecodeBudget* TDecodeBudget::Current() {
    return gCurrent;
}

TDecodeScope::TDecodeScope() : FBudget(gCurrent ? gCurrent : &FOwn), FPrevious(gCurrent) {
    gCurrent = FBudget;
}

TDecodeScope::TDecodeScope(TDecodeBudget& budget) : FBudget(&budget), FPrevious(gCurrent) {
    gCurrent = FBudget;
}

TDecodeScope::~TDecodeScope() {
    gCurrent = FPrevious;
}

TBudgetCharge::TBudgetCharge(int64_t bytes, const char* what)
    : FBudget(TDecodeBudget::Current()), FBytes(bytes) {
    if (!FBudget) throw EDecodeBudgetError("No decoding budget is active");
    FBudget->Charge(bytes, what);
}

TBudgetCharge::~TBudgetCharge() {
    if (FBudget) FBudget->Release(FBytes);
}

TBudgetCharge::TBudgetCharge(TBudgetCharge&& other) noexcept
    : FBudget(std::exchange(other.FBudget, nullptr)), FBytes(other.FBytes) {}

TBudgetCharge& TBudgetCharge::operator=(TBudgetCharge&& other) noexcept {
    if (this != &other) {
        if (FBudget) FBudget->Release(FBytes);
        FBudget = std::exchange(other.FBudget, nullptr);
        FBytes = other.FBytes;
    }
    return *this;
}

int64_t PicturePixelLimit() {
    return gPixelLimit.load();
}

void SetPicturePixelLimit(int64_t pixels) {
    gPixelLimit.store(std::clamp<int64_t>(pixels, 1, kMaxPicturePixels));
}

bool PictureSizeAllowed(int64_t width, int64_t height) {
    if (width < 1 || height < 1) return false;
    if (width > kMaxPictureSide || height > kMaxPictureSide) return false;
    const TDecodeBudget* budget = TDecodeBudget::Current();
    const int64_t limit = budget ? std::min(budget->Limits().PicturePixels, PicturePixelLimit())
                                 : PicturePixelLimit();
    return width * height <= limit;
}

} // namespace kolvar
