#include "client/pages/smart-search.h"

#include "client/briefs/smart-search-query.h"

#include <algorithm>
#include <map>
#include <memory>
#include <unordered_map>
#include <utility>

namespace rv
{

namespace
{

char Upper(char c)
{
    return (c >= 'a' && c <= 'z') ? char(c - 'a' + 'A') : c;
}

// ---- Evaluation ------------------------------------------------------------

// The text that terms are searched in, and where searching starts.
struct SearchText
{
    std::string Text;
    std::size_t From = 0;
};

SearchText PrepareText(std::string_view page, const SmartSearchOptions& options)
{
    SearchText prepared{std::string(page), 0};
    std::string& text = prepared.Text;
    if (!options.SearchHTML)
    {
        // Blank each tag in place so that offsets still refer to the page.
        for (std::size_t open = text.find('<'); open != std::string::npos; open = text.find('<', open))
        {
            const std::size_t close = text.find('>', open);
            if (close == std::string::npos)
                break;
            std::fill(text.begin() + std::ptrdiff_t(open), text.begin() + std::ptrdiff_t(close) + 1, ' ');
            open = close + 1;
        }
    }
    if (!options.CaseSensitive)
        std::transform(text.begin(), text.end(), text.begin(), Upper);
    if (!options.CheckHeader)
    {
        // Looked up in the page itself: with tags blanked the marker is gone.
        std::string upperPage(page);
        std::transform(upperPage.begin(), upperPage.end(), upperPage.begin(), Upper);
        const std::size_t head = upperPage.find("/HEAD>");
        if (head != std::string::npos)
            prepared.From = head + 6;
    }
    return prepared;
}

class Evaluator
{
public:
    Evaluator(std::string_view page, const SmartSearchOptions& options)
        : text_(PrepareText(page, options)), caseSensitive_(options.CaseSensitive)
    {
    }

    bool Run(const TBinTreeNode& root);
    SmartSearchResult Finish(bool matched);

private:
    bool TermOccurs(const std::string& term);
    bool FindInWindows(std::string_view needle);

    SearchText text_;
    bool caseSensitive_;
    std::unordered_map<std::string, bool> known_;
    std::map<std::size_t, std::size_t> occurrences_;
    std::string matchText_;
};

// Reads the text in windows of SmartSearchWindowBytes; consecutive windows
// overlap by the needle's length plus 5 so that an occurrence across an edge
// lies whole in the next window. A needle too long for the overlap rule is
// searched in one window over the whole text.
bool Evaluator::FindInWindows(std::string_view needle)
{
    bool found = false;
    const std::string_view text = text_.Text;
    const std::size_t overlap = needle.size() + 5;
    const bool oneWindow = overlap >= SmartSearchWindowBytes;
    for (std::size_t start = text_.From; start < text.size();)
    {
        const std::size_t length = oneWindow ? text.size() - start : std::min(SmartSearchWindowBytes, text.size() - start);
        const std::string_view window = text.substr(start, length);
        for (std::size_t at = window.find(needle); at != std::string_view::npos; at = window.find(needle, at + 1))
        {
            std::size_t& end = occurrences_[start + at];
            end = std::max(end, start + at + needle.size());
            found = true;
        }
        if (start + length >= text.size())
            break;
        start += SmartSearchWindowBytes - overlap;
    }
    return found;
}

bool Evaluator::TermOccurs(const std::string& term)
{
    auto known = known_.find(term);
    if (known != known_.end())
        return known->second;
    std::string needle = term;
    if (!caseSensitive_)
        std::transform(needle.begin(), needle.end(), needle.begin(), Upper);
    const bool found = FindInWindows(needle);
    if (found)
    {
        if (!matchText_.empty())
            matchText_ += ", ";
        matchText_ += term;
    }
    known_.emplace(term, found);
    return found;
}

// Walks the tree with an explicit stack. Each node is visited once on the
// way down and once for every branch result it waits for.
bool Evaluator::Run(const TBinTreeNode& root)
{
    struct Step
    {
        const TBinTreeNode* Node;
        int Stage;
    };
    std::vector<Step> steps{{&root, 0}};
    std::vector<bool> results;
    while (!steps.empty())
    {
        const Step step = steps.back();
        steps.pop_back();
        const TBinTreeNode& node = *step.Node;
        if (node.Value == SmartSearchTerm || !node.Left)
        {
            results.push_back(node.Value == SmartSearchTerm && TermOccurs(node.Text));
        }
        else if (step.Stage == 0)
        {
            steps.push_back({&node, 1});
            steps.push_back({node.Left.get(), 0});
        }
        else if (node.Value == SmartSearchNot)
        {
            results.back() = !results.back();
        }
        else if (step.Stage == 1 && node.Right && (node.Value == SmartSearchOr || results.back()))
        {
            // "or" always looks at both sides; "and" only after a matching left.
            steps.push_back({&node, 2});
            steps.push_back({node.Right.get(), 0});
        }
        else if (step.Stage == 2)
        {
            const bool right = results.back();
            results.pop_back();
            results.back() = node.Value == SmartSearchOr ? (results.back() || right) : (results.back() && right);
        }
        else if (!node.Right)
        {
            results.back() = false;
        }
    }
    return !results.empty() && results.back();
}

SmartSearchResult Evaluator::Finish(bool matched)
{
    SmartSearchResult result;
    result.Matched = matched;
    result.MatchText = std::move(matchText_);
    result.MatchStarts.reserve(occurrences_.size());
    result.MatchEnds.reserve(occurrences_.size());
    for (const auto& [start, end] : occurrences_)
    {
        result.MatchStarts.push_back(start);
        result.MatchEnds.push_back(end);
    }
    return result;
}

} // namespace

SmartSearchResult EvaluateSmartSearch(const TBinTree& tree, std::string_view page, const SmartSearchOptions& options)
{
    if (!tree.Root())
        return {};
    Evaluator evaluator(page, options);
    const bool matched = evaluator.Run(*tree.Root());
    return evaluator.Finish(matched);
}

SmartSearchResult SmartSearch(std::string_view expression, std::string_view page, const SmartSearchOptions& options)
{
    TBinTree tree;
    if (!ParseSmartSearch(expression, tree))
        return {};
    return EvaluateSmartSearch(tree, page, options);
}

} // namespace rv
