// The indexed search of change detection against the literal scan it
// replaces: on many generated page pairs both must take the same decision
// for every block, which shows as the same markers and the same extract.
#include "client/pages/page-compare.h"

#include <gtest/gtest.h>
#include <random>
#include <string>
#include <vector>

namespace rv
{
namespace
{

// A few words, so that blocks repeat and the same text occurs in many
// places of the previous copy; short ones give texts below the index's
// four bytes.
const std::vector<std::string> Words = {"a",    "of",   "the", "rain", "bridge",          "May",
                                        "news", "x1",   "<b>", "</b>", "<img src=p.gif>", "<a href=q.html>",
                                        "</a>", "<hr>", "}",   ");"};
const std::vector<std::string> Openers = {"<p>",   "<br>",   "<td>", "</td>",       "<tr>",    "<li>",
                                          "<div>", "</div>", "<h2>", "<P class=x>", "<table>", "<object>"};
const std::vector<std::string> Blanks = {" ", "  ", "\n", "\t", "\r\n", ""};

class PageMaker
{
public:
    explicit PageMaker(unsigned seed) : random_(seed) {}

    std::string Block()
    {
        std::string block = Pick(Openers);
        const int words = Below(6);
        for (int w = 0; w < words; ++w)
            block += Pick(Words) + Pick(Blanks);
        return block;
    }

    std::string PreBlock()
    {
        std::string block = "<pre>";
        const int lines = 1 + Below(4);
        for (int l = 0; l < lines; ++l)
            block += Pick(Words) + Pick(Blanks) + (Below(2) ? Pick(Words) : "") + "\n";
        return block + "</pre>";
    }

    std::vector<std::string> Blocks(int count)
    {
        std::vector<std::string> blocks;
        for (int b = 0; b < count; ++b)
            blocks.push_back(Below(8) == 0 ? PreBlock() : Block());
        return blocks;
    }

    // The blocks edited: some reworded, dropped, repeated, moved or new, and
    // white space changed, which must not count.
    std::vector<std::string> Edited(std::vector<std::string> blocks)
    {
        std::vector<std::string> out;
        std::vector<std::string> moved;
        for (std::string& block : blocks)
        {
            switch (Below(12))
            {
            case 0:
                block += Pick(Words);
                break;
            case 1:
                continue;
            case 2:
                out.push_back(block);
                break;
            case 3:
                out.push_back(Below(2) ? Block() : PreBlock());
                break;
            case 4:
                block.insert(block.find('>') + 1, Pick(Blanks) + " ");
                break;
            case 5:
                moved.push_back(block);
                continue;
            default:
                break;
            }
            out.push_back(block);
        }
        out.insert(out.end(), moved.begin(), moved.end());
        return out;
    }

    int Below(int n) { return int(random_() % unsigned(n)); }

private:
    const std::string& Pick(const std::vector<std::string>& from) { return from[std::size_t(Below(int(from.size())))]; }

    std::mt19937 random_;
};

std::string Join(const std::vector<std::string>& blocks)
{
    std::string page = "<html><head><title>t</title></head><body>\n";
    for (const std::string& block : blocks)
        page += block;
    return page + "</body></html>\n";
}

void ExpectSameDecisions(const std::string& page, const std::string& previous, bool extract, unsigned seed)
{
    CompareOptions indexed;
    indexed.Extract = extract;
    CompareOptions literal = indexed;
    literal.LiteralSearch = true;
    const CompareResult fast = ComparePages(page, previous, indexed);
    const CompareResult reference = ComparePages(page, previous, literal);
    ASSERT_EQ(fast.DifferencesFound, reference.DifferencesFound) << "seed " << seed;
    ASSERT_EQ(fast.MarkerPositions, reference.MarkerPositions) << "seed " << seed;
    ASSERT_EQ(fast.Extracted, reference.Extracted) << "seed " << seed;
}

TEST(PageCompareSearchTest, IndexedSearchDecidesEveryBlockAsTheLiteralScanDoes)
{
    std::size_t changedPairs = 0;
    for (unsigned seed = 1; seed <= 1500; ++seed)
    {
        PageMaker maker(seed);
        const std::vector<std::string> blocks = maker.Blocks(1 + maker.Below(120));
        const std::string previous = Join(blocks);
        const std::string page = Join(maker.Edited(blocks));
        const bool extract = seed % 2 == 0;
        ExpectSameDecisions(page, previous, extract, seed);
        changedPairs += ComparePages(page, previous, {}).DifferencesFound;
    }
    // The pairs must exercise both answers, not only "all changed".
    EXPECT_GT(changedPairs, 1000u);
    EXPECT_LT(changedPairs, 1500u);
}

TEST(PageCompareSearchTest, IndexedSearchAgreesOnDegeneratePreviousCopies)
{
    PageMaker maker(7);
    const std::string page = Join(maker.Blocks(40));
    for (const std::string& previous : {std::string(), std::string("<p>"), std::string("  \n "), std::string("<p>a<p>b"),
                                        std::string(5000, 'a'), page.substr(0, page.size() / 2)})
        for (const bool extract : {false, true})
            ExpectSameDecisions(page, previous, extract, 7);
}

} // namespace
} // namespace rv
