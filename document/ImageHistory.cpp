#include "document/ImageHistory.h"

#include <zlib.h>

#include <algorithm>
#include <atomic>
#include <cstring>
#include <stdexcept>
#include <thread>

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

// Exchanges the tile's pixels with the picture's, row by row.
void swapRegion(TDibContainer& Image, THistoryTile& Tile) {
    const size_t row = size_t(Tile.W) * 3;
    for (int32_t y = 0; y < Tile.H; ++y) {
        uint8_t* p = Image.ScanLine(Tile.Y + y) + size_t(Tile.X) * 3;
        std::swap_ranges(p, p + row, Tile.Bytes.data() + row * size_t(y));
    }
}

void copyRegion(const TDibContainer& From, TDibContainer& To, const THistoryTile& Tile) {
    const size_t offset = size_t(Tile.X) * 3, row = size_t(Tile.W) * 3;
    for (int32_t y = Tile.Y; y < Tile.Y + Tile.H; ++y)
        std::memcpy(To.ScanLine(y) + offset, From.ScanLine(y) + offset, row);
}

bool regionDiffers(const TDibContainer& A, const TDibContainer& B, int32_t X, int32_t Y, int32_t W,
                   int32_t H) {
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

// Expands every compressed tile, on all cores: a step over the whole picture is thousands of
// tiles, and Undo waits for them.
void expandAll(std::vector<THistoryTile>& Tiles) {
    std::vector<THistoryTile*> packed;
    for (THistoryTile& t : Tiles)
        if (t.Compressed) packed.push_back(&t);
    if (packed.empty()) return;
    std::atomic<size_t> next{0};
    std::atomic<bool> failed{false};
    auto work = [&] {
        for (size_t i = next++; i < packed.size(); i = next++) {
            THistoryTile& t = *packed[i];
            try {
                t.Bytes = ExpandTileBytes(t.Bytes, size_t(t.W) * size_t(t.H) * 3, t.W * 3);
                t.Compressed = false;
            } catch (const std::exception&) {
                failed = true;
            }
        }
    };
    const size_t helpers =
        std::min<size_t>(std::max(1u, std::thread::hardware_concurrency()) - 1, packed.size() / 64);
    std::vector<std::thread> threads;
    for (size_t i = 0; i < helpers; ++i) threads.emplace_back(work);
    work();
    for (std::thread& t : threads) t.join();
    if (failed) throw std::runtime_error("history tile damaged");
}

void compressTile(THistoryTile& Tile) {
    if (Tile.Tried) return;
    Tile.Tried = true;
    std::vector<uint8_t> packed = CompressTileBytes(Tile.Bytes, Tile.W * 3);
    // Too little gained is not worth the time expanding it again would take.
    if (packed.size() > Tile.Bytes.size() / 8 * 7) return;
    Tile.Bytes = std::move(packed);
    Tile.Compressed = true;
}

} // namespace

size_t RawSize(const THistoryStep& Step) {
    size_t total = 0;
    for (const THistoryTile& t : Step.Tiles) total += size_t(t.W) * size_t(t.H) * 3;
    return total;
}

void THistoryStep::Recount() {
    Size = 0;
    for (const THistoryTile& t : Tiles) Size += t.Bytes.size();
}

// ---- Compression ---------------------------------------------------------------------------

namespace {

// Byte-wise a + b and a - b on eight bytes at once, without carries between the bytes.
inline uint64_t addBytes(uint64_t a, uint64_t b) {
    constexpr uint64_t low = 0x7F7F7F7F7F7F7F7Full, high = ~low;
    return ((a & low) + (b & low)) ^ ((a ^ b) & high);
}
inline uint64_t subBytes(uint64_t a, uint64_t b) {
    constexpr uint64_t low = 0x7F7F7F7F7F7F7F7Full, high = ~low;
    return ((a | high) - (b & low)) ^ ((a ^ ~b) & high);
}

// Row := Row op Above, eight bytes at a time.
template <class Op> void combineRow(uint8_t* Row, const uint8_t* Above, size_t N, Op op) {
    size_t i = 0;
    for (; i + 8 <= N; i += 8) {
        uint64_t a, b;
        std::memcpy(&a, Row + i, 8);
        std::memcpy(&b, Above + i, 8);
        a = op(a, b);
        std::memcpy(Row + i, &a, 8);
    }
    for (; i < N; ++i) Row[i] = uint8_t(op(Row[i], Above[i]));
}

} // namespace

