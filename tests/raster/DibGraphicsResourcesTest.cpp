#include "raster/DibGraphics.h"

#include <QImage>
#include <gtest/gtest.h>

using namespace kolvar;

namespace {

TDibColorArray Colors(std::initializer_list<uint32_t> values) {
    TDibColorArray a;
    for (uint32_t v : values) a.Add(v);
    return a;
}

uint32_t At(const TDibColorArray& a, int32_t i) {
    return DibColorToInt(a.Get(i));
}

// Counts the notifications an object sends.
struct TCounter {
    int Count = 0;
    void Watch(TDibObject& o) {
        o.OnChange = [this](TDibObject&) { ++Count; };
    }
};

} // namespace

TEST(DibGraphicsTables, RampsAndTables) {
    TDibColorArray table;
    BuildTable(Colors({0x000000, 0xFFFFFF}), table);
    ASSERT_EQ(table.Count(), 1024);
    EXPECT_EQ(At(table, 0), 0x000000u);
    EXPECT_EQ(At(table, 512), 0x808080u) << "127.5 rounds to the even 128";
    EXPECT_EQ(At(table, 1023), 0xFFFFFFu);

    // Channels run independently and downwards as well.
    BuildTable(Colors({0xFF0010, 0x00FF10}), table);
    EXPECT_EQ(At(table, 0), 0xFF0010u);
    EXPECT_EQ(At(table, 512), 0x808010u);

    for (auto [stops, count] : {std::pair{3, 1024}, {4, 1023}, {7, 1026}}) {
        TDibColorArray s;
        for (int i = 0; i < stops; ++i) s.Add(uint32_t(i * 0x101010));
        BuildTable(s, table);
        EXPECT_EQ(table.Count(), count) << stops;
    }
    // Every segment starts at its stop.
    BuildTable(Colors({0x000000, 0x0000FF, 0xFF0000}), table);
    EXPECT_EQ(At(table, 512), 0x0000FFu);

    // A single stop gives a flat table, no stops an empty one.
    BuildTable(Colors({0x123456}), table);
    ASSERT_EQ(table.Count(), 1024);
    EXPECT_EQ(At(table, 0), 0x123456u);
    EXPECT_EQ(At(table, 1023), 0x123456u);
    BuildTable(TDibColorArray(), table);
    EXPECT_EQ(table.Count(), 0);

    // Thousands of stops still give one entry per pair instead of none.
    TDibColorArray many;
    for (int i = 0; i < 3000; ++i) many.Add(uint32_t(i));
    BuildTable(many, table);
    EXPECT_EQ(table.Count(), 2999);

    // AppendRamp appends, ignores n < 1, and clamps each channel.
    TDibColorArray ramp = Colors({0xABCDEF});
    AppendRamp(ramp, 0, 0xFFFFFF, 0);
    AppendRamp(ramp, -3, 0xFFFFFF, 0);
    EXPECT_EQ(ramp.Count(), 1);
    AppendRamp(ramp, 3, 0x000030, 0x000000);
    ASSERT_EQ(ramp.Count(), 4);
    EXPECT_EQ(At(ramp, 0), 0xABCDEFu);
    EXPECT_EQ(At(ramp, 1), 0x000000u);
    EXPECT_EQ(At(ramp, 2), 0x000010u);
    EXPECT_EQ(At(ramp, 3), 0x000020u);
}

