#pragma once
// A document's history of changes beyond the single undo copy. The picture is cut into
// 64 x 64 tiles; a step keeps only the tiles a change touched, as they were in the state it
// leads back to. Undo and Redo swap those tiles with the picture, so one step serves both
// directions. Steps are compressed when the program is idle, and one budget for the history
// of every document drops the oldest steps when it is exceeded.
//
// The history works against a base: a full copy of the picture as it was before the change
// in progress (the document's undo copy). A change is recorded by comparing the picture with
// its base, so even changes nobody announced land in a step.

#include "raster/DibContainer.h"

#include <cstddef>
#include <cstdint>
#include <deque>
#include <memory>
#include <vector>

namespace kolvar {

class THistoryBudget;

// Pixels of one rectangle of the picture, rows packed, raw or compressed.
struct THistoryTile {
    int32_t X = 0;
    int32_t Y = 0;
    int32_t W = 0;
    int32_t H = 0;
    bool Compressed = false;
    // Compression was tried (it is kept only when it saves memory).
    bool Tried = false;
    std::vector<uint8_t> Bytes;
};

// One change: the tiles of the state it leads to when applied, and that state's size. A step
// of a change of size holds the whole picture.
struct THistoryStep {
    uint64_t Serial = 0;
    int32_t Width = 0;
    int32_t Height = 0;
    bool Whole = false;
    std::vector<THistoryTile> Tiles;
    // The bytes the tiles hold, kept up to date by the history.
    size_t Size = 0;
    void Recount();
};

// The bytes the step's tiles hold when none is compressed.
size_t RawSize(const THistoryStep& Step);

class TImageHistory {
public:
    static constexpr int32_t TileSize = 64;
    // Steps at the end of each list that idle time keeps uncompressed, so that a few Undo or
    // Redo commands in a row never wait for decompression.
    static constexpr size_t ReadySteps = 2;

    // Registers with the budget (the program-wide one when none is given).
    explicit TImageHistory(int32_t Levels = 1, THistoryBudget* Budget = nullptr);
    ~TImageHistory();
    TImageHistory(const TImageHistory&) = delete;
    TImageHistory& operator=(const TImageHistory&) = delete;

    int32_t Levels() const { return FLevels; }
    // At least 1; extra steps go, oldest first (and redo steps beyond the count).
    void SetLevels(int32_t Levels);

    // Records the difference between Base and Image as one step, unless there is none, and
    // brings Base up to date. A recorded step ends whatever could be redone. True when a step
    // was recorded.
    bool Commit(const TDibContainer& Image, TDibContainer& Base);
    // Commits, then steps back (or forward) one change; Image and Base both take the state
    // reached. False when there was nothing to take back (or re-apply).
    bool Undo(TDibContainer& Image, TDibContainer& Base);
    bool Redo(TDibContainer& Image, TDibContainer& Base);

    bool CanUndo() const { return !FUndo.empty(); }
    bool CanRedo() const { return !FRedo.empty(); }
    size_t UndoCount() const { return FUndo.size(); }
    size_t RedoCount() const { return FRedo.size(); }
    void ClearRedo();
    void Clear();

    // Memory the steps hold.
    size_t Bytes() const;
    // Idle work on up to MaxTiles tiles: compresses the steps that are not next in line for
    // Undo or Redo and expands those that are (while the budget allows). True while such work
    // remains.
    bool CompressIdle(int32_t MaxTiles);

private:
    friend class THistoryBudget;
    void Apply(THistoryStep& Step, TDibContainer& Image, TDibContainer& Base);
    bool TakeBackPending(TDibContainer& Image, TDibContainer& Base);
    // Applies the newest step of From and moves it onto To; false when From is empty.
    bool Replay(std::deque<THistoryStep>& From, std::deque<THistoryStep>& To, TDibContainer& Image,
                TDibContainer& Base);
    void Trim();
    // What the budget may take, oldest first: a step whose tiles could still be compressed,
    // and a step that may be dropped (never the latest change).
    THistoryStep* OldestUntried();
    const THistoryStep* Droppable() const;
    void Drop(const THistoryStep* Step);

    int32_t FLevels;
    THistoryBudget* FBudget;
    std::deque<THistoryStep> FUndo; // back is the latest change
    std::deque<THistoryStep> FRedo; // back is the next to re-apply
};

// The memory all histories may hold together. When it is exceeded, steps are compressed and
// then the oldest steps are dropped, whichever document they belong to; each document keeps
// at least its latest step.
class THistoryBudget {
public:
    explicit THistoryBudget(size_t LimitBytes = size_t(512) << 20) : FLimit(LimitBytes) {}
    THistoryBudget(const THistoryBudget&) = delete;
    THistoryBudget& operator=(const THistoryBudget&) = delete;

    // The program-wide budget.
    static THistoryBudget& Shared();

    size_t Limit() const { return FLimit; }
    void SetLimit(size_t LimitBytes);
    size_t Used() const;
    // Compresses and drops until the histories fit (or only protected steps remain).
    void Enforce();

private:
    friend class TImageHistory;
    void Add(TImageHistory* History) { FHistories.push_back(History); }
    void Remove(TImageHistory* History);

    size_t FLimit;
    std::vector<TImageHistory*> FHistories;
};

// Tile compression, exposed for tests: a row-wise difference filter and deflate.
std::vector<uint8_t> CompressTileBytes(const std::vector<uint8_t>& Raw, int32_t RowBytes);
std::vector<uint8_t> ExpandTileBytes(const std::vector<uint8_t>& Packed, size_t RawSize,
                                     int32_t RowBytes);

} // namespace kolvar
