#include "client/pages/page-compare.h"

#include "client/pages/passage-index.h"
#include "store/ascii-text.h"

#include <algorithm>
#include <array>
#include <cstdint>
#include <cstring>
#include <map>
#include <optional>
#include <utility>

namespace rv
{

namespace
{

// True when the tag that opens at `open` ("<") has the name `name`, in any
// letter case, followed by white space or ">".
bool TagNamed(std::string_view page, std::size_t open, std::string_view name)
{
    const std::size_t at = open + 1;
    if (at + name.size() >= page.size())
        return false;
    for (std::size_t i = 0; i < name.size(); ++i)
        if (LowerAscii(page[at + i]) != name[i])
            return false;
    const char next = page[at + name.size()];
    return IsSpaceOrLineBreak(next) || next == '>';
}

// The lower-case name of the tag that opens at `open` ("<"), when it has at
// most TagNameBytes bytes and white space or ">" follows; empty otherwise.
// Every tag that matters here is that short.
constexpr std::size_t TagNameBytes = 8;
std::string_view ShortTagName(std::string_view page, std::size_t open, std::array<char, TagNameBytes>& name)
{
    std::size_t length = 0;
    for (std::size_t at = open + 1; at < page.size() && length <= TagNameBytes; ++at, ++length)
    {
        const char c = page[at];
        if (IsSpaceOrLineBreak(c) || c == '>')
            return std::string_view(name.data(), length);
        if (length < TagNameBytes)
            name[length] = LowerAscii(c);
    }
    return {};
}

constexpr std::array<std::string_view, 22> BoundaryTags = {
    "p",  "br",  "tr",  "td",  "li",   "dt",    "h1",     "h2",     "h3",      "h4",     "h5",
    "h6", "/tr", "/td", "div", "/div", "table", "/table", "applet", "/applet", "object", "/object",
};

bool IsOneOf(std::string_view name, const auto& names)
{
    return !name.empty() && std::find(names.begin(), names.end(), name) != names.end();
}

constexpr std::array<std::string_view, 8> KeptTags = {"img", "image", "hr", "form", "/form", "area", "a", "/a"};

// Where the head ends: just past the first body tag, else past "/head>",
// else 0. Nothing before it is reduced, and no marker goes there.
std::size_t HeadEnd(std::string_view page)
{
    for (std::size_t open = page.find('<'); open != std::string_view::npos; open = page.find('<', open + 1))
    {
        if (!TagNamed(page, open, "body"))
            continue;
        const std::size_t close = page.find('>', open);
        return close == std::string_view::npos ? page.size() : close + 1;
    }
    for (std::size_t open = page.find('<'); open != std::string_view::npos; open = page.find('<', open + 1))
    {
        if (!TagNamed(page, open, "/head"))
            continue;
        const std::size_t close = page.find('>', open);
        return close == std::string_view::npos ? page.size() : close + 1;
    }
    return 0;
}

// The previous copy without white space, with the length of the run of bytes
// that follow each byte without white space in between. A block's first word
// must lie in one such run.
class StrippedCopy
{
public:
    explicit StrippedCopy(std::string_view previous)
    {
        const auto kept =
            std::size_t(std::count_if(previous.begin(), previous.end(), [](char c) { return !IsSpaceOrLineBreak(c); }));
        bytes_.resize(kept);
        runs_.resize(kept);
        // Backwards, so that each byte's run is the one after it plus one.
        std::size_t k = kept;
        std::uint32_t run = 0;
        for (std::size_t i = previous.size(); i-- > 0;)
        {
            const char c = previous[i];
            if (IsSpaceOrLineBreak(c))
            {
                run = 0;
                continue;
            }
            --k;
            bytes_[k] = c;
            runs_[k] = ++run;
        }
    }