// Neighbouring rows of a photograph differ little: deflate finds far more to share in the
// differences than in the bytes, and undoing the differences is a fast pass over each row.
std::vector<uint8_t> CompressTileBytes(const std::vector<uint8_t>& Raw, int32_t RowBytes) {
    std::vector<uint8_t> filtered(Raw);
    const size_t row = size_t(RowBytes);
    for (size_t start = filtered.size() >= row ? filtered.size() - row : 0; start >= row;
         start -= row)
        combineRow(filtered.data() + start, Raw.data() + start - row, row, subBytes);
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
    const size_t row = size_t(RowBytes);
    for (size_t start = row; start + row <= RawSize; start += row)
        combineRow(out.data() + start, out.data() + start - row, row, addBytes);
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
    expandAll(Step.Tiles);
    if (!Step.Whole) {
        for (THistoryTile& tile : Step.Tiles) {
            swapRegion(Image, tile);
            tile.Tried = false;
            copyRegion(Image, Base, tile);
        }
    } else {
        std::vector<THistoryTile> current;
        forEachTile(Image.Width(), Image.Height(), [&](int32_t x, int32_t y, int32_t w, int32_t h) {
            current.push_back({x, y, w, h, false, false, readRegion(Image, x, y, w, h)});
        });
        const int32_t w = Image.Width(), h = Image.Height();
        Image.SetSize(0, 0);
        Image.SetSize(Step.Width, Step.Height);
        for (const THistoryTile& tile : Step.Tiles) writeRegion(Image, tile, tile.Bytes.data());
        Base.AssignContainer(Image);
        Step.Tiles = std::move(current);
        Step.Width = w;
        Step.Height = h;
    }
    Step.Recount();
}

bool TImageHistory::Replay(std::deque<THistoryStep>& From, std::deque<THistoryStep>& To,
                           TDibContainer& Image, TDibContainer& Base) {
    if (From.empty()) return false;
    THistoryStep step = std::move(From.back());
    From.pop_back();
    Apply(step, Image, Base);
    To.push_back(std::move(step));
    FBudget->Enforce();
    return true;
}

bool TImageHistory::Undo(TDibContainer& Image, TDibContainer& Base) {
    return TakeBackPending(Image, Base) || Replay(FUndo, FRedo, Image, Base);
}

// The change in progress is recorded and taken back in one pass: the step keeps the changed
// tiles as they are now, and the picture takes them back from its base, which is already
// the state before the change.
bool TImageHistory::TakeBackPending(TDibContainer& Image, TDibContainer& Base) {
    if (Image.Width() != Base.Width() || Image.Height() != Base.Height()) {
        return Commit(Image, Base) && Replay(FUndo, FRedo, Image, Base);
    }
    THistoryStep step;
    step.Width = Image.Width();
    step.Height = Image.Height();
    forEachTile(Image.Width(), Image.Height(), [&](int32_t x, int32_t y, int32_t w, int32_t h) {
        if (!regionDiffers(Image, Base, x, y, w, h)) return;
        THistoryTile tile{x, y, w, h, false, false, readRegion(Image, x, y, w, h)};
        copyRegion(Base, Image, tile);
        step.Tiles.push_back(std::move(tile));
    });
    if (step.Tiles.empty()) return false;
    step.Serial = ++gSerial;
    step.Recount();
    FRedo.clear();
    FRedo.push_back(std::move(step));
    // The change took a level, as if it had been recorded first.
    while (FUndo.size() + 1 > size_t(FLevels)) FUndo.pop_front();
    FBudget->Enforce();
    return true;
}

bool TImageHistory::Redo(TDibContainer& Image, TDibContainer& Base) {
    return Replay(FRedo, FUndo, Image, Base);
}

size_t TImageHistory::Bytes() const {
    size_t total = 0;
    for (const THistoryStep& s : FUndo) total += s.Size;
    for (const THistoryStep& s : FRedo) total += s.Size;
    return total;
}

bool TImageHistory::CompressIdle(int32_t MaxTiles) {
    bool more = false;
    // The steps next in line for Undo and Redo are made ready to apply at once; the others
    // are compressed.
    auto work = [&](std::deque<THistoryStep>& steps) {
        for (size_t i = 0; i < steps.size(); ++i) {
            const bool next = i + ReadySteps >= steps.size();
            // Expanding must not push the histories past their budget, or the budget would
            // compress the step again and idle time would never end.
            if (next && FBudget->Used() + RawSize(steps[i]) - steps[i].Size > FBudget->Limit())
                continue;
            bool changed = false;
            for (THistoryTile& tile : steps[i].Tiles) {
                if (next ? !tile.Compressed : tile.Tried) continue;
                if (MaxTiles <= 0) {
                    more = true;
                    break;
                }
                if (next) {
                    tile.Bytes = ExpandTileBytes(tile.Bytes, size_t(tile.W) * size_t(tile.H) * 3,
                                                 tile.W * 3);
                    tile.Compressed = tile.Tried = false;
                } else {
                    compressTile(tile);
                }
                changed = true;
                --MaxTiles;
            }
            if (changed) steps[i].Recount();
        }
    };
    work(FUndo);
    work(FRedo);
    if (!more) FBudget->Enforce();
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
    FHistories.erase(std::remove(FHistories.begin(), FHistories.end(), History), FHistories.end());
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
