#pragma once
// Shared, reference-counted, content-deduplicated fill data: gradient stops with their colour
// table, and pattern images. A manager per kind keeps the listed resources; objects hold
// counted references and change them only through the manager, which hands back an existing
// resource of equal content or adopts a copy of the candidate.

#include "raster/DibContainer.h"
#include "raster/DynamicArray.h"

#include <QString>

#include <functional>
#include <memory>
#include <mutex>
#include <vector>

namespace kolvar {

class TDibObject;
class TDibResource;

// What a manager needs to make resources of one class: its name and a constructor by name.
struct TDibResourceClass {
    QString Name;
    std::function<std::unique_ptr<TDibResource>(const QString& name)> Create;
};

// Makes a class findable by its name; a second registration of a name replaces the first.
void RegisterDibResourceClass(const TDibResourceClass& cls);
// Null when no class of that name is registered.
const TDibResourceClass* FindDibResourceClass(const QString& name);

class TDibResource {
public:
    explicit TDibResource(const QString& name) : FName(name) {}
    TDibResource(const TDibResource&) = delete;
    TDibResource& operator=(const TDibResource&) = delete;
    virtual ~TDibResource() = default;

    const QString& Name() const { return FName; }
    int32_t RefCount() const { return FRefCount; }

    // Equal content; never true in the base class.
    virtual bool SameContent(const TDibResource& other) const { return false; }
    // Copies the content of a resource of the same class; anything else copies nothing.
    virtual void Assign(const TDibResource& other) {}
    // "Res:<name> Refs:<count>".
    QString Describe() const;

private:
    friend class TDibResourceManager;
    QString FName;
    int32_t FRefCount = 0;
};

class TDibGradientResource : public TDibResource {
public:
    explicit TDibGradientResource(const QString& name) : TDibResource(name), FStops(2) {}
    static const TDibResourceClass& Class();

    TDibColorArray& Stops() { return FStops; }
    const TDibColorArray& Stops() const { return FStops; }
    // The colour table built from the stops; the brush's gradients read it.
    TDibColorArray& Table() { return FTable; }
    const TDibColorArray& Table() const { return FTable; }

    bool SameContent(const TDibResource& other) const override;
    // Copies the stops and rebuilds the table.
    void Assign(const TDibResource& other) override;

private:
    TDibColorArray FStops;
    TDibColorArray FTable;
};

class TDibPatternResource : public TDibResource {
public:
    explicit TDibPatternResource(const QString& name) : TDibResource(name), FImage(1, 1) {}
    static const TDibResourceClass& Class();

    TDibContainer& Image() { return FImage; }
    const TDibContainer& Image() const { return FImage; }

    bool SameContent(const TDibResource& other) const override;
    void Assign(const TDibResource& other) override;

private:
    TDibContainer FImage;
};

// Keeps the listed resources of one class. The lock is re-entrant, since Rebind calls Acquire
// and Release while holding it.
class TDibResourceManager {
public:
    explicit TDibResourceManager(const TDibResourceClass& cls);
    TDibResourceManager(const TDibResourceManager&) = delete;
    TDibResourceManager& operator=(const TDibResourceManager&) = delete;
    ~TDibResourceManager();

    // Counts every resource ever listed; never decreases.
    int32_t Serial() const { return FSerial; }
    int32_t Count() const;
    // The resource at i, or null when i is outside the list.
    TDibResource* Items(int32_t i) const;
    const TDibResourceClass& ResourceClass() const { return FClass; }

    // Lists the resource (the manager owns it from now on).
    TDibResource* AddResource(std::unique_ptr<TDibResource> resource);
    // The first listed resource of the same content as candidate, else -1.
    int32_t IndexOfSame(const TDibResource& candidate) const;
    // A counted reference to a listed resource of the candidate's content (listing a copy
    // when there is none yet). Without a candidate a new default resource is listed.
    TDibResource* Acquire(const TDibResource* candidate);
    // Drops one reference; the last one removes the resource from the list and frees it.
    // A resource this manager does not list is never freed.
    void Release(TDibResource* resource);
    // Points the object at a resource of the candidate's content and notifies it, unless its
    // current resource already has that content.
    void Rebind(TDibObject& object, const TDibResource* candidate);

private:
    int32_t IndexOf(const TDibResource* resource) const;

    int32_t FSerial = 0;
    std::vector<std::unique_ptr<TDibResource>> FResources;
    mutable std::recursive_mutex FLock;
    TDibResourceClass FClass;
};

// Appends n colours running from start towards end (end itself not included), each channel
// stepping by (end - start) / n and rounded. Nothing for n < 1.
void AppendRamp(TDibColorArray& table, int32_t n, TDibColorArg endColor, TDibColorArg startColor);
// Rebuilds table from the stops: Round(1024 / (s - 1)) entries (at least 1) per pair of
// neighbours. A single stop gives 1024 entries of its colour; no stops give an empty table.
void BuildTable(const TDibColorArray& stops, TDibColorArray& table);

// The name of a temporary candidate: prefix, the manager's serial and the current date and
// time. Candidates are never listed, so the name only helps when one is inspected.
QString DibCandidateName(const char* prefix, const TDibResourceManager& manager);

// The program's two managers and their default resources, made on first use and freed at
// exit (after every default object).
TDibResourceManager& GradientManager();
TDibResourceManager& PatternManager();
TDibGradientResource& DefaultGradientResource();
TDibPatternResource& DefaultPatternResource();

} // namespace kolvar