    std::string_view Bytes() const { return bytes_; }
    std::size_t RunAt(std::size_t k) const { return runs_[k]; }

private:
    std::string bytes_;
    std::vector<std::uint32_t> runs_;
};

void Strip(std::string_view text, std::string& out)
{
    out.clear();
    for (char c : text)
        if (!IsSpaceOrLineBreak(c))
            out.push_back(c);
}

// Length of the first word (bytes up to the first white space) of text,
// leading white space skipped.
std::size_t FirstWordLength(std::string_view text)
{
    std::size_t at = 0;
    while (at < text.size() && IsSpaceOrLineBreak(text[at]))
        ++at;
    std::size_t length = 0;
    while (at + length < text.size() && !IsSpaceOrLineBreak(text[at + length]))
        ++length;
    return length;
}

// What one block is looked up with: its lead-in and own text without white
// space, and the length of the first word of the two together.
struct SearchText
{
    std::string LeadIn;
    std::string Text;
    std::size_t FirstWord = 0;
};

// The previous copy's passages that have not yet answered for a block, as
// ranges of stripped offsets, and the search over them.
//
// Both searches find the same passage: the first free one that holds the
// text after the lead-in. The literal search scans the free ranges in order;
// the indexed one looks only where the text's rarest four bytes occur, and
// falls back to scanning for texts shorter than that.
class PassageFinder
{
public:
    PassageFinder(std::string_view previous, std::size_t budget, bool literal)
        : copy_(previous), used_(copy_.Bytes().size(), false), budget_(literal ? std::size_t(-1) : budget)
    {
        if (!copy_.Bytes().empty())
            free_.emplace(0, copy_.Bytes().size());
        if (!literal)
            index_.emplace(copy_.Bytes());
    }

    bool Exhausted() const { return work_ > budget_; }

    // Finds the first free passage that holds the text and follows the
    // lead-in (which may lie in a used passage), marks it used and returns
    // true.
    bool Take(const SearchText& search)
    {
        const bool indexed = index_ && search.Text.size() >= PassageIndex::GramBytes;
        const std::size_t found = indexed ? FindIndexed(search) : FindLiteral(search);
        if (found == std::string_view::npos)
            return false;
        Use(found, search.Text.size());
        return true;
    }

private:
    std::size_t FindLiteral(const SearchText& search)
    {
        const std::string_view all = copy_.Bytes();
        const std::string& text = search.Text;
        for (const auto& [from, to] : free_)
        {
            ++work_;
            std::size_t at = from;
            while (to - at >= text.size())
            {
                if (Exhausted())
                    return std::string_view::npos;
                // Unchanged pages match where the free passage begins.
                if (at == from && all.compare(at, text.size(), text) == 0)
                {
                    work_ += text.size();
                    if (Follows(search, at))
                        return at;
                    ++at;
                    continue;
                }
                const void* hit = memmem(all.data() + at, to - at, text.data(), text.size());
                if (!hit)
                {
                    work_ += to - at;
                    break;
                }
                const std::size_t k = std::size_t(static_cast<const char*>(hit) - all.data());
                work_ += k - at + text.size();
                if (Follows(search, k))
                    return k;
                at = k + 1;
            }
        }
        return std::string_view::npos;
    }

    // Every place the text occurs has its rarest four bytes at `shift` past
    // it, so the candidates are that bucket's offsets less `shift`, in
    // ascending order. An offset inside a used passage can never start a
    // free one again, and is dropped for good when it leads its bucket.
    std::size_t FindIndexed(const SearchText& search)
    {
        const std::string& text = search.Text;
        const auto [bucket, shift] = RarestGram(text);
        const std::string_view all = copy_.Bytes();
        work_ += text.size();
        while (!index_->Offsets(bucket).empty() && used_[index_->Offsets(bucket).front()])
            index_->DropFirst(bucket);
        for (const std::uint32_t offset : index_->Offsets(bucket))
        {
            if (++work_ > budget_)
                return std::string_view::npos;
            if (offset < shift || used_[offset])
                continue;
            const std::size_t k = offset - shift;
            if (all.size() - k < text.size() || all.compare(k, text.size(), text) != 0)
                continue;
            work_ += text.size();
            if (IsFree(k, text.size()) && Follows(search, k))
                return k;
        }
        return std::string_view::npos;
    }

