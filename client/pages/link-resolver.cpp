#include "client/pages/link-resolver.h"

#include "client/pages/html-entities.h"
#include "client/pages/store-address.h"
#include "store/ascii-text.h"

#include <algorithm>
#include <vector>

namespace rv
{
namespace
{

bool IsSeparator(char c)
{
    return c == '/' || c == '\\';
}

bool IsDriveLetterPath(std::string_view text)
{
    return text.size() >= 2 && text[1] == ':' && ((text[0] >= 'a' && text[0] <= 'z') || (text[0] >= 'A' && text[0] <= 'Z'));
}

bool IsFileAddress(std::string_view text)
{
    return HasSchemeNamed(text, "file") || IsDriveLetterPath(text);
}

std::string WithoutBlanks(std::string_view text)
{
    std::string out;
    out.reserve(text.size());
    for (char c : text)
        if (!IsSpaceOrLineBreak(c))
            out.push_back(c);
    return out;
}

// The value without surrounding white space and quotes, and without the
// white space inside it.
std::string CleanValue(std::string_view value)
{
    std::size_t start = 0;
    while (start < value.size() && (IsSpaceOrLineBreak(value[start]) || value[start] == '"' || value[start] == '\''))
        ++start;
    std::size_t end = value.size();
    while (end > start && (IsSpaceOrLineBreak(value[end - 1]) || value[end - 1] == '"' || value[end - 1] == '\''))
        --end;
    return WithoutBlanks(value.substr(start, end - start));
}

// Offset where the host begins: after "scheme://" or "scheme:", else 0.
std::size_t HostStart(std::string_view address)
{
    const std::size_t scheme = SchemeLength(address);
    if (scheme == 0)
        return 0;
    std::size_t i = scheme + 1;
    while (i < address.size() && IsSeparator(address[i]) && i < scheme + 3)
        ++i;
    return i;
}

// Offset where the path begins (its first separator), or where the query or
// fragment begins when the address has no path, or its end.
std::size_t PathStart(std::string_view address)
{
    if (IsFileAddress(address))
        return HostStart(address);
    const std::size_t host = HostStart(address);
    for (std::size_t i = host; i < address.size(); ++i)
        if (IsSeparator(address[i]) || address[i] == '?' || address[i] == '#')
            return i;
    return address.size();
}

std::string_view WithoutFragment(std::string_view address)
{
    const std::size_t hash = address.find('#');
    return hash == std::string_view::npos ? address : address.substr(0, hash);
}

// The part of base that a relative value is appended to.
std::string DirectoryPrefix(std::string_view base, std::string_view value)
{
    if (value.front() == '#')
        return std::string(WithoutFragment(base));
    if (value.front() == '?')
        return std::string(base.substr(0, std::min(base.size(), base.find_first_of("?#"))));
    const std::size_t pathStart = PathStart(base);
    if (IsSeparator(value.front()))
        return std::string(base.substr(0, pathStart));
    std::string_view beforeQuery = base.substr(0, base.find_first_of("?#"));
    std::size_t last = beforeQuery.size();
    while (last > pathStart && !IsSeparator(beforeQuery[last - 1]))
        --last;
    if (last > pathStart)
        return std::string(beforeQuery.substr(0, last));
    if (IsFileAddress(base))
        return std::string(beforeQuery);
    return std::string(beforeQuery.substr(0, pathStart)) + "/";
}

bool IsRelative(std::string_view value)
{
    return LinkSchemeLength(value) == 0 && !IsDriveLetterPath(value);
}

// Folds the "." and ".." segments of a path. Each segment keeps the
// separator in front of it; ".." never removes a drive letter ("C:").
std::string FoldSegments(std::string_view path)
{
    struct Piece
    {
        char separator; // '\0' for a first segment without one
        std::string_view text;
    };
    std::vector<Piece> kept;
    std::size_t i = 0;
    // The separator in front of a folded "." or ".." takes the place of the
    // one in front of the next segment, so "/a/..\b" gives "/b".
    char carried = '\0';
    while (i < path.size())
    {
        char separator = '\0';
        if (IsSeparator(path[i]))
            separator = path[i++];
        if (carried != '\0' && separator != '\0')
            separator = carried;
        carried = '\0';
        std::size_t end = i;
        while (end < path.size() && !IsSeparator(path[end]))
            ++end;
        const std::string_view text = path.substr(i, end - i);
        const bool last = end >= path.size();
        if (text == "." || text == "..")
        {
            const bool drive = kept.size() == 1 && kept[0].separator == '\0' && IsDriveLetterPath(kept[0].text);
            if (text == ".." && !kept.empty() && !drive)
                kept.pop_back();
            if (last && separator != '\0')
                kept.push_back({separator, {}});
            carried = separator;
        }
        else
            kept.push_back({separator, text});
        i = end;
    }
    std::string out;
    out.reserve(path.size());
    for (const Piece& piece : kept)
    {
        if (piece.separator != '\0')
            out.push_back(piece.separator);
        out += piece.text;
    }
    return out;
}

// Whether the path has a "." or ".." segment to fold.
bool HasDotSegment(std::string_view path)
{
    for (std::size_t at = path.find('.'); at != std::string_view::npos; at = path.find('.', at + 1))
    {
        if (at > 0 && !IsSeparator(path[at - 1]))
            continue;
        std::size_t end = at + 1;
        if (end < path.size() && path[end] == '.')
            ++end;
        if (end == path.size() || IsSeparator(path[end]))
            return true;
    }
    return false;
}

std::string FoldAddress(std::string_view address)
{
    const std::size_t pathStart = PathStart(address);
    const std::size_t pathEnd = std::min(address.size(), address.find_first_of("?#", pathStart));
    const std::string_view path = address.substr(pathStart, pathEnd - pathStart);
    // Most addresses have nothing to fold.
    if (!HasDotSegment(path))
        return std::string(address);
    std::string out(address.substr(0, pathStart));
    out += FoldSegments(path);
    out += address.substr(pathEnd);
    return out;
}

} // namespace

std::string NormaliseAddress(std::string_view address)
{
    return FoldAddress(DecodeEntities(WithoutBlanks(address)));
}

std::string StoreForm(std::string_view address)
{
    std::size_t end = address.size();
    while (end > 0 && IsSpaceOrLineBreak(address[end - 1]))
        --end;
    address = address.substr(0, end);
    if (IsFileAddress(address))
        return std::string(address);
    // Only web addresses are given a path; "mailto:" and the like keep
    // their text after the scheme as it is.
    std::size_t start = SchemeLength(address);
    const bool web = start == 0 || HasSchemeNamed(address, "http") || HasSchemeNamed(address, "https");
    if (start > 0)
    {
        ++start;
        while (start < address.size() && (address[start] == ':' || IsSeparator(address[start])))
            ++start;
    }
    std::string out(address.substr(start));
    const std::size_t pathStart = PathStart(out);
    if (web && (pathStart >= out.size() || !IsSeparator(out[pathStart])))
        out.insert(out.begin() + static_cast<std::ptrdiff_t>(pathStart), '/');
    return out;
}

std::string ResolveAddress(std::string_view base, std::string_view value)
{
    const std::string cleaned = DecodeEntities(CleanValue(value));
    if (cleaned.empty())
        return StoreForm(FoldAddress(WithoutBlanks(base)));
    std::string joined;
    if (cleaned.size() >= 2 && IsSeparator(cleaned[0]) && IsSeparator(cleaned[1]))
        joined = cleaned.substr(2);
    else if (IsRelative(cleaned))
        joined = DirectoryPrefix(WithoutBlanks(base), cleaned) + cleaned;
    else
        joined = cleaned;
    return StoreForm(FoldAddress(joined));
}

} // namespace rv
