#include "client/shell/window-layout.h"

#include <gtest/gtest.h>

namespace rv
{
namespace
{

const WindowLayout Sample = {
    {-4, -4, 1032, 776, WindowState::Maximised},
    {{"/b/News.brf", {10, 20, 300, 200, WindowState::Normal}}, {"/b/Gov.brf", {30, 40, 310, 210, WindowState::Minimised}}}};

TEST(WindowLayoutTest, TextHoldsNumbersWithCommasAndLengthPrefixedPaths)
{
    const std::string text = LayoutText(Sample);
    EXPECT_EQ(text, std::string("-4,-4,1032,776,2,\x0c/b/News.brf10,20,300,200,0,\x0b/b/Gov.brf30,40,310,210,1,\0", 73));
    EXPECT_EQ(LayoutFromText(text), Sample);
    EXPECT_EQ(LayoutText({}), std::string("0,0,200,150,0,\0", 15));
}

TEST(WindowLayoutTest, MissingNumbersTakeTheirDefaults)
{
    EXPECT_EQ(LayoutFromText(""), WindowLayout());
    EXPECT_EQ(LayoutFromText("5,6"), (WindowLayout{{5, 6, 200, 150, WindowState::Normal}, {}}));
    EXPECT_EQ(LayoutFromText("5,x,7,8,9,").Main, (WindowPlacement{5, 0, 7, 8, WindowState::Normal}));
    const WindowLayout cut = LayoutFromText(std::string("1,2,3,4,0,\x04"
                                                        "/ab7,8,",
                                                        17));
    ASSERT_EQ(cut.Briefs.size(), 1u);
    EXPECT_EQ(cut.Briefs[0].Path, "/ab");
    EXPECT_EQ(cut.Briefs[0].Placement, (WindowPlacement{7, 8, 200, 150, WindowState::Normal}));
}

TEST(WindowLayoutTest, EveryCutOfAValidTextReadsWithinItsBounds)
{
    const std::string text = LayoutText(Sample);
    for (std::size_t size = 0; size <= text.size(); ++size)
    {
        const WindowLayout read = LayoutFromText(text.substr(0, size));
        EXPECT_LE(read.Briefs.size(), 2u) << "cut at " << size;
        for (const BriefWindowPlacement& brief : read.Briefs)
        {
            EXPECT_LE(brief.Path.size(), 11u);
        }
    }
    EXPECT_TRUE(LayoutFromText(std::string("0,0,1,1,0,\xff/short", 17)).Briefs.empty());
}

TEST(WindowLayoutTest, APathTooLongForItsLengthByteIsLeftOut)
{
    WindowLayout layout = Sample;
    layout.Briefs.insert(layout.Briefs.begin(), {std::string(255, 'p'), {}});
    EXPECT_EQ(LayoutFromText(LayoutText(layout)), Sample);
}

} // namespace
} // namespace rv
