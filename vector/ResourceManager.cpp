#include "vector/ResourceManager.h"

#include <typeinfo>

namespace kolvar {

bool TResource::Equals(const TResource& other) const {
    return typeid(*this) == typeid(other);
}

QString TResource::DebugText() const {
    return QString::asprintf("Res:%s Refs:%d", qPrintable(Name), RefCount);
}

TResourceManager::TResourceManager(const QString& className, TFactory factory)
    : FClassName(className), FFactory(std::move(factory)) {}

TResourceManager::~TResourceManager() = default;

int32_t TResourceManager::Find(const TResource* r) const {
    if (!r) return -1;
    std::lock_guard guard(FLock);
    for (size_t i = 0; i < FList.size(); ++i)
        if (r->Equals(*FList[i])) return int32_t(i);
    return -1;
}

TResource* TResourceManager::Acquire(const TResource* r) {
    std::lock_guard guard(FLock);
    TResource* chosen = nullptr;
    if (!r) {
        FList.push_back(FFactory(QStringLiteral("Def_") + FClassName));
        ++FCounter;
        chosen = FList.back().get();
    } else if (const int32_t i = Find(r); i >= 0) {
        chosen = FList[size_t(i)].get();
    } else {
        std::unique_ptr<TResource> copy = FFactory(r->Name);
        copy->Assign(*r);
        FList.push_back(std::move(copy));
        ++FCounter;
        chosen = FList.back().get();
    }
    ++chosen->RefCount;
    return chosen;
}

void TResourceManager::Release(TResource* r) {
    if (!r) return;
    std::lock_guard guard(FLock);
    if (--r->RefCount > 0) return;
    // By identity: only the resource itself may go, never another one that happens to be
    // equal to it.
    for (auto it = FList.begin(); it != FList.end(); ++it) {
        if (it->get() == r) {
            FList.erase(it);
            return;
        }
    }
}

void TResourceManager::SetResource(TResourceObject& def, const TResource* r) {
    if (!r) return;
    std::lock_guard guard(FLock);
    if (def.FResource && def.FResource->Equals(*r)) return;
    TResource* old = def.FResource;
    def.FResource = Acquire(r);
    // The old reference goes even when a listener fails.
    struct TReleaseOld {
        TResourceManager& Manager;
        TResource* Old;
        ~TReleaseOld() { Manager.Release(Old); }
    } releaseOld{*this, old};
    def.Changed();
}

int32_t TResourceManager::Count() const {
    std::lock_guard guard(FLock);
    return int32_t(FList.size());
}

TResource* TResourceManager::Items(int32_t i) const {
    std::lock_guard guard(FLock);
    return i >= 0 && size_t(i) < FList.size() ? FList[size_t(i)].get() : nullptr;
}

} // namespace kolvar
