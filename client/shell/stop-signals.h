// SIGTERM and SIGINT as a request to stop: the signal handler only writes a
// byte to a socket pair, and the event loop calls `stop` when it arrives,
// so the program ends in its own orderly way.
//
// Threads: made and destroyed on the main thread, which runs the event
// loop; at most one StopSignals exists at a time.
#pragma once

#include <QSocketNotifier>
#include <functional>
#include <memory>

namespace rv
{

class StopSignals
{
public:
    explicit StopSignals(std::function<void()> stop);
    ~StopSignals();
    StopSignals(const StopSignals&) = delete;
    StopSignals& operator=(const StopSignals&) = delete;

private:
    std::unique_ptr<QSocketNotifier> notifier_;
};

} // namespace rv
