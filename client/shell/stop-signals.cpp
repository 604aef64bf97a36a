#include "client/shell/stop-signals.h"

#include <csignal>
#include <sys/socket.h>
#include <unistd.h>
#include <utility>

namespace rv
{
namespace
{

// The write end of the pipe that turns a signal into an event-loop event.
int signalPipe[2] = {-1, -1};

void OnStopSignal(int)
{
    const char byte = 1;
    [[maybe_unused]] ssize_t written = write(signalPipe[1], &byte, 1);
}

} // namespace

StopSignals::StopSignals(std::function<void()> stop)
{
    if (socketpair(AF_UNIX, SOCK_STREAM, 0, signalPipe) != 0)
        return;
    notifier_ = std::make_unique<QSocketNotifier>(signalPipe[0], QSocketNotifier::Read);
    QObject::connect(notifier_.get(), &QSocketNotifier::activated,
                     [stop = std::move(stop)]
                     {
                         char byte = 0;
                         [[maybe_unused]] ssize_t got = read(signalPipe[0], &byte, 1);
                         stop();
                     });
    std::signal(SIGTERM, OnStopSignal);
    std::signal(SIGINT, OnStopSignal);
}

StopSignals::~StopSignals()
{
    std::signal(SIGTERM, SIG_DFL);
    std::signal(SIGINT, SIG_DFL);
    notifier_.reset();
    for (int& end : signalPipe)
        if (end >= 0)
            close(std::exchange(end, -1));
}

} // namespace rv
