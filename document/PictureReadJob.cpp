#include "document/PictureReadJob.h"

#include "document/uOpenFiles.h"

namespace kolvar {

TPictureReadJob::TPictureReadJob(const QString& Path) : FPath(Path) {
    FThread = std::thread([this] { Run(); });
}

TPictureReadJob::~TPictureReadJob() {
    Wait();
}

void TPictureReadJob::Wait() {
    if (FThread.joinable()) FThread.join();
}

void TPictureReadJob::Run() {
    try {
        FLoaded = LoadPictureFile(
            FPath, FPicture, [this](const QString& Text) { FReadError = Text; },
            [this](int Percent) { FPercent.store(Percent, std::memory_order_relaxed); });
    } catch (...) {
        // Only the loader's own messages reach the user; anything else is a failed read.
        FLoaded = false;
    }
    FFinished.store(true, std::memory_order_release);
}

} // namespace kolvar
