// The tiled history against plain full copies of every state it should return to.

#include "document/ImageHistory.h"
#include "common/TestSupport.h"
#include "raster/DibTransforms.h"

#include <gtest/gtest.h>

#include <cstdlib>
#include <vector>

using namespace kolvar;

namespace {

void paint(TDibContainer& Image, int32_t X1, int32_t Y1, int32_t X2, int32_t Y2, TDibColor C) {
    for (int32_t y = Y1; y <= Y2; ++y) Image.HorzLine(y, X1, X2, C);
}

// A history with the document's pair of images: the picture and its base.
struct TDoc {
    explicit TDoc(TDibContainer Start, int32_t Levels, THistoryBudget& Budget)
        : Image(std::move(Start)), Base(Image), History(Levels, &Budget) {}
    // Ends the change in progress, as a new command does.
    void Change() { History.Commit(Image, Base); }
    TDibContainer Image;
    TDibContainer Base;
    TImageHistory History;
};

} // namespace

TEST(ImageHistory, TwentyMixedChangesUndoAndRedoToIdenticalPictures) {
    THistoryBudget budget;
    TDoc d(test::NoisyImage(150, 97, 1), 20, budget);
    std::vector<TDibContainer> states{d.Image};
    for (int i = 0; i < 20; ++i) {
        switch (i % 5) {
        case 0: // a stroke within one tile
            paint(d.Image, 3 + i, 5, 9 + i, 8, TDibColor{uint8_t(i), 200, 7});
            break;
        case 1: // a change over the whole picture
            for (int32_t y = 0; y < d.Image.Height(); ++y)
                for (int32_t x = 0; x < d.Image.Width(); ++x) {
                    TDibColor* p = d.Image.PixelPtr(x, y);
                    p->Red = uint8_t(255 - p->Red);
                }
            break;
        case 2: // a change of size
            d.Image = Rotated90(d.Image, true);
            break;
        case 3:
            d.Image = CanvasResized(d.Image, d.Image.Width() + 13, d.Image.Height() - 4, caCenter,
                                    TDibColor{9, 9, 9});
            break;
        default: // across a tile corner, on the last partial tiles
            paint(d.Image, 60, 60, d.Image.Width() - 1, d.Image.Height() - 1, TDibColor{1, 2, 3});
            break;
        }
        d.Change();
        states.push_back(d.Image);
        // Half the steps are compressed before they are needed again.
        if (i % 2) d.History.CompressIdle(1000);
    }
    EXPECT_EQ(d.History.UndoCount(), 20u);
    for (int i = 19; i >= 0; --i) {
        ASSERT_TRUE(d.History.Undo(d.Image, d.Base));
        ASSERT_TRUE(d.Image.SameImage(states[size_t(i)])) << "undo to state " << i;
        ASSERT_TRUE(d.Base.SameImage(d.Image));
        if (i % 3 == 0) d.History.CompressIdle(1000);
    }
    EXPECT_FALSE(d.History.Undo(d.Image, d.Base));
    EXPECT_TRUE(d.Image.SameImage(states[0]));
    for (int i = 1; i <= 20; ++i) {
        ASSERT_TRUE(d.History.Redo(d.Image, d.Base));
        ASSERT_TRUE(d.Image.SameImage(states[size_t(i)])) << "redo to state " << i;
    }
    EXPECT_FALSE(d.History.Redo(d.Image, d.Base));
}

TEST(ImageHistory, AStepCostsOnlyTheTilesItTouched) {
    THistoryBudget budget;
    TDoc d(TDibContainer(1024, 1024), 5, budget);
    // Nothing changed: no step.
    EXPECT_FALSE(d.History.Commit(d.Image, d.Base));
    // A short stroke across the border of two tiles.
    paint(d.Image, 60, 10, 70, 12, TDibColor{255, 0, 0});
    d.Change();
    ASSERT_EQ(d.History.UndoCount(), 1u);
    EXPECT_EQ(d.History.Bytes(), size_t(2 * 64 * 64 * 3));
    // Steps that are not next in line compress when idle; the latest stay raw, for speed.
    for (int32_t i = 0; i < 2; ++i) {
        paint(d.Image, 500 + 64 * i, 500, 505 + 64 * i, 505, TDibColor{0, 255, 0});
        d.Change();
    }
    EXPECT_FALSE(d.History.CompressIdle(1000));
    EXPECT_LT(d.History.Bytes(), size_t(2 * 64 * 64 * 3) / 10 + 2 * 64 * 64 * 3);
    for (int i = 0; i < 3; ++i) EXPECT_TRUE(d.History.Undo(d.Image, d.Base));
    EXPECT_TRUE(d.Image.SameImage(TDibContainer(1024, 1024)));
    // Idle time keeps the two steps next in line for Redo expanded (three tiles) and
    // compresses the third.
    d.History.CompressIdle(1000);
    EXPECT_GE(d.History.Bytes(), size_t(3 * 64 * 64 * 3));
    EXPECT_LT(d.History.Bytes(), size_t(3 * 64 * 64 * 3) + 1000);
}

