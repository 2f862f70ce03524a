#include "formats/ByteArrays.h"

#include <gtest/gtest.h>

using namespace kolvar;

namespace {

template <class F> QString ErrorOf(F f) {
    try {
        f();
    } catch (const Exception& e) {
        return e.Message();
    }
    return {};
}

} // namespace

TEST(ByteArrays, BigByteArrayChecksOneBasedBounds) {
    TBigByteArray a(3);
    a.SetByte(3, 7);
    EXPECT_EQ(a.GetByte(3), 7);
    EXPECT_EQ(a.GetByte(1), 0);
    EXPECT_EQ(ErrorOf([&] { a.SetByte(0, 1); }), "Dynamic array index out of bounds");
    EXPECT_EQ(ErrorOf([&] { a.SetByte(4, 1); }), "Dynamic array index out of bounds");
    EXPECT_THROW(a.GetByte(4), EIndexOutOfBounds);
    EXPECT_EQ(ErrorOf([] { TBigByteArray(-5); }),
              "error in TBigByteArray.create: Not enough contiguous memory available\r\n"
              " requested memory block: -5 bytes");
    EXPECT_EQ(TBigByteArray(0).Size(), 0);
}

TEST(ByteArrays, ByteArray2DCopiesWholeRows) {
    TByteArray2D m(3, 2);
    TBigByteArray row(3);
    row.SetByte(1, 9);
    row.SetByte(3, 8);
    m.SetRow(2, row);
    auto back = m.GetRow(2);
    EXPECT_EQ(back->Size(), 3);
    EXPECT_EQ(back->GetByte(1), 9);
    EXPECT_EQ(back->GetByte(3), 8);
    EXPECT_EQ(m.GetRow(1)->GetByte(1), 0);

    TBigByteArray shortRow(2);
    EXPECT_EQ(ErrorOf([&] { m.SetRow(1, shortRow); }),
              "Row doesn't have equal number of elements as Matrix row");
    EXPECT_EQ(ErrorOf([&] { m.SetRow(0, row); }), "Dynamic array index out of bounds");
    EXPECT_EQ(ErrorOf([&] { m.SetRow(3, row); }), "Dynamic array index out of bounds");
    // Reading a row that does not exist would read outside the block.
    EXPECT_THROW(m.GetRow(3), EIndexOutOfBounds);
}

TEST(ByteArrays, ByteBufferReadsAcrossChunksAndStopsAtTheEnd) {
    TByteBuffer b;
    b.AddChunk("ab");
    b.AddChunk("");
    b.AddChunk("c");
    EXPECT_EQ(b.Total(), 3);
    b.Rewind();
    EXPECT_EQ(b.ReadByte(), 'a');
    EXPECT_EQ(b.ReadByte(), 'b');
    EXPECT_EQ(b.ReadByte(), 'c');
    EXPECT_THROW(b.ReadByte(), EListError);
    b.Rewind();
    EXPECT_EQ(b.ReadByte(), 'a');

    TByteBuffer empty;
    empty.Rewind();
    EXPECT_THROW(empty.ReadByte(), EListError);
}

TEST(ByteArrays, InterlacedRowOrderVisitsEveryRowOnce) {
    auto order = [](int height) {
        std::vector<int> rows;
        int pass = 1;
        for (int row = 0; row < height && rows.size() < 100;
             row = NextInterlacedRow(row, height, pass))
            rows.push_back(row);
        return rows;
    };
    EXPECT_EQ(order(8), (std::vector<int>{0, 4, 2, 6, 1, 3, 5, 7}));
    EXPECT_EQ(order(10), (std::vector<int>{0, 8, 4, 2, 6, 1, 3, 5, 7, 9}));
    // Short pictures skip the passes that have no rows.
    EXPECT_EQ(order(1), (std::vector<int>{0}));
    EXPECT_EQ(order(2), (std::vector<int>{0, 1}));
    EXPECT_EQ(order(3), (std::vector<int>{0, 2, 1}));
    EXPECT_EQ(order(4), (std::vector<int>{0, 2, 1, 3}));
    int pass = 4;
    EXPECT_EQ(NextInterlacedRow(7, 8, pass), 9);
    EXPECT_EQ(pass, 5);
    EXPECT_EQ(NextInterlacedRow(3, 8, pass), 0);
}
