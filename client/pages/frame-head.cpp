#include "client/pages/frame-head.h"

#include "store/archive-writer.h"

#include <atomic>

namespace rv
{
namespace
{

std::atomic<std::int64_t> NextFrameHead{0};

// The header page is the navigation itself: the server adds none to it.
constexpr std::uint8_t FrameHeadFlags = 0x40;

} // namespace

std::int64_t TakeFrameHeadNumber()
{
    return NextFrameHead.fetch_add(1);
}

std::string FrameHeadName(std::int64_t number)
{
    return "FrameHead" + std::to_string(number);
}

bool StoreFrameHead(TKSDB& archive, std::int64_t number, const FrameHeaderInput& header, std::string_view caption,
                    std::int16_t linkNumber)
{
    if (!archive.BeginPage(FrameHeadName(number), "text/html", nullptr, FrameHeadFlags, caption, linkNumber))
        return false;
    archive.Append(FrameHeadPage(header));
    // "<html><body>": the body tag is the head part.
    archive.SetHead(6, 6);
    return archive.EndPage();
}

} // namespace rv
