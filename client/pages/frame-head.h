// The navigation frame of a kept frameset: a companion page named
// "FrameHead" + number holding the navigation line, which the stored
// frameset shows in a frame above its own frames.
//
// Numbers come from one counter per client process that starts at 0 and is
// never reset, so that the names stay unique across every archive the
// process writes. Any thread.
#pragma once

#include "client/pages/summary-page.h"

#include <cstdint>
#include <string>

namespace rv
{

class TKSDB;

// The next number; the first call of the process returns 0.
std::int64_t TakeFrameHeadNumber();

// "FrameHead" + number.
std::string FrameHeadName(std::int64_t number);

// Stores the companion page (with its body tag as head part, undecorated by
// the server) under FrameHeadName(number). Returns false when the archive
// refused it.
bool StoreFrameHead(TKSDB& archive, std::int64_t number, const FrameHeaderInput& header, std::string_view caption,
                    std::int16_t linkNumber);

} // namespace rv
