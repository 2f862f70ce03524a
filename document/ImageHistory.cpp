#include "document/ImageHistory.h"

#include <zlib.h>

#include <algorithm>
#include <cstring>
#include <stdexcept>

namespace kolvar {

namespace {

uint64_t gSerial = 0;

std::vector<uint8_t> readRegion(const TDibContainer& Image, int32_t X, int32_t Y, int32_t W,
                                int32_t H) {
    const size_t row = size_t(W) * 3;
    std::vector<uint8_t> out(row * size_t(H));
    for (int32_t y = 0; y < H; ++y)
        std::memcpy(out.data() + row * size_t(y), Image.ScanLine(Y + y) + size_t(X) * 3, row);
    return out;
}

void writeRegion(TDibContainer& Image, const THistoryTile& Tile, const uint8_t* Raw) {
    const size_t row = size_t(Tile.W) * 3;
    for (int32_t y = 0; y < Tile.H; ++y)
        std::memcpy(Image.ScanLine(Tile.Y + y) + size_t(Tile.X) * 3, Raw + row * size_t(y), row);
}

bool regionDiffers(const TDibContainer& A, const TDibContainer& B, int32_t X, int32_t Y,
                   int32_t W, int32_t H) {
    const size_t offset = size_t(X) * 3, row = size_t(W) * 3;
    for (int32_t y = Y; y < Y + H; ++y)
        if (std::memcmp(A.ScanLine(y) + offset, B.ScanLine(y) + offset, row) != 0) return true;
    return false;
}

// Calls Fn(x, y, w, h) for every tile of a W x H picture.
template <class Fn> void forEachTile(int32_t W, int32_t H, Fn fn) {
    constexpr int32_t t = TImageHistory::TileSize;
    for (int32_t y = 0; y < H; y += t)
        for (int32_t x = 0; x < W; x += t) fn(x, y, std::min(t, W - x), std::min(t, H - y));
}

std::vector<uint8_t> rawBytes(THistoryTile& Tile) {
    if (!Tile.Compressed) return std::move(Tile.Bytes);
    return ExpandTileBytes(Tile.Bytes, size_t(Tile.W) * size_t(Tile.H) * 3, Tile.W * 3);
}

void compressTile(THistoryTile& Tile) {
    if (Tile.Tried) return;
    Tile.Tried = true;
    std::vector<uint8_t> packed = CompressTileBytes(Tile.Bytes, Tile.W * 3);
    if (packed.size() >= Tile.Bytes.size()) return;
    Tile.Bytes = std::move(packed);
    Tile.Compressed = true;
}

} // namespace

void THistoryStep::Recount() {
    Size = 0;
    for (const THistoryTile& t : Tiles) Size += t.Bytes.size();
}

// ---- Compression ---------------------------------------------------------------------------

// Neighbouring pixels of a photograph differ little: deflate finds far more to share in the
// differences than in the bytes.
std::vector<uint8_t> CompressTileBytes(const std::vector<uint8_t>& Raw, int32_t RowBytes) {
    std::vector<uint8_t> filtered(Raw.size());
    for (size_t start = 0; start < Raw.size(); start += size_t(RowBytes)) {
        const uint8_t* s = Raw.data() + start;
        uint8_t* d = filtered.data() + start;
        for (int32_t i = 0; i < std::min(3, RowBytes); ++i) d[i] = s[i];
        for (int32_t i = 3; i < RowBytes; ++i) d[i] = uint8_t(s[i] - s[i - 3]);
    }
    uLongf size = compressBound(uLong(filtered.size()));
    std::vector<uint8_t> out(size);
    if (compress2(out.data(), &size, filtered.data(), uLong(filtered.size()), 1) != Z_OK)
        return Raw;
    out.resize(size);
    return out;
}

std::vector<uint8_t> ExpandTileBytes(const std::vector<uint8_t>& Packed, size_t RawSize,
                                     int32_t RowBytes) {
    std::vector<uint8_t> out(RawSize);
    uLongf size = uLongf(RawSize);
    if (uncompress(out.data(), &size, Packed.data(), uLong(Packed.size())) != Z_OK ||
        size != RawSize)
        throw std::runtime_error("history tile damaged");
    for (size_t start = 0; start < RawSize; start += size_t(RowBytes)) {
        uint8_t* d = out.data() + start;
        for (int32_t i = 3; i < RowBytes; ++i) d[i] = uint8_t(d[i] + d[i - 3]);
    }
    return out;
}

// ---- The history ---------------------------------------------------------------------------

TImageHistory::TImageHistory(int32_t Levels, THistoryBudget* Budget)
    : FLevels(std::max(1, Levels)), FBudget(Budget ? Budget : &THistoryBudget::Shared()) {
    FBudget->Add(this);
}

TImageHistory::~TImageHistory() {
    FBudget->Remove(this);
}

void TImageHistory::SetLevels(int32_t Levels) {
    FLevels = std::max(1, Levels);
    Trim();
}

void TImageHistory::Trim() {
    while (FUndo.size() > size_t(FLevels)) FUndo.pop_front();
    while (FRedo.size() > size_t(FLevels)) FRedo.pop_front();
}

void TImageHistory::ClearRedo() {
    FRedo.clear();
}

void TImageHistory::Clear() {
    FUndo.clear();
    FRedo.clear();
}

bool TImageHistory::Commit(const TDibContainer& Image, TDibContainer& Base) {
    THistoryStep step;
    step.Width = Base.Width();
    step.Height = Base.Height();
    if (Image.Width() != Base.Width() || Image.Height() != Base.Height()) {
        step.Whole = true;
        forEachTile(Base.Width(), Base.Height(), [&](int32_t x, int32_t y, int32_t w, int32_t h) {
            step.Tiles.push_back({x, y, w, h, false, false, readRegion(Base, x, y, w, h)});
        });
        Base.AssignContainer(Image);
    } else {
        forEachTile(Base.Width(), Base.Height(), [&](int32_t x, int32_t y, int32_t w, int32_t h) {
            if (!regionDiffers(Image, Base, x, y, w, h)) return;
            THistoryTile tile{x, y, w, h, false, false, readRegion(Base, x, y, w, h)};
            writeRegion(Base, tile, readRegion(Image, x, y, w, h).data());
            step.Tiles.push_back(std::move(tile));
        });
        if (step.Tiles.empty()) return false;
    }
    step.Serial = ++gSerial;
    step.Recount();
    FUndo.push_back(std::move(step));
    FRedo.clear();
    Trim();
    FBudget->Enforce();
    return true;
}

void TImageHistory::Apply(THistoryStep& Step, TDibContainer& Image, TDibContainer& Base) {
    if (!Step.Whole) {
        for (THistoryTile& tile : Step.Tiles) {
            const std::vector<uint8_t> raw = rawBytes(tile);
            tile.Bytes = readRegion(Image, tile.X, tile.Y, tile.W, tile.H);
            tile.Compressed = tile.Tried = false;
            writeRegion(Image, tile, raw.data());
            writeRegion(Base, tile, raw.data());
        }
    } else {
        std::vector<THistoryTile> current;
        forEachTile(Image.Width(), Image.Height(), [&](int32_t x, int32_t y, int32_t w, int32_t h) {
            current.push_back({x, y, w, h, false, false, readRegion(Image, x, y, w, h)});
        });
        const int32_t w = Image.Width(), h = Image.Height();
        Image.SetSize(0, 0);
        Image.SetSize(Step.Width, Step.Height);
        for (THistoryTile& tile : Step.Tiles) writeRegion(Image, tile, rawBytes(tile).data());
        Base.AssignContainer(Image);
        Step.Tiles = std::move(current);
        Step.Width = w;
        Step.Height = h;
    }
    Step.Recount();
}

bool TImageHistory::Undo(TDibContainer& Image, TDibContainer& Base) {
    Commit(Image, Base);
    if (FUndo.empty()) return false;
    THistoryStep step = std::move(FUndo.back());
    FUndo.pop_back();
    Apply(step, Image, Base);
    FRedo.push_back(std::move(step));
    FBudget->Enforce();
    return true;
}

bool TImageHistory::Redo(TDibContainer& Image, TDibContainer& Base) {
    if (FRedo.empty()) return false;
    THistoryStep step = std::move(FRedo.back());
    FRedo.pop_back();
    Apply(step, Image, Base);
    FUndo.push_back(std::move(step));
    FBudget->Enforce();
    return true;
}

size_t TImageHistory::Bytes() const {
    size_t total = 0;
    for (const THistoryStep& s : FUndo) total += s.Size;
    for (const THistoryStep& s : FRedo) total += s.Size;
    return total;
}

bool TImageHistory::CompressIdle(int32_t MaxTiles) {
    bool more = false;
    auto work = [&](std::deque<THistoryStep>& steps) {
        for (size_t i = 0; i + 1 < steps.size(); ++i) {
            bool changed = false;
            for (THistoryTile& tile : steps[i].Tiles) {
                if (tile.Tried) continue;
                if (MaxTiles <= 0) {
                    more = true;
                    break;
                }
                compressTile(tile);
                changed = true;
                --MaxTiles;
            }
            if (changed) steps[i].Recount();
        }
    };
    work(FUndo);
    work(FRedo);
    return more;
}

THistoryStep* TImageHistory::OldestUntried() {
    THistoryStep* best = nullptr;
    for (std::deque<THistoryStep>* steps : {&FUndo, &FRedo})
        for (THistoryStep& s : *steps)
            if ((!best || s.Serial < best->Serial) &&
                std::any_of(s.Tiles.begin(), s.Tiles.end(),
                            [](const THistoryTile& t) { return !t.Tried; }))
                best = &s;
    return best;
}

const THistoryStep* TImageHistory::Droppable() const {
    if (FUndo.size() > 1) return &FUndo.front();
    if (!FRedo.empty()) return &FRedo.front();
    return nullptr;
}

void TImageHistory::Drop(const THistoryStep* Step) {
    if (!FUndo.empty() && Step == &FUndo.front())
        FUndo.pop_front();
    else if (!FRedo.empty() && Step == &FRedo.front())
        FRedo.pop_front();
}

// ---- The budget ----------------------------------------------------------------------------

THistoryBudget& THistoryBudget::Shared() {
    static THistoryBudget budget;
    return budget;
}

void THistoryBudget::Remove(TImageHistory* History) {
    FHistories.erase(std::remove(FHistories.begin(), FHistories.end(), History),
                     FHistories.end());
}

void THistoryBudget::SetLimit(size_t LimitBytes) {
    FLimit = LimitBytes;
    Enforce();
}

size_t THistoryBudget::Used() const {
    size_t total = 0;
    for (const TImageHistory* h : FHistories) total += h->Bytes();
    return total;
}

void THistoryBudget::Enforce() {
    size_t used = Used();
    while (used > FLimit) {
        THistoryStep* oldest = nullptr;
        for (TImageHistory* h : FHistories)
            if (THistoryStep* s = h->OldestUntried(); s && (!oldest || s->Serial < oldest->Serial))
                oldest = s;
        if (!oldest) break;
        const size_t before = oldest->Size;
        for (THistoryTile& tile : oldest->Tiles) compressTile(tile);
        oldest->Recount();
        used = used - before + oldest->Size;
    }
    while (used > FLimit) {
        TImageHistory* owner = nullptr;
        const THistoryStep* oldest = nullptr;
        for (TImageHistory* h : FHistories)
            if (const THistoryStep* s = h->Droppable();
                s && (!oldest || s->Serial < oldest->Serial)) {
                oldest = s;
                owner = h;
            }
        if (!oldest) break;
        used -= oldest->Size;
        owner->Drop(oldest);
    }
}

} // namespace kolvar
