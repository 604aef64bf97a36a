// Time-out arithmetic of transfers. Elapsed time is measured on the
// monotonic clock, so a change of the wall clock or a turn of the hour
// neither fires nor hides a time-out.
#pragma once

#include <chrono>
#include <cstdint>

namespace rv
{

// A request still waiting for its answer after sending in full gets at
// least this long, whatever its own time-out, once that exceeds 9 seconds.
constexpr std::int32_t AwaitingAnswerSeconds = 60;

// Seconds a request may stay without activity: 60 while it awaits its
// answer with a time-out above 9, else its time-out; doubled with
// "LongTimeouts".
std::int32_t TimeOutLimit(std::int32_t timeOut, bool awaitingAnswer, bool longTimeouts);

// The time-out of the copy queued after a time-out: up to 59 grows by 20,
// exactly 64 becomes 120, anything else grows by 40.
std::int32_t RaisedAfterTimeOut(std::int32_t timeOut);

// The time-out of the copy queued after a status worth retrying: above 59
// grows by 40, else by 20.
std::int32_t RaisedAfterRetryStatus(std::int32_t timeOut);

// Whole seconds between since and now on the monotonic clock.
std::int64_t ElapsedSeconds(std::chrono::steady_clock::time_point since, std::chrono::steady_clock::time_point now);

} // namespace rv