TEST(ImageHistory, ANewChangeEndsRedoAndLevelsKeepTheLatestSteps) {
    THistoryBudget budget;
    TDoc d(TDibContainer(40, 40), 3, budget);
    for (uint8_t i = 1; i <= 5; ++i) {
        paint(d.Image, i, i, i, i, TDibColor{i, i, i});
        d.Change();
    }
    EXPECT_EQ(d.History.UndoCount(), 3u);
    d.History.Undo(d.Image, d.Base);
    d.History.Undo(d.Image, d.Base);
    EXPECT_EQ(d.History.RedoCount(), 2u);
    // A change made after Undo, not yet committed, is taken back by the next Undo.
    paint(d.Image, 30, 30, 31, 31, TDibColor{7, 7, 7});
    const TDibContainer beforeStroke = d.Base;
    d.History.Undo(d.Image, d.Base);
    EXPECT_TRUE(d.Image.SameImage(beforeStroke));
    // The stroke ended the two steps that could be redone; only the stroke itself comes back.
    ASSERT_EQ(d.History.RedoCount(), 1u);
    EXPECT_TRUE(d.History.Redo(d.Image, d.Base));
    EXPECT_EQ(d.Image.GetPixel(30, 30), (TDibColor{7, 7, 7}));
    d.History.SetLevels(1);
    EXPECT_LE(d.History.UndoCount(), 1u);
}

TEST(ImageHistory, TheBudgetCompressesThenDropsTheOldestStepsOfAllDocuments) {
    THistoryBudget budget(size_t(64) << 20);
    TDoc a(test::NoisyImage(256, 256, 7), 50, budget);
    TDoc b(test::NoisyImage(256, 256, 8), 50, budget);
    const size_t full = size_t(256) * 256 * 3;
    for (int i = 0; i < 6; ++i)
        for (TDoc* d : {&a, &b}) {
            d->Image = FlippedHorizontal(d->Image); // every tile changes
            d->Change();
        }
    EXPECT_EQ(budget.Used(), 12 * full);
    // Noise hardly compresses: the budget has to drop steps, oldest first, whichever
    // document they belong to, and keeps each document's latest.
    budget.SetLimit(5 * full);
    EXPECT_LE(budget.Used(), 5 * full);
    EXPECT_GE(a.History.UndoCount(), 1u);
    EXPECT_GE(b.History.UndoCount(), 1u);
    EXPECT_LE(int(a.History.UndoCount()) - int(b.History.UndoCount()), 1);
    budget.SetLimit(1);
    EXPECT_EQ(a.History.UndoCount(), 1u);
    EXPECT_EQ(b.History.UndoCount(), 1u);
    const TDibContainer flipped = a.Image;
    EXPECT_TRUE(a.History.Undo(a.Image, a.Base));
    EXPECT_TRUE(a.Image.SameImage(FlippedHorizontal(flipped)));
}

TEST(ImageHistory, TileCompressionRoundTripsAnyBytes) {
    std::vector<uint8_t> raw(64 * 3 * 17);
    for (size_t i = 0; i < raw.size(); ++i) raw[i] = uint8_t(i * 7 + (i / 192) * 13);
    const std::vector<uint8_t> packed = CompressTileBytes(raw, 64 * 3);
    EXPECT_LT(packed.size(), raw.size());
    EXPECT_EQ(ExpandTileBytes(packed, raw.size(), 64 * 3), raw);
    EXPECT_THROW(ExpandTileBytes(packed, raw.size() + 1, 64 * 3), std::exception);
    // A narrow last tile: rows that are no multiple of eight bytes.
    std::vector<uint8_t> narrow(15 * 9);
    for (size_t i = 0; i < narrow.size(); ++i) narrow[i] = uint8_t(255 - i * 29);
    EXPECT_EQ(ExpandTileBytes(CompressTileBytes(narrow, 15), narrow.size(), 15), narrow);
}
