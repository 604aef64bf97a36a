#include "client/briefs/smart-search-query.h"

#include "store/ascii-text.h"

#include <algorithm>
#include <memory>
#include <utility>
#include <vector>

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

// Reads one token at `pos` and moves past it.
class Tokenizer
{
public:
    explicit Tokenizer(std::string_view text) : text_(text) {}

    Token Next()
    {
        while (pos_ < text_.size() && IsSpaceOrLineBreak(text_[pos_]))
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
        return end < text_.size() && IsSpaceOrLineBreak(text_[end]) && EqualsNoCase(text_.substr(pos_, name.size()), name);
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
        while (pos_ < text_.size() && !IsSpaceOrLineBreak(text_[pos_]) && text_[pos_] != '(' && text_[pos_] != ')')
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

bool SmartSearchQueryUnderstood(std::string_view query)
{
    TBinTree tree;
    return ParseSmartSearch(query, tree);
}

} // namespace rv
