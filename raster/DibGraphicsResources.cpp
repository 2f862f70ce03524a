#include "raster/DibGraphicsResources.h"

#include "raster/DibGraphicsObject.h"
#include "raster/DibMath.h"

#include <QDateTime>
#include <QHash>

#include <algorithm>

namespace kolvar {

namespace {

struct TClassRegistry {
    std::mutex Lock;
    QHash<QString, TDibResourceClass> Classes;
};

TClassRegistry& ClassRegistry() {
    static TClassRegistry registry;
    return registry;
}

// Releases a reference when a scope ends, also when an error passes.
class TReleaseOnExit {
public:
    TReleaseOnExit(TDibResourceManager& manager, TDibResource* resource)
        : FManager(manager), FResource(resource) {}
    ~TReleaseOnExit() { FManager.Release(FResource); }
    TReleaseOnExit(const TReleaseOnExit&) = delete;
    TReleaseOnExit& operator=(const TReleaseOnExit&) = delete;

private:
    TDibResourceManager& FManager;
    TDibResource* FResource;
};

} // namespace

void RegisterDibResourceClass(const TDibResourceClass& cls) {
    TClassRegistry& r = ClassRegistry();
    std::lock_guard guard(r.Lock);
    r.Classes.insert(cls.Name, cls);
}

const TDibResourceClass* FindDibResourceClass(const QString& name) {
    TClassRegistry& r = ClassRegistry();
    std::lock_guard guard(r.Lock);
    const auto it = r.Classes.constFind(name);
    // QHash keeps its nodes in place until they are removed, and nothing removes them.
    return it == r.Classes.constEnd() ? nullptr : &it.value();
}

QString TDibResource::Describe() const {
    return QStringLiteral("Res:%1 Refs:%2").arg(FName).arg(FRefCount);
}

// ---- Gradient and pattern resources ------------------------------------------------------

const TDibResourceClass& TDibGradientResource::Class() {
    static const TDibResourceClass cls{
        QStringLiteral("TDibGradientResource"),
        [](const QString& name) { return std::make_unique<TDibGradientResource>(name); }};
    return cls;
}

bool TDibGradientResource::SameContent(const TDibResource& other) const {
    const auto* g = dynamic_cast<const TDibGradientResource*>(&other);
    return g && FStops.Equals(g->FStops);
}

void TDibGradientResource::Assign(const TDibResource& other) {
    const auto* g = dynamic_cast<const TDibGradientResource*>(&other);
    if (!g) return TDibResource::Assign(other);
    if (g == this) return;
    FStops.Assign(g->FStops);
    BuildTable(FStops, FTable);
}

const TDibResourceClass& TDibPatternResource::Class() {
    static const TDibResourceClass cls{
        QStringLiteral("TDibPatternResource"),
        [](const QString& name) { return std::make_unique<TDibPatternResource>(name); }};
    return cls;
}

bool TDibPatternResource::SameContent(const TDibResource& other) const {
    const auto* p = dynamic_cast<const TDibPatternResource*>(&other);
    return p && FImage.SameImage(p->FImage);
}

void TDibPatternResource::Assign(const TDibResource& other) {
    const auto* p = dynamic_cast<const TDibPatternResource*>(&other);
    if (!p) return TDibResource::Assign(other);
    if (p == this) return;
    FImage.Assign(p->FImage);
}

// ---- Manager ------------------------------------------------------------------------------

TDibResourceManager::TDibResourceManager(const TDibResourceClass& cls) : FClass(cls) {}

TDibResourceManager::~TDibResourceManager() = default;

int32_t TDibResourceManager::Count() const {
    std::lock_guard guard(FLock);
    return int32_t(FResources.size());
}

TDibResource* TDibResourceManager::Items(int32_t i) const {
    std::lock_guard guard(FLock);
    if (i < 0 || size_t(i) >= FResources.size()) return nullptr;
    return FResources[size_t(i)].get();
}

TDibResource* TDibResourceManager::AddResource(std::unique_ptr<TDibResource> resource) {
    if (!resource) return nullptr;
    std::lock_guard guard(FLock);
    FResources.push_back(std::move(resource));
    ++FSerial;
    return FResources.back().get();
}

int32_t TDibResourceManager::IndexOfSame(const TDibResource& candidate) const {
    std::lock_guard guard(FLock);
    for (size_t i = 0; i < FResources.size(); ++i)
        if (candidate.SameContent(*FResources[i])) return int32_t(i);
    return -1;
}

int32_t TDibResourceManager::IndexOf(const TDibResource* resource) const {
    for (size_t i = 0; i < FResources.size(); ++i)
        if (FResources[i].get() == resource) return int32_t(i);
    return -1;
}

TDibResource* TDibResourceManager::Acquire(const TDibResource* candidate) {
    // The content search runs under the lock too: another thread could change the list
    // between the search and the use of its result.
    std::lock_guard guard(FLock);
    TDibResource* chosen = nullptr;
    if (!candidate) {
        chosen = AddResource(FClass.Create(QStringLiteral("Def_") + FClass.Name));
    } else if (const int32_t a = IndexOfSame(*candidate); a >= 0) {
        chosen = FResources[size_t(a)].get();
    } else {
        std::unique_ptr<TDibResource> copy = FClass.Create(candidate->Name());
        copy->Assign(*candidate);
        chosen = AddResource(std::move(copy));
    }
    ++chosen->FRefCount;
    return chosen;
}

void TDibResourceManager::Release(TDibResource* resource) {
    if (!resource) return;
    std::lock_guard guard(FLock);
    // The resource is found by identity, not by content: two listed resources may share a
    // content (every default resource starts empty), and freeing the other one would leave
    // its holders with a dangling reference.
    const int32_t i = IndexOf(resource);
    if (i < 0) return;
    if (--resource->FRefCount <= 0) FResources.erase(FResources.begin() + i);
}

void TDibResourceManager::Rebind(TDibObject& object, const TDibResource* candidate) {
    std::lock_guard guard(FLock);
    TDibResource* current = object.FResource;
    if (current && candidate && current->SameContent(*candidate)) return;
    object.FResource = Acquire(candidate);
    // The old reference is dropped after the notification, also when a listener raises.
    TReleaseOnExit release(*this, current);
    object.Changed();
}

QString DibCandidateName(const char* prefix, const TDibResourceManager& manager) {
    return QStringLiteral("%1_%2_%3")
        .arg(QLatin1String(prefix))
        .arg(manager.Serial())
        .arg(QDateTime::currentDateTime().toString(QStringLiteral("yyyy-MM-dd hh:mm:ss.zzz")));
}

// ---- Colour tables ------------------------------------------------------------------------

void AppendRamp(TDibColorArray& table, int32_t n, TDibColorArg endColor, TDibColorArg startColor) {
    if (n < 1) return;
    const TDibColor s = startColor.Color();
    const TDibColor e = endColor.Color();
    double b = s.Blue, g = s.Green, r = s.Red;
    const double db = (double(e.Blue) - s.Blue) / n;
    const double dg = (double(e.Green) - s.Green) / n;
    const double dr = (double(e.Red) - s.Red) / n;
    TUpdateScope<TArray> scope(table);
    table.SetCapacity(std::max(table.Capacity(), table.Count() + n));
    for (int32_t i = 0; i < n; ++i) {
        table.Add(TDibColor{uint8_t(ClampRound(b, 0, 255)), uint8_t(ClampRound(g, 0, 255)),
                            uint8_t(ClampRound(r, 0, 255))});
        b += db;
        g += dg;
        r += dr;
    }
}

void BuildTable(const TDibColorArray& stops, TDibColorArray& table) {
    TUpdateScope<TArray> scope(table);
    table.Clear();
    const int32_t s = stops.Count();
    if (s == 1) {
        // One colour: a flat table of the usual length.
        AppendRamp(table, 1024, stops.Get(0), stops.Get(0));
        return;
    }
    if (s < 2) return;
    // At least one entry per pair, so that thousands of stops still give a table.
    const int32_t per = std::max(Round(1024.0 / (s - 1)), 1);
    for (int32_t i = 0; i + 1 < s; ++i) AppendRamp(table, per, stops.Get(i + 1), stops.Get(i));
}

// ---- Program-wide managers ------------------------------------------------------------------

namespace {

struct TResourceState {
    TDibResourceManager Gradients{TDibGradientResource::Class()};
    TDibResourceManager Patterns{TDibPatternResource::Class()};
    TDibResource* DefaultGradient = nullptr;
    TDibResource* DefaultPattern = nullptr;

    TResourceState() {
        RegisterDibResourceClass(TDibGradientResource::Class());
        RegisterDibResourceClass(TDibPatternResource::Class());
        DefaultGradient = Gradients.Acquire(nullptr);
        DefaultPattern = Patterns.Acquire(nullptr);
    }
    ~TResourceState() {
        Patterns.Release(DefaultPattern);
        Gradients.Release(DefaultGradient);
    }
};

TResourceState& ResourceState() {
    static TResourceState state;
    return state;
}

} // namespace

TDibResourceManager& GradientManager() {
    return ResourceState().Gradients;
}

TDibResourceManager& PatternManager() {
    return ResourceState().Patterns;
}

TDibGradientResource& DefaultGradientResource() {
    return static_cast<TDibGradientResource&>(*ResourceState().DefaultGradient);
}

TDibPatternResource& DefaultPatternResource() {
    return static_cast<TDibPatternResource&>(*ResourceState().DefaultPattern);
}

} // namespace kolvar
