#include "filters/FilterPreviewRunner.h"

#include <utility>

namespace kolvar {

namespace {

// Unwinds an abandoned run out of the filter's span procedure.
struct TRunAbandoned {};

// Puts the filter's own clock and progress sink back however the run ends.
class TFilterHooks {
public:
    TFilterHooks(TGraphicFilter& f, TTickSource tick, TFilterProgressEvent progress)
        : FFilter(f), FTick(std::exchange(f.TickSource, std::move(tick))),
          FProgress(std::exchange(f.OnProgress, std::move(progress))) {}
    ~TFilterHooks() {
        FFilter.TickSource = std::move(FTick);
        FFilter.OnProgress = std::move(FProgress);
    }
    const TTickSource& Tick() const { return FTick; }

private:
    TGraphicFilter& FFilter;
    TTickSource FTick;
    TFilterProgressEvent FProgress;
};

} // namespace

TFilterPreviewRunner::~TFilterPreviewRunner() {
    Abandon();
}

uint64_t TFilterPreviewRunner::Start(TGraphicFilter& Filter, const TFilterSetup& Setup,
                                     TFilterProgressEvent Progress, TFinished Finished) {
    return Start(
        Filter,
        [&Filter, &Setup](TDibContainer& Result) {
            return RunFilterPreview(Filter, Setup, Result);
        },
        std::move(Progress), std::move(Finished));
}

uint64_t TFilterPreviewRunner::Start(TGraphicFilter& Filter, TRun Run,
                                     TFilterProgressEvent Progress, TFinished Finished) {
    Abandon();
    FStop = false;
    FCompleted = false;
    FFailure = nullptr;
    FEnded = false;
    const uint64_t run = ++FRun;
    FThread = std::thread(&TFilterPreviewRunner::Work, this, std::ref(Filter), std::move(Run),
                          std::move(Progress), std::move(Finished), run);
    return run;
}

void TFilterPreviewRunner::Abandon() {
    FStop = true;
    Wait();
}

bool TFilterPreviewRunner::Idle() {
    if (!FEnded) return false;
    Wait();
    return true;
}

bool TFilterPreviewRunner::Wait() {
    if (FThread.joinable()) FThread.join();
    return FCompleted;
}

void TFilterPreviewRunner::Work(TGraphicFilter& Filter, const TRun& Run,
                                TFilterProgressEvent Progress, TFinished Finished,
                                uint64_t Number) {
    bool completed = false;
    {
        TTickSource clock = Filter.TickSource ? Filter.TickSource : TTickSource(SystemTickCount);
        TFilterHooks hooks(
            Filter,
            [this, clock] {
                if (FStop.load(std::memory_order_relaxed)) throw TRunAbandoned{};
                return clock();
            },
            std::move(Progress));
        try {
            completed = Run(FResult) && !FStop;
        } catch (const TRunAbandoned&) {
        } catch (...) {
            FFailure = std::current_exception();
        }
    }
    FCompleted = completed;
    // The notice may make the owner join this thread, so the run counts as ended first.
    FEnded = true;
    if (Finished) Finished(Number, completed);
}

} // namespace kolvar
