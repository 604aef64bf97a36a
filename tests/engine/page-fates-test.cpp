#include "client/engine/internal/page-fates.h"
#include "store/archive-format.h"

#include <gtest/gtest.h>

namespace rv
{
namespace
{

TEST(PageFatesTest, EachRecordGetsTheFateItsOffsetAndTheRunSay)
{
    const struct
    {
        std::string Key;
        std::int32_t Offset;
        std::uint8_t Flags;
        bool Inaccessible;
        bool OverLimit;
        std::optional<PageFate> Fate;
    } cases[] = {
        {"example.com/a.html", 120, 0x34, false, false, PageFate::Stored},
        {"example.com/a.html", 120, 0x34, true, false, PageFate::Inaccessible},
        {"example.com/deep.html", OffsetTooDeep, 0x05, false, false, PageFate::TooDeep},
        {"example.com/up/b.html", OffsetOutOfTree, 0x05, false, false, PageFate::OtherSite},
        {"example.com/x.zip", OffsetExcluded, 0x05, false, false, PageFate::Excluded},
        {"example.com/c.html", OffsetSkipped, 0x00, false, false, PageFate::Skipped},
        {"example.com/c.html", OffsetSkipped, 0x00, false, true, PageFate::OverLimit},
        {"example.com/d.html", OffsetSkipped, 0x04, false, false, PageFate::OverLimit},
        {"index", 14, 0, false, false, std::nullopt},
        {"TOC0", 300, 0, false, false, std::nullopt},
        {"Match12", 300, 0, false, false, std::nullopt},
        {"FrameHead3", 300, 0x40, false, false, std::nullopt},
        {"example.com/KSDiffOrig", 300, 0, false, false, std::nullopt},
        {"example.com/KSDiffOrigProcessed", 300, 0, false, false, std::nullopt},
        {"TOC.html", 300, 0x34, false, false, PageFate::Stored},
        {"Matches", 300, 0x34, false, false, PageFate::Stored},
    };
    for (const auto& c : cases)
    {
        IndexRecord record;
        record.Key = c.Key;
        record.Offset = c.Offset;
        record.Flags = c.Flags;
        EXPECT_EQ(FateOf(record, c.Inaccessible, c.OverLimit), c.Fate) << c.Key << " " << c.Offset;
    }
}

} // namespace
} // namespace rv
