#include "client/engine/internal/time-outs.h"

namespace rv
{

std::int32_t TimeOutLimit(std::int32_t timeOut, bool awaitingAnswer, bool longTimeouts)
{
    std::int32_t limit = awaitingAnswer && timeOut > 9 ? AwaitingAnswerSeconds : timeOut;
    return longTimeouts ? limit * 2 : limit;
}

std::int32_t RaisedAfterTimeOut(std::int32_t timeOut)
{
    if (timeOut <= 59)
        return timeOut + 20;
    if (timeOut == 64)
        return 120;
    return timeOut + 40;
}

std::int32_t RaisedAfterRetryStatus(std::int32_t timeOut)
{
    return timeOut > 59 ? timeOut + 40 : timeOut + 20;
}

std::int64_t ElapsedSeconds(std::chrono::steady_clock::time_point since, std::chrono::steady_clock::time_point now)
{
    return std::chrono::duration_cast<std::chrono::seconds>(now - since).count();
}

} // namespace rv
