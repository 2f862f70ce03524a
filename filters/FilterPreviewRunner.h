#pragma once
// Runs a filter's preview on a thread of its own, so that a slow filter never holds up the
// user interface. A run can be abandoned at any row: the filter asks its clock for the time at
// every progress report, and the runner's clock raises instead once the run is stale. The
// pixels are those of RunFilterPreview, since the run is exactly that call.

#include "filters/GraphicFilter.h"

#include <atomic>
#include <cstdint>
#include <exception>
#include <functional>
#include <thread>

namespace kolvar {

class TFilterPreviewRunner {
public:
    // Called on the worker thread when a run has ended, with the run's number and whether it
    // completed (false: abandoned or failed).
    using TFinished = std::function<void(uint64_t Run, bool Completed)>;

    TFilterPreviewRunner() = default;
    ~TFilterPreviewRunner();
    TFilterPreviewRunner(const TFilterPreviewRunner&) = delete;
    TFilterPreviewRunner& operator=(const TFilterPreviewRunner&) = delete;

    // Abandons any earlier run, then runs every pass of Filter into the runner's buffer. Until
    // the run is waited for, Filter and Setup must live on untouched by the caller. Progress
    // and Finished are called on the worker thread.
    uint64_t Start(TGraphicFilter& Filter, const TFilterSetup& Setup, TFilterProgressEvent Progress,
                   TFinished Finished);
    // The same with another way of running Filter into the buffer (true: completed).
    using TRun = std::function<bool(TDibContainer& Result)>;
    uint64_t Start(TGraphicFilter& Filter, TRun Run, TFilterProgressEvent Progress,
                   TFinished Finished);
    // Asks the run to stop at its next progress report; does not wait.
    void RequestStop() { FStop = true; }
    // Stops the run at its next progress report and waits for its thread.
    void Abandon();
    // True when no run is left: none was started, or the last one has ended (its thread is
    // then joined, which takes no time).
    bool Idle();
    // Waits for the run to end; true when it completed.
    bool Wait();

    bool Busy() const { return FThread.joinable(); }
    // The number of the last run started (0 before the first).
    uint64_t LastRun() const { return FRun; }
    // The result of the last completed run; swap it out to keep it.
    TDibContainer& Result() { return FResult; }
    // What a failed run raised, or null.
    std::exception_ptr Failure() const { return FFailure; }

private:
    void Work(TGraphicFilter& Filter, const TRun& Run, TFilterProgressEvent Progress,
              TFinished Finished, uint64_t Number);

    std::thread FThread;
    std::atomic<bool> FStop{false};
    std::atomic<bool> FEnded{true};
    bool FCompleted = false;
    uint64_t FRun = 0;
    TDibContainer FResult;
    std::exception_ptr FFailure;
};

} // namespace kolvar
