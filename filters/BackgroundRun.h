#pragma once
// Long work on a big picture without freezing the windows. The work runs on a thread of its
// own while the user-interface thread keeps painting and running its timers; mouse and key
// input waits until the work is over, so nothing the work reads or writes is changed by a
// command meanwhile. Work that is over within a few milliseconds never enters the event loop.

#include <functional>

namespace kolvar {

// Percent done, 0 to 100; called on the working thread, it only stores the figure.
using TWorkReport = std::function<void(int Percent)>;

// Runs Work on a thread of its own and returns when it is over. Show runs on the calling
// thread about every 50 ms with the latest percent Work reported (-1 before the first), and
// not at all for quick work. Work's error is raised again here.
void RunKeepingWindowsLive(const std::function<void(const TWorkReport& Report)>& Work,
                           const std::function<void(int Percent)>& Show = {});

// Keeps the event loop running in the same way until Done holds (asked about every 50 ms).
void WaitKeepingWindowsLive(const std::function<bool()>& Done);

// True while one of the above waits; windows refuse to close meanwhile.
bool BackgroundWorkRunning();

} // namespace kolvar
