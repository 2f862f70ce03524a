#pragma once
// A picture read on a thread of its own, so that the window stays live while a big file
// decodes. The user-interface thread polls Percent() and Finished() and then takes the
// picture; nothing else crosses threads.

#include "raster/DibContainer.h"

#include <QString>

#include <atomic>
#include <thread>

namespace kolvar {

class TPictureReadJob {
public:
    // Starts reading Path with the document windows' loader.
    explicit TPictureReadJob(const QString& Path);
    // Waits for the read when it is still running.
    ~TPictureReadJob();
    TPictureReadJob(const TPictureReadJob&) = delete;
    TPictureReadJob& operator=(const TPictureReadJob&) = delete;

    const QString& Path() const { return FPath; }
    int Percent() const { return FPercent.load(std::memory_order_relaxed); }
    bool Finished() const { return FFinished.load(std::memory_order_acquire); }
    // Blocks until the read is over.
    void Wait();

    // Once finished: whether a picture came out, the loader's message for a file a reader
    // recognised but could not read (empty otherwise), and the picture itself.
    bool Loaded() const { return FLoaded; }
    const QString& ReadError() const { return FReadError; }
    TDibContainer TakePicture() { return std::move(FPicture); }

private:
    void Run();

    QString FPath;
    TDibContainer FPicture;
    QString FReadError;
    bool FLoaded = false;
    std::atomic<int> FPercent{0};
    std::atomic<bool> FFinished{false};
    std::thread FThread;
};

} // namespace kolvar