    // The bucket with the fewest live offsets among the text's first
    // GramsWeighed four-byte sequences, and where that sequence starts in the
    // text. Any sequence of the text finds every place it occurs; a rare one
    // finds fewer places where it does not.
    static constexpr std::size_t GramsWeighed = 64;
    std::pair<std::uint32_t, std::size_t> RarestGram(const std::string& text) const
    {
        std::pair<std::uint32_t, std::size_t> best{0, 0};
        std::size_t fewest = std::size_t(-1);
        const std::size_t last = std::min(text.size() - PassageIndex::GramBytes, GramsWeighed - 1);
        for (std::size_t shift = 0; shift <= last && fewest > 0; ++shift)
        {
            const std::uint32_t bucket = index_->BucketOf(text.data() + shift);
            const std::size_t live = index_->Offsets(bucket).size();
            if (live < fewest)
            {
                fewest = live;
                best = {bucket, shift};
            }
        }
        return best;
    }

    bool IsFree(std::size_t start, std::size_t length) const
    {
        if (used_[start])
            return false;
        const auto range = std::prev(free_.upper_bound(start));
        return start + length <= range->second;
    }

    // The lead-in precedes the text at k, and the first word is one run.
    bool Follows(const SearchText& search, std::size_t k) const
    {
        const std::string& lead = search.LeadIn;
        if (k < lead.size())
            return false;
        const std::size_t start = k - lead.size();
        if (copy_.Bytes().compare(start, lead.size(), lead) != 0)
            return false;
        return copy_.RunAt(start) >= search.FirstWord;
    }

    void Use(std::size_t start, std::size_t length)
    {
        auto range = std::prev(free_.upper_bound(start));
        const std::size_t from = range->first;
        const std::size_t to = range->second;
        free_.erase(range);
        if (from < start)
            free_.emplace(from, start);
        if (start + length < to)
            free_.emplace(start + length, to);
        std::fill(used_.begin() + std::ptrdiff_t(start), used_.begin() + std::ptrdiff_t(start + length), true);
    }

