#include "raster/DynamicArray.h"

#include <QBuffer>
#include <QTemporaryDir>

#include <gtest/gtest.h>

#include <cstring>
#include <vector>

using namespace kolvar;

namespace {

QByteArray Saved(const TArray& a) {
    QBuffer buf;
    buf.open(QIODevice::WriteOnly);
    a.SaveToStream(buf);
    return buf.data();
}

template <class T> void LoadFrom(T& target, const QByteArray& bytes) {
    QBuffer buf;
    buf.setData(bytes);
    buf.open(QIODevice::ReadOnly);
    target.LoadFromStream(buf);
}

template <class T> void RoundTrip(const T& source, T& target) {
    QBuffer buf;
    buf.open(QIODevice::WriteOnly);
    source.SaveToStream(buf);
    LoadFrom(target, buf.data());
}

// A pipe-like device: no size, bytes only as they are read.
class TSequentialDevice : public QIODevice {
public:
    explicit TSequentialDevice(QByteArray data) : FData(std::move(data)) { open(ReadOnly); }
    bool isSequential() const override { return true; }

protected:
    qint64 readData(char* out, qint64 max) override {
        const qint64 n = std::min<qint64>(max, FData.size() - FPos);
        std::memcpy(out, FData.constData() + FPos, size_t(n));
        FPos += n;
        return n;
    }
    qint64 writeData(const char*, qint64) override { return -1; }

private:
    QByteArray FData;
    qint64 FPos = 0;
};

} // namespace

TEST(DynamicArray, GrowthDeleteAndCapacity) {
    TIntegerArray a(0);
    for (int i = 0; i < 8; ++i) a.Add(i * 10);
    EXPECT_EQ(a.Capacity(), 8);
    a.Add(80);
    EXPECT_EQ(a.Capacity(), 16);
    EXPECT_EQ(a.Count(), 9);

    a.Delete(0);
    EXPECT_EQ(a.Items(0), 10);
    a.Delete(a.Count() - 1);
    EXPECT_EQ(a.Count(), 7);
    EXPECT_EQ(a.Items(6), 70);
    a.Delete(7); // out of range
    EXPECT_EQ(a.Count(), 7);
    EXPECT_EQ(a.Items(-1), 0);

    // Shrinking the capacity below the count drops elements instead of leaving a count that
    // points past the block.
    a.SetCapacity(3);
    EXPECT_EQ(a.Count(), 3);
    EXPECT_EQ(a.Items(2), 30);
    EXPECT_EQ(a.Items(3), 0);

    // Elements that come into use through SetCount start at zero, even in a reused block.
    a.SetCapacity(8);
    a.Add(99);
    a.Delete(3);
    a.SetCount(5);
    EXPECT_EQ(a.Items(3), 0);
    EXPECT_EQ(a.Items(4), 0);

    a.Clear();
    EXPECT_EQ(a.Count(), 0);
    EXPECT_EQ(a.Capacity(), 0);
}

TEST(DynamicArray, AppendAssignEquals) {
    TPoints a, b;
    a.Add(1, 2);
    b.Add(3, 4);
    b.Add(5, 6);
    a.Append(b);
    ASSERT_EQ(a.Count(), 3);
    EXPECT_EQ(a.Get(2), (TPoint{5, 6}));

    a.Append(a); // appending to itself copies each element once
    ASSERT_EQ(a.Count(), 6);
    EXPECT_EQ(a.Get(3), (TPoint{1, 2}));
    EXPECT_EQ(a.Get(5), (TPoint{5, 6}));

    TPoints c;
    c.Assign(b);
    EXPECT_TRUE(c.Equals(b));
    c.Put(0, TPoint{3, 5});
    EXPECT_FALSE(c.Equals(b));

    // Only exactly the same class takes part.
    TIntegerArray ints;
    ints.Add(7);
    TArray raw(0, 4);
    raw.Append(ints);
    EXPECT_EQ(raw.Count(), 0);
    ints.Assign(raw);
    EXPECT_EQ(ints.Count(), 1);
}

TEST(DynamicArray, SavedBytesUseFilerIntegers) {
    TIntegerArray a(0);
    a.Add(5);
    a.Add(300);
    EXPECT_EQ(Saved(a).toHex(' '), QByteArray("02 04 02 08 02 02 05 00 00 00 2c 01 00 00"));

    QBuffer buf;
    buf.open(QIODevice::WriteOnly);
    for (int32_t v : {-128, 127, -129, 32767, -32768, 40000, -1}) WriteFilerInteger(buf, v);
    EXPECT_EQ(buf.data().toHex(' '), QByteArray("02 80 02 7f 03 7f ff 03 ff 7f 03 00 80 "
                                                "04 40 9c 00 00 02 ff"));
    buf.close();
    buf.open(QIODevice::ReadOnly);
    for (int32_t v : {-128, 127, -129, 32767, -32768, 40000, -1})
        EXPECT_EQ(ReadFilerInteger(buf), v);
}