TEST(DibGraphicsResources, EqualStopsShareOneResource) {
    TDibResourceManager& m = GradientManager();
    const int32_t listed = m.Count();
    TDibGradient a, b;
    TCounter ca, cb;
    ca.Watch(a);
    cb.Watch(b);
    const uint32_t stops[] = {0x102030, 0x405060};
    a.SetColors(stops, 2);
    b.SetColors(stops, 2);
    EXPECT_EQ(a.Resource(), b.Resource());
    EXPECT_EQ(a.Resource()->RefCount(), 2);
    EXPECT_EQ(m.Count(), listed + 1);
    EXPECT_EQ(a.Table().Count(), 1024);
    EXPECT_EQ(At(a.Table(), 0), 0x102030u);
    EXPECT_EQ(ca.Count, 1);
    EXPECT_EQ(cb.Count, 1);
    EXPECT_TRUE(a.Resource()->Describe().endsWith(QStringLiteral(" Refs:2")));
    EXPECT_TRUE(a.Resource()->Describe().startsWith(QStringLiteral("Res:GRD_")));

    // The same stops again change nothing and send nothing.
    a.SetColors(stops, 2);
    EXPECT_EQ(ca.Count, 1);

    // Changing one leaves the other.
    const uint32_t other[] = {0x00FF00, 0x0000FF, 0xFF0000};
    a.SetColors(other, 3);
    EXPECT_EQ(ca.Count, 2);
    EXPECT_EQ(cb.Count, 1);
    EXPECT_NE(a.Resource(), b.Resource());
    EXPECT_EQ(b.Resource()->RefCount(), 1);
    EXPECT_EQ(At(b.Stops(), 1), 0x405060u);
    EXPECT_EQ(a.Stops().Count(), 3);

    // The last release removes the resource from the list.
    const TDibResource* shared = b.Resource();
    b.SetColors(other, 3);
    EXPECT_EQ(a.Resource(), b.Resource());
    for (int32_t i = 0; i < m.Count(); ++i) EXPECT_NE(m.Items(i), shared);
    EXPECT_EQ(m.Count(), listed + 1);

    // No colours: back to the default resource.
    a.SetColors(nullptr, 0);
    EXPECT_EQ(a.Resource(), &DefaultGradientResource());
    EXPECT_EQ(a.Table().Count(), 0);
    EXPECT_EQ(ca.Count, 3);
}

TEST(DibGraphicsResources, GradientAssignAndKind) {
    TDibGradient a, b;
    TCounter cb;
    cb.Watch(b);
    a.SetColors(Colors({0x010203, 0x040506}));
    a.SetKind(gkConic);
    b.Assign(&a);
    EXPECT_EQ(b.Kind(), gkConic);
    EXPECT_EQ(b.Resource(), a.Resource());
    EXPECT_EQ(cb.Count, 1) << "one report for the new resource";
    b.Assign(&a);
    EXPECT_EQ(cb.Count, 1) << "nothing changed";
    // A new kind alone is reported too, so holders re-select their procedure.
    a.SetKind(gkRectangle);
    b.Assign(&a);
    EXPECT_EQ(b.Kind(), gkRectangle);
    EXPECT_EQ(cb.Count, 2);
    b.SetKind(gkRectangle);
    EXPECT_EQ(cb.Count, 2);

    b.Assign(nullptr);
    EXPECT_EQ(b.Resource(), DefaultGradient().Resource());
    EXPECT_EQ(b.Kind(), gkLinear);

    TDibGradientResource copy(QStringLiteral("copy"));
    a.CopyResourceTo(copy);
    EXPECT_TRUE(copy.Stops().Equals(a.Stops()));
    EXPECT_EQ(copy.Table().Count(), 1024);
}

TEST(DibGraphicsResources, ManagerCountsAndIdentity) {
    TDibResourceManager m(TDibGradientResource::Class());
    EXPECT_EQ(m.Items(0), nullptr);
    EXPECT_EQ(m.Items(-1), nullptr);
    // Two default resources have the same (empty) content but are separate entries.
    TDibResource* d1 = m.Acquire(nullptr);
    TDibResource* d2 = m.Acquire(nullptr);
    EXPECT_EQ(d1->Name(), QStringLiteral("Def_TDibGradientResource"));
    EXPECT_NE(d1, d2);
    EXPECT_EQ(m.Serial(), 2);
    EXPECT_EQ(m.Count(), 2);
    // Releasing the second must free the second, not the first of equal content.
    m.Release(d2);
    ASSERT_EQ(m.Count(), 1);
    EXPECT_EQ(m.Items(0), d1);
    EXPECT_EQ(d1->RefCount(), 1);

    // A candidate is copied, never adopted; an equal one is found again.
    TDibGradientResource candidate(QStringLiteral("c"));
    candidate.Stops().Add(0x112233u);
    candidate.Stops().Add(0x445566u);
    TDibResource* r = m.Acquire(&candidate);
    EXPECT_NE(r, &candidate);
    EXPECT_EQ(r->Name(), QStringLiteral("c"));
    EXPECT_EQ(static_cast<TDibGradientResource*>(r)->Table().Count(), 1024);
    EXPECT_EQ(m.Acquire(&candidate), r);
    EXPECT_EQ(r->RefCount(), 2);
    EXPECT_EQ(m.IndexOfSame(candidate), 1);
    EXPECT_EQ(m.Serial(), 3);
    m.Release(r);
    m.Release(r);
    EXPECT_EQ(m.Count(), 1);
    EXPECT_EQ(m.Serial(), 3) << "the serial never goes down";
    // Something the manager does not list is left alone.
    m.Release(&candidate);
    m.Release(nullptr);
    EXPECT_EQ(m.Count(), 1);
    m.Release(d1);
    EXPECT_EQ(m.Count(), 0);

    EXPECT_FALSE(TDibResource(QStringLiteral("x")).SameContent(TDibResource(QStringLiteral("x"))));
    InitializeDibGraphics();
    ASSERT_NE(FindDibResourceClass(QStringLiteral("TDibPatternResource")), nullptr);
    EXPECT_NE(FindDibResourceClass(QStringLiteral("TDibGradientResource")), nullptr);
    EXPECT_EQ(FindDibResourceClass(QStringLiteral("TDibNothing")), nullptr);
}

