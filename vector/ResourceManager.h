#pragma once
// Shared values that many owners hold at once: each resource is kept once per distinct content
// by its manager and counted by reference, so equal definitions cost one copy.

#include <QString>

#include <cstdint>
#include <functional>
#include <memory>
#include <mutex>
#include <vector>

namespace kolvar {

class TResource {
public:
    explicit TResource(const QString& name = QString()) : Name(name) {}
    virtual ~TResource() = default;
    TResource(const TResource&) = delete;
    TResource& operator=(const TResource&) = delete;

    int32_t RefCount = 0;
    QString Name;

    // Names the manager's default resource ("Def_" + this).
    virtual QString ClassName() const { return QStringLiteral("TResource"); }
    // Same class and same content; the base class has no content.
    virtual bool Equals(const TResource& other) const;
    // Takes other's content when it is of the same class.
    virtual void Assign(const TResource& source) {}
    // "Res:<name> Refs:<count>"
    QString DebugText() const;
};

class TResourceManager;

// Something that holds one counted reference to a resource of a manager.
class TResourceObject {
public:
    virtual ~TResourceObject() = default;

    TResource* Resource() const { return FResource; }
    void Lock() const { FLock.lock(); }
    void Unlock() const { FLock.unlock(); }

protected:
    friend class TResourceManager;
    TResourceObject() = default;
    // Called after the resource was replaced by a different one.
    virtual void Changed() {}

    TResource* FResource = nullptr;
    mutable std::recursive_mutex FLock;
};

class TResourceManager {
public:
    // Creates an empty resource of the managed class with the given name.
    using TFactory = std::function<std::unique_ptr<TResource>(const QString& name)>;

    TResourceManager(const QString& className, TFactory factory);
    ~TResourceManager();
    TResourceManager(const TResourceManager&) = delete;
    TResourceManager& operator=(const TResourceManager&) = delete;

    // Index of the first listed resource equal to r, or -1.
    int32_t Find(const TResource* r) const;
    // The listed resource equal to r, or a new listed copy of it; with r null a new default
    // resource. Its reference count goes up by one.
    TResource* Acquire(const TResource* r);
    // Drops one reference; the last one frees the resource.
    void Release(TResource* r);
    // Gives def a resource with r's content when its current one differs.
    void SetResource(TResourceObject& def, const TResource* r);

    int32_t Count() const;
    TResource* Items(int32_t i) const;
    // Resources added so far; never decreases.
    int32_t Counter() const { return FCounter; }
    const QString& ClassName() const { return FClassName; }

private:
    QString FClassName;
    TFactory FFactory;
    std::vector<std::unique_ptr<TResource>> FList;
    int32_t FCounter = 0;
    mutable std::recursive_mutex FLock;
};

} // namespace kolvar