TEST(DynamicArray, EveryContainerRoundTrips) {
    TIntegerArray ints, ints2;
    for (int i = -300; i < 300; i += 7) ints.Add(i * 1000);
    RoundTrip(ints, ints2);
    EXPECT_TRUE(ints.Equals(ints2));

    TPoints pts, pts2;
    pts.Add(-5, 7);
    pts.Add(INT32_MAX, INT32_MIN);
    pts2.Add(1, 1); // loading replaces what was there
    pts2.Add(2, 2);
    pts2.Add(3, 3);
    RoundTrip(pts, pts2);
    EXPECT_TRUE(pts.Equals(pts2));

    TPoints2D d, d2;
    d.Add(0.1, -2.5e10);
    RoundTrip(d, d2);
    EXPECT_TRUE(d.Equals(d2));

    TDibColorArray colors, colors2;
    colors.Add(0x123456u);
    RoundTrip(colors, colors2);
    EXPECT_TRUE(colors.Equals(colors2));
    EXPECT_EQ(colors2.Get(0), (TDibColor{0x56, 0x34, 0x12}));

    TDoubleMatrix m(2, 3), m2;
    m.SetItems(1, 2, 3.25);
    RoundTrip(m, m2);
    EXPECT_TRUE(m.Equals(m2));
    EXPECT_EQ(m2.Items(1, 2), 3.25);

    TIntegerMatrix im(3, 1), im2(5, 5);
    im.SetItems(2, 0, -9);
    RoundTrip(im, im2);
    EXPECT_EQ(im2.Rows(), 3);
    EXPECT_EQ(im2.Cols(), 1);
    EXPECT_EQ(im2.Items(2, 0), -9);

    // An item list adds the loaded records after its own.
    TItemList list(0, 3), list2(0, 3);
    list.Add("abc");
    list.Add("def");
    list2.Add("xyz");
    RoundTrip(list, list2);
    ASSERT_EQ(list2.Count(), 3);
    EXPECT_EQ(std::memcmp(list2.Item(0), "xyz", 3), 0);
    EXPECT_EQ(std::memcmp(list2.Item(2), "def", 3), 0);

    // Files, through a temporary file that replaces the old one.
    QTemporaryDir dir;
    const QString path = dir.filePath("ints.bin");
    ints.SaveToFile(path);
    TIntegerArray fromFile;
    fromFile.LoadFromFile(path);
    EXPECT_TRUE(fromFile.Equals(ints));
    EXPECT_THROW(ints.SaveToFile(dir.filePath("missing/ints.bin")), EArrayStreamError);
    EXPECT_THROW(fromFile.LoadFromFile(dir.filePath("none.bin")), EArrayStreamError);
    EXPECT_TRUE(fromFile.Equals(ints));
}

TEST(DynamicArray, MalformedStreamsRaiseAndChangeNothing) {
    TIntegerArray a;
    a.Add(42);
    int notified = 0;
    a.OnChange = [&](TArray&) { ++notified; };
    auto rejects = [&](const char* hex) {
        EXPECT_THROW(LoadFrom(a, QByteArray::fromHex(hex)), EArrayStreamError) << hex;
        EXPECT_EQ(a.Count(), 1) << hex;
        EXPECT_EQ(a.Items(0), 42) << hex;
    };
    rejects("0208 0201 0201 0000000000000000"); // item size 8 for 4-byte items
    rejects("0204 0201 02ff");                  // negative count
    rejects("0204 02ff 0200");                  // negative capacity
    rejects("0204 0201 047fffffff 01000000");   // absurd count, few bytes
    rejects("0204 0202 0202 05000000");         // fewer bytes than claimed
    rejects("0204 0201");                       // ends inside the header
    rejects("0704 0201 0201 05000000");         // unknown tag
    EXPECT_EQ(notified, 0);
    EXPECT_EQ(a.UpdateCount(), 0);

    // A sequential stream cannot be measured first; it still fails cleanly.
    TSequentialDevice pipe(QByteArray::fromHex("0204 0200 047fffff1f 0100000002000000"));
    EXPECT_THROW(a.LoadFromStream(pipe), EArrayStreamError);
    TSequentialDevice good(QByteArray::fromHex("0204 0200 0202 0100000002000000"));
    a.LoadFromStream(good);
    EXPECT_EQ(a.Count(), 2);
    EXPECT_EQ(notified, 1);

    TDoubleMatrix m(1, 1);
    EXPECT_THROW(LoadFrom(m, QByteArray::fromHex("0208 047fffffff 047fffffff")), EArrayStreamError);
    EXPECT_THROW(LoadFrom(m, QByteArray::fromHex("0208 0202 0202 00")), EArrayStreamError);
    EXPECT_EQ(m.Rows(), 1);

    TItemList list(0, 2);
    EXPECT_THROW(LoadFrom(list, QByteArray::fromHex("0202 0200 0400000100")), EArrayStreamError);
    EXPECT_THROW(LoadFrom(list, QByteArray::fromHex("0202 0204 0202 aabb")), EArrayStreamError);
    EXPECT_EQ(list.Count(), 0);
}

