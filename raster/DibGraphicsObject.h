#pragma once
// The base of brushes, pens, gradients and patterns: a change notification and an optional
// lock. Gradients and patterns also hold a counted reference to a shared resource, which only
// their resource manager replaces.

#include <functional>
#include <mutex>

namespace kolvar {

class TDibResource;
class TDibResourceManager;

class TDibObject {
public:
    TDibObject() = default;
    TDibObject(const TDibObject&) = delete;
    TDibObject& operator=(const TDibObject&) = delete;
    virtual ~TDibObject() = default;

    // Called by Changed when assigned.
    std::function<void(TDibObject&)> OnChange;

    virtual void Changed() {
        if (OnChange) OnChange(*this);
    }

    // The lock is optional; without one these do nothing.
    void Lock() {
        if (FLock) FLock->lock();
    }
    void Unlock() {
        if (FLock) FLock->unlock();
    }
    void SetLock(std::recursive_mutex* lock) { FLock = lock; }

    // The shared resource, or null for objects that hold none (brushes and pens).
    TDibResource* Resource() const { return FResource; }

protected:
    TDibResource* FResource = nullptr;

private:
    friend class TDibResourceManager;
    std::recursive_mutex* FLock = nullptr;
};

// Holds an object's lock for a scope.
class TDibObjectLock {
public:
    explicit TDibObjectLock(TDibObject& object) : FObject(object) { FObject.Lock(); }
    ~TDibObjectLock() { FObject.Unlock(); }
    TDibObjectLock(const TDibObjectLock&) = delete;
    TDibObjectLock& operator=(const TDibObjectLock&) = delete;

private:
    TDibObject& FObject;
};

// Holds the locks of two objects for a scope, the first one first.
class TDibObjectLocks {
public:
    TDibObjectLocks(TDibObject& first, TDibObject& second) : FFirst(first), FSecond(second) {
        FFirst.Lock();
        FSecond.Lock();
    }
    ~TDibObjectLocks() {
        FSecond.Unlock();
        FFirst.Unlock();
    }
    TDibObjectLocks(const TDibObjectLocks&) = delete;
    TDibObjectLocks& operator=(const TDibObjectLocks&) = delete;

private:
    TDibObject& FFirst;
    TDibObject& FSecond;
};

} // namespace kolvar
