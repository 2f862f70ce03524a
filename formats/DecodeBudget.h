#pragma once
// The decoding budget every reader draws on: how many pixels a picture may have and how many
// bytes a decode may hold at once, so that a small hostile file cannot make a reader allocate
// or work far beyond what its picture needs.
//
// A budget is active for the thread while a TDecodeScope lives. The readers' entry points open
// a scope with the default limits when none is active, so a caller that wants other limits, or
// wants to read the accounting afterwards, opens its own scope around the call.

#include "raster/Exceptions.h"

#include <cstdint>

namespace kolvar {

// Readers refuse pictures above these sizes before allocating anything for them.
constexpr int64_t kMaxPictureSide = 65535;
constexpr int64_t kMaxPicturePixels = int64_t(1) << 28;

// The pixel limit in force; fuzzing harnesses lower it so that slow giant inputs stay cheap.
int64_t PicturePixelLimit();
void SetPicturePixelLimit(int64_t pixels);

// True when a picture of this size is within the limits (both sides at least 1), including the
// pixel limit of the active decoding budget.
bool PictureSizeAllowed(int64_t width, int64_t height);

// A decode that would go past its budget. The message says what was refused and why.
class EDecodeBudgetError : public Exception {
public:
    using Exception::Exception;
};

struct TDecodeLimits {
    // Pixels of the picture itself (the picture size limit in force when the budget is made).
    int64_t PicturePixels = int64_t(1) << 28;
    // Bytes a decode may hold at one time: the picture, the decoder's own buffers, and any
    // image data kept besides (a multi-image file decoded whole).
    int64_t PeakBytes = int64_t(2) << 30;
    // Bytes a metafile may allocate in all while it plays: its canvas and every bitmap or
    // mask its records decode, freed or not. Bounds time as well as memory.
    int64_t MetafileBytes = int64_t(512) << 20;
};

// The defaults, with PicturePixels taken from PicturePixelLimit().
TDecodeLimits DefaultDecodeLimits();

class TDecodeBudget {
public:
    explicit TDecodeBudget(const TDecodeLimits& limits = DefaultDecodeLimits());

    const TDecodeLimits& Limits() const { return FLimits; }
    int64_t Live() const { return FLive; }
    int64_t Peak() const { return FPeak; }
    int64_t MetafileTotal() const { return FMetafileTotal; }
    int64_t Available() const { return FLimits.PeakBytes - FLive; }

    // Charges bytes or raises EDecodeBudgetError naming what; nothing is charged on refusal.
    void Charge(int64_t bytes, const char* what);
    // The same without raising: false, and nothing charged, when the bytes do not fit.
    bool TryCharge(int64_t bytes);
    void Release(int64_t bytes);
    // A metafile allocation: counts towards the play's total as well as the live bytes.
    void ChargeMetafile(int64_t bytes, const char* what);

    // The innermost active budget of this thread, or null.
    static TDecodeBudget* Current();

private:
    friend class TDecodeScope;
    TDecodeLimits FLimits;
    int64_t FLive = 0;
    int64_t FPeak = 0;
    int64_t FMetafileTotal = 0;
};

// Makes a budget current for the thread. The default constructor keeps an active budget and
// only makes one of its own (with the default limits) when there is none.
class TDecodeScope {
public:
    TDecodeScope();
    explicit TDecodeScope(TDecodeBudget& budget);
    ~TDecodeScope();
    TDecodeScope(const TDecodeScope&) = delete;
    TDecodeScope& operator=(const TDecodeScope&) = delete;

    TDecodeBudget& Budget() { return *FBudget; }

private:
    TDecodeBudget FOwn;
    TDecodeBudget* FBudget;
    TDecodeBudget* FPrevious;
};

// Bytes held on the current budget (which a TDecodeScope must provide) for the life of this
// object.
class TBudgetCharge {
public:
    TBudgetCharge() = default;
    TBudgetCharge(int64_t bytes, const char* what);
    ~TBudgetCharge();
    TBudgetCharge(TBudgetCharge&& other) noexcept;
    TBudgetCharge& operator=(TBudgetCharge&& other) noexcept;

private:
    TDecodeBudget* FBudget = nullptr;
    int64_t FBytes = 0;
};

} // namespace kolvar