    StrippedCopy copy_;
    std::map<std::size_t, std::size_t> free_;
    std::vector<bool> used_; // per stripped offset: it lies in a passage that answered
    std::optional<PassageIndex> index_;
    std::size_t budget_;
    std::size_t work_ = 0;
};

// Where the marker of a changed block goes: past its boundary.
std::size_t MarkerPosition(std::string_view page, const PageBlock& block)
{
    if (block.AtLineEnd)
        return block.Start + 1;
    if (page[block.Start] != '<')
        return block.Start;
    const std::size_t close = page.find('>', block.Start);
    return close < block.End ? close + 1 : block.Start;
}

// Copies a kept img or image tag with its src value replaced.
std::string WithBlankSource(std::string_view tag)
{
    for (std::size_t at = 1; at + 3 < tag.size(); ++at)
    {
        if (!IsSpaceOrLineBreak(tag[at - 1]) || LowerAscii(tag[at]) != 's' || LowerAscii(tag[at + 1]) != 'r' ||
            LowerAscii(tag[at + 2]) != 'c')
            continue;
        std::size_t value = at + 3;
        while (value < tag.size() && IsSpaceOrLineBreak(tag[value]))
            ++value;
        if (value >= tag.size() || tag[value] != '=')
            continue;
        ++value;
        while (value < tag.size() && IsSpaceOrLineBreak(tag[value]))
            ++value;
        std::size_t end = value;
        if (end < tag.size() && (tag[end] == '"' || tag[end] == '\''))
        {
            const std::size_t quote = tag.find(tag[end], end + 1);
            end = quote == std::string_view::npos ? tag.size() - 1 : quote + 1;
        }
        else
        {
            while (end < tag.size() && !IsSpaceOrLineBreak(tag[end]) && tag[end] != '>')
                ++end;
        }
        return std::string(tag.substr(0, value)) + '"' + std::string(BlankImageSource) + '"' + std::string(tag.substr(end));
    }
    return std::string(tag);
}

// The page with the marked bytes reduced to blanks, except kept tags.
std::string Reduce(std::string_view page, const std::vector<bool>& reduced)
{
    std::string out;
    out.reserve(page.size());
    for (std::size_t i = 0; i < page.size();)
    {
        if (!reduced[i])
        {
            out.push_back(page[i++]);
            continue;
        }
        if (page[i] == '<')
        {
            const auto kept =
                std::find_if(KeptTags.begin(), KeptTags.end(), [&](std::string_view name) { return TagNamed(page, i, name); });
            const std::size_t close = page.find('>', i);
            if (kept != KeptTags.end() && close != std::string_view::npos)
            {
                const std::string_view tag = page.substr(i, close + 1 - i);
                const bool image = *kept == "img" || *kept == "image";
                out += image ? WithBlankSource(tag) : std::string(tag);
                i = close + 1;
                continue;
            }
        }
        out.push_back(' ');
        ++i;
    }
    return out;
}

void MakeSearchText(std::string_view page, const PageBlock& block, std::size_t textStart, bool extract, SearchText& search)
{
    const std::size_t leadStart = extract ? block.Start - std::min(block.Start, ExtractLeadInBytes) : textStart;
    const std::size_t leadBytes = extract ? block.Start - leadStart : 0;
    const std::size_t textEnd = std::min(block.End, textStart + (MaxCompareTextBytes - leadBytes));
    Strip(page.substr(leadStart, leadBytes), search.LeadIn);
    Strip(page.substr(textStart, textEnd - textStart), search.Text);
    search.FirstWord = FirstWordLength(page.substr(leadStart, textEnd - leadStart));
}

} // namespace

std::vector<PageBlock> SplitIntoBlocks(std::string_view page)
{
    std::vector<PageBlock> blocks{PageBlock{}};
    auto boundary = [&](std::size_t at, bool lineEnd)
    {
        if (at == 0)
            blocks.front().AtLineEnd = lineEnd;
        else
            blocks.push_back(PageBlock{at, 0, lineEnd});
    };
    bool inPre = false;
    bool inTag = false;
    for (std::size_t i = 0; i < page.size(); ++i)
    {
        const char c = page[i];
        if (c == '<')
        {
            inTag = true;
            std::array<char, TagNameBytes> buffer;
            const std::string_view name = ShortTagName(page, i, buffer);
            if (IsOneOf(name, BoundaryTags))
                boundary(i, false);
            else if (name == "pre")
                inPre = true;
            else if (name == "/pre")
                inPre = false;
        }
        else if (c == '>')
        {
            inTag = false;
        }
        else if ((c == '\r' || c == '\n') && inPre && !inTag)
        {
            boundary(i, true);
        }
    }
    for (std::size_t b = 0; b < blocks.size(); ++b)
        blocks[b].End = b + 1 < blocks.size() ? blocks[b + 1].Start : page.size();
    return blocks;
}

CompareResult ComparePages(std::string_view page, std::string_view previous, const CompareOptions& options)
{
    CompareResult result;
    const std::vector<PageBlock> blocks = SplitIntoBlocks(page);
    const std::size_t headEnd = HeadEnd(page);
    // Ordinary pages need a few passes over the previous copy per changed
    // block; this is far above that.
    const std::size_t budget = 256 * (page.size() + previous.size()) + (std::size_t{64} << 20);
    PassageFinder finder(previous, budget, options.LiteralSearch);
    std::vector<bool> reduced(options.Extract ? page.size() : 0, false);
    SearchText search;

    for (const PageBlock& block : blocks)
    {
        if (options.ShouldStop && options.ShouldStop())
        {
            result.Stopped = true;
            return result;
        }
        std::size_t textStart = block.Start;
        while (textStart < block.End && IsSpaceOrLineBreak(page[textStart]))
            ++textStart;
        if (textStart == block.End)
            continue;
        MakeSearchText(page, block, textStart, options.Extract, search);
        const bool unchanged = !finder.Exhausted() && finder.Take(search);
        if (unchanged && options.Extract)
        {
            std::fill(reduced.begin() + std::ptrdiff_t(std::max(block.Start, headEnd)),
                      reduced.begin() + std::ptrdiff_t(std::max(block.End, headEnd)), true);
        }
        if (unchanged)
            continue;
        result.DifferencesFound = true;
        if (options.Extract)
            continue;
        const std::size_t marker = std::max(MarkerPosition(page, block), headEnd);
        if (result.MarkerPositions.empty() || result.MarkerPositions.back() < marker)
            result.MarkerPositions.push_back(marker);
    }
    if (options.Extract)
        result.Extracted = Reduce(page, reduced);
    return result;
}

} // namespace rv