TEST(DibGraphicsResources, ListenerErrorKeepsCounts) {
    TDibGradient g;
    const uint32_t stops[] = {0x0A0B0C, 0x0D0E0F};
    g.SetColors(stops, 2);
    TDibResource* old = g.Resource();
    g.OnChange = [](TDibObject&) { throw Exception("listener"); };
    const uint32_t next[] = {0x0F0E0D, 0x0C0B0A};
    EXPECT_THROW(g.SetColors(next, 2), Exception);
    // The old reference was dropped on the way out; the new one is held.
    for (int32_t i = 0; i < GradientManager().Count(); ++i)
        EXPECT_NE(GradientManager().Items(i), old);
    EXPECT_EQ(g.Resource()->RefCount(), 1);
    g.OnChange = nullptr;
}

TEST(DibGraphicsResources, PatternsShareImages) {
    TDibPattern a, b;
    TCounter ca;
    ca.Watch(a);
    EXPECT_EQ(a.Image().Width(), 1);
    EXPECT_EQ(a.Resource(), &DefaultPatternResource());

    // A 16-colour bitmap arrives as the same pixels in 24 bits.
    QImage indexed(5, 3, QImage::Format_Indexed8);
    indexed.setColorCount(16);
    for (int i = 0; i < 16; ++i) indexed.setColor(i, qRgb(i * 16, 255 - i * 16, i * 5));
    for (int y = 0; y < 3; ++y)
        for (int x = 0; x < 5; ++x) indexed.setPixel(x, y, uint((x + y * 5) % 16));
    a.SetBitmap(&indexed);
    EXPECT_EQ(ca.Count, 1);
    ASSERT_EQ(a.Image().Width(), 5);
    ASSERT_EQ(a.Image().Height(), 3);
    for (int y = 0; y < 3; ++y)
        for (int x = 0; x < 5; ++x) {
            const QRgb c = indexed.pixel(x, y);
            EXPECT_EQ(DibColorToInt(a.Image().GetPixel(x, y)),
                      uint32_t(qRed(c) << 16 | qGreen(c) << 8 | qBlue(c)));
        }
    QImage same = indexed.convertToFormat(QImage::Format_RGB32);
    b.SetBitmap(&same);
    EXPECT_EQ(a.Resource(), b.Resource());
    EXPECT_EQ(a.Resource()->RefCount(), 2);

    // An unreadable bitmap changes nothing; none restores the default image.
    const QImage null;
    a.SetBitmap(&null);
    EXPECT_EQ(a.Resource(), b.Resource());
    EXPECT_EQ(ca.Count, 1);
    a.SetBitmap(nullptr);
    EXPECT_EQ(a.Resource(), &DefaultPatternResource());
    EXPECT_EQ(ca.Count, 2);
    EXPECT_EQ(b.Resource()->RefCount(), 1);
    a.Assign(&b);
    EXPECT_EQ(a.Resource(), b.Resource());
    a.Assign(nullptr);
    EXPECT_EQ(a.Resource(), DefaultPattern().Resource());
}
