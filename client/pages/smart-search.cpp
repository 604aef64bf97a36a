#include "client/pages/smart-search.h"

#include "client/briefs/smart-search-hook.h"

#include <algorithm>
#include <map>
#include <memory>
#include <unordered_map>
#include <utility>

namespace rv
{

namespace
{

// ---- Parsing ---------------------------------------------------------------

enum class TokenKind
{
    Term,
    And,
    Or,
    Not,
    Open,
    Close,
    End,
    Bad,
};

struct Token
{
    TokenKind Kind = TokenKind::End;
    std::string Text;
};

bool IsBlank(char c)
{
    return c == ' ' || c == '\t' || c == '\r' || c == '\n';
}

char Upper(char c)
{
    return (c >= 'a' && c <= 'z') ? char(c - 'a' + 'A') : c;
}

bool EqualsNoCase(std::string_view a, std::string_view b)
{
    return a.size() == b.size() &&
           std::equal(a.begin(), a.end(), b.begin(), [](char x, char y) { return Upper(x) == Upper(y); });
}

// Reads one token at `pos` and moves past it.
class Tokenizer
{
public:
    explicit Tokenizer(std::string_view text) : text_(text) {}

    Token Next()
    {
        while (pos_ < text_.size() && IsBlank(text_[pos_]))
            ++pos_;
        if (pos_ == text_.size())
            return {TokenKind::End, {}};
        const char c = text_[pos_];
        if (c == '(' || c == ')')
        {
            ++pos_;
            return {c == '(' ? TokenKind::Open : TokenKind::Close, {}};
        }
        if (c == '"')
            return Phrase();
        for (auto [word, kind] : {std::pair{"and", TokenKind::And}, {"or", TokenKind::Or}, {"not", TokenKind::Not}})
        {
            const std::string_view name(word);
            if (OperatorAt(name))
            {
                pos_ += name.size();
                return {kind, {}};
            }
        }
        return Word();
    }

private:
    // An operator word counts only when white space follows it.
    bool OperatorAt(std::string_view name) const
    {
        const std::size_t end = pos_ + name.size();
        return end < text_.size() && IsBlank(text_[end]) && EqualsNoCase(text_.substr(pos_, name.size()), name);
    }

    Token Phrase()
    {
        std::string phrase;
        for (++pos_; pos_ < text_.size(); ++pos_)
        {
            const char c = text_[pos_];
            if (c == '\\' && pos_ + 1 < text_.size() && text_[pos_ + 1] == '"')
            {
                phrase += '"';
                ++pos_;
            }
            else if (c == '"')
            {
                ++pos_;
                // An empty phrase would match everywhere; treat it as a mistake.
                return phrase.empty() ? Token{TokenKind::Bad, {}} : Token{TokenKind::Term, std::move(phrase)};
            }
            else
            {
                phrase += c;
            }
        }
        return {TokenKind::Bad, {}};
    }

    Token Word()
    {
        const std::size_t start = pos_;
        while (pos_ < text_.size() && !IsBlank(text_[pos_]) && text_[pos_] != '(' && text_[pos_] != ')')
            ++pos_;
        return {TokenKind::Term, std::string(text_.substr(start, pos_ - start))};
    }

    std::string_view text_;
    std::size_t pos_ = 0;
};

using NodePtr = std::unique_ptr<TBinTreeNode>;

// One level of the expression being built: the whole expression, the inside
// of a parenthesis, or the rest of a level after "not".
struct Level
{
    enum Kind
    {
        Top,
        Paren,
        NotRest,
    };
    Kind LevelKind = Top;
    NodePtr Tree;
    std::int32_t PendingOperator = -1;

    bool WantsOperand() const { return !Tree || PendingOperator >= 0; }

    // Takes a finished operand: the first one of the level, or the right
    // branch of the operator waiting for it (the tree so far is its left).
    bool Add(NodePtr operand)
    {
        if (!WantsOperand())
            return false;
        if (!Tree)
            Tree = std::move(operand);
        else
            Tree = TBinTree::MakeNode({}, PendingOperator, std::move(Tree), std::move(operand));
        PendingOperator = -1;
        return true;
    }
};

// Ends the levels that close at a ")" or at the end of the expression. Returns
// false when the expression is malformed there; on success at the end, the
// finished tree is left in the top level.
bool CloseLevels(std::vector<Level>& levels, TokenKind closer)
{
    for (;;)
    {
        Level& level = levels.back();
        if (level.WantsOperand())
            return false;
        if (level.LevelKind == Level::Top)
            return closer == TokenKind::End;
        if (level.LevelKind == Level::Paren && closer == TokenKind::End)
            return false;
        NodePtr done = std::move(level.Tree);
        const bool negated = level.LevelKind == Level::NotRest;
        levels.pop_back();
        if (negated)
            done = TBinTree::MakeNode({}, SmartSearchNot, std::move(done));
        levels.back().Add(std::move(done));
        // A "not" level ends with the level that contains it; a parenthesis
        // ends here.
        if (!negated)
            return true;
    }
}

bool ApplyToken(std::vector<Level>& levels, Token& token)
{
    Level& level = levels.back();
    switch (token.Kind)
    {
    case TokenKind::Term:
        return level.Add(TBinTree::MakeNode(std::move(token.Text), SmartSearchTerm));
    case TokenKind::And:
    case TokenKind::Or:
        if (level.WantsOperand())
            return false;
        level.PendingOperator = token.Kind == TokenKind::And ? SmartSearchAnd : SmartSearchOr;
        return true;
    case TokenKind::Not:
    case TokenKind::Open:
        if (!level.WantsOperand())
            return false;
        levels.push_back(Level{token.Kind == TokenKind::Not ? Level::NotRest : Level::Paren, nullptr, -1});
        return true;
    case TokenKind::Close:
    case TokenKind::End:
        return CloseLevels(levels, token.Kind);
    case TokenKind::Bad:
        break;
    }
    return false;
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

bool ParseSmartSearch(std::string_view expression, TBinTree& tree)
{
    tree.Free();
    std::vector<Level> levels(1);
    Tokenizer tokens(expression);
    for (;;)
    {
        Token token = tokens.Next();
        const bool end = token.Kind == TokenKind::End;
        if (!ApplyToken(levels, token))
            return false;
        if (end)
            break;
    }
    tree.SetRoot(std::move(levels.front().Tree));
    return true;
}

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

void InstallSmartSearchParser()
{
    SetSmartSearchParser(
        [](std::string_view query)
        {
            TBinTree tree;
            return ParseSmartSearch(query, tree);
        });
}

} // namespace rv