TEST(DynamicArray, OneNotificationPerBracket) {
    TPoints2D p;
    int calls = 0;
    p.OnChange = [&](TArray& sender) {
        EXPECT_EQ(&sender, &p);
        ++calls;
    };
    p.Add(1, 1);
    EXPECT_EQ(calls, 1);

    p.BeginUpdate();
    p.BeginUpdate();
    for (int i = 0; i < 20; ++i) p.Add(i, i);
    p.Delete(0);
    p.EndUpdate();
    EXPECT_EQ(calls, 1);
    p.EndUpdate();
    EXPECT_EQ(calls, 2);

    TPoints2D other;
    other.Add(5, 5);
    p.Assign(other); // Clear and Append, one notification
    EXPECT_EQ(calls, 3);
    p.Delete(0); // removing the last element is a change too
    EXPECT_EQ(calls, 4);

    p.EndUpdate(); // unmatched: ignored, later brackets still notify
    p.Add(0, 0);
    EXPECT_EQ(calls, 5);

    // A copy has its own (empty) listener.
    TPoints2D copy(p);
    copy.Add(1, 2);
    EXPECT_EQ(calls, 5);
    EXPECT_EQ(copy.Count(), 2);

    // The item list's Changed notifies even inside a bracket; EndUpdate still once.
    TItemList list(0, 1);
    int listCalls = 0;
    list.OnChange = [&](TItemList&) { ++listCalls; };
    list.BeginUpdate();
    list.Add("a");
    list.Add("b");
    EXPECT_EQ(listCalls, 0);
    list.Changed();
    EXPECT_EQ(listCalls, 1);
    list.EndUpdate();
    EXPECT_EQ(listCalls, 2);
}

TEST(DynamicArray, MatrixResizeKeepsOverlap) {
    TIntegerMatrix m(2, 3);
    for (int r = 0; r < 2; ++r)
        for (int c = 0; c < 3; ++c) m.SetItems(r, c, 10 * r + c + 1);
    m.SetSize(3, 2);
    EXPECT_EQ(m.Items(0, 0), 1);
    EXPECT_EQ(m.Items(0, 1), 2);
    EXPECT_EQ(m.Items(1, 0), 11);
    EXPECT_EQ(m.Items(1, 1), 12);
    EXPECT_EQ(m.Items(2, 0), 0);
    EXPECT_EQ(m.Items(2, 1), 0);
    EXPECT_EQ(m.Data()[2], 11); // row-major with the new column count

    m.SetItems(3, 0, 5);  // outside: ignored
    m.SetItems(0, -1, 5); // outside: ignored
    EXPECT_EQ(m.Items(3, 0), 0);

    m.SetCols(0);
    EXPECT_EQ(m.Rows(), 3);
    EXPECT_EQ(m.Data(), nullptr);
    m.SetCols(2);
    EXPECT_EQ(m.Items(0, 0), 0);

    TIntegerMatrix copy;
    m.SetItems(2, 1, 77);
    copy.Assign(m);
    EXPECT_TRUE(copy.Equals(m));
    TDoubleMatrix other(3, 2);
    copy.Assign(other); // another class: ignored
    EXPECT_EQ(copy.Items(2, 1), 77);
}

TEST(DynamicArray, ItemListGrowthAndLimit) {
    TItemList list(0, 4);
    std::vector<int32_t> capacities;
    for (int32_t i = 0; i < 100; ++i) {
        list.Add(&i);
        if (capacities.empty() || capacities.back() != list.Capacity())
            capacities.push_back(list.Capacity());
    }
    EXPECT_EQ(capacities, (std::vector<int32_t>{4, 8, 12, 28, 44, 60, 76, 95, 118}));
    int32_t v = 0;
    ASSERT_TRUE(list.GetItem(57, &v));
    EXPECT_EQ(v, 57);

    list.SetCapacity(20000);
    EXPECT_EQ(list.Capacity(), TItemList::MaxCapacity);
    for (int32_t i = 100; i < TItemList::MaxCapacity; ++i) list.Add(&i);
    EXPECT_EQ(list.Count(), 16382);
    EXPECT_THROW(list.Add(&v), EArrayError);
    EXPECT_EQ(list.Count(), 16382);
    EXPECT_EQ(list.Capacity(), 16382);

    TItemList small(0, 4);
    small.Add(&v);
    EXPECT_THROW(small.Append(list), EArrayError);
    EXPECT_EQ(small.Count(), 1);

    // Shrinking frees the records beyond the new capacity.
    list.SetCapacity(10);
    EXPECT_EQ(list.Count(), 10);
    EXPECT_EQ(list.Item(10), nullptr);
    TItemList copy(0, 4);
    copy.Assign(list);
    EXPECT_TRUE(copy.Equals(list));
    copy.Clear();
    EXPECT_EQ(copy.Count(), 0);
}
