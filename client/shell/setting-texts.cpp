#include "client/shell/setting-texts.h"

#include "client/briefs/scrambled-text.h"

#include <algorithm>
#include <limits>

namespace rv
{

namespace
{

std::string EscapeZerosAndBackslashes(std::string_view bytes)
{
    std::string out;
    for (const char c : bytes)
    {
        if (c == '\0')
        {
            out += "\\0";
        }
        else if (c == '\\')
        {
            out += "\\\\";
        }
        else
        {
            out.push_back(c);
        }
    }
    return out;
}

// A backslash before anything but "0" or "\" stands for itself.
std::string UnescapeZerosAndBackslashes(std::string_view escaped)
{
    std::string out;
    for (std::size_t i = 0; i < escaped.size(); ++i)
    {
        if (escaped[i] == '\\' && i + 1 < escaped.size() && (escaped[i + 1] == '0' || escaped[i + 1] == '\\'))
        {
            out.push_back(escaped[++i] == '0' ? '\0' : '\\');
        }
        else
        {
            out.push_back(escaped[i]);
        }
    }
    return out;
}

std::string EscapedScrambled(std::string_view plain)
{
    return EscapeZerosAndBackslashes(ScrambleText(plain));
}

} // namespace

std::optional<std::int64_t> ParseNumberInRange(std::string_view text, std::int64_t low, std::int64_t high)
{
    const std::optional<std::int64_t> value = ParseDecimal(TrimSpaceOrTab(text));
    if (!value)
    {
        return std::nullopt;
    }
    return std::clamp(*value, low, high);
}

std::string QuotedBrowserPath(std::string_view path)
{
    return "\"" + std::string(path) + "\"";
}

std::string BrowserPathFromStored(std::string_view stored)
{
    if (!stored.empty() && stored.front() == '"')
    {
        stored.remove_prefix(1);
        return std::string(stored.substr(0, stored.find('"')));
    }
    return std::string(stored.substr(0, stored.rfind(' ')));
}

std::string BrowserServiceOf(std::string_view path)
{
    const std::string lower = AsciiLower(path);
    if (lower.find("netscape") != std::string::npos)
    {
        return "NETSCAPE";
    }
    const std::size_t folderEnd = path.find_last_of("/\\");
    std::string_view name = folderEnd == std::string_view::npos ? path : path.substr(folderEnd + 1);
    name = name.substr(0, name.rfind('.'));
    return ToUpperAscii(name);
}

std::string ProxyHostWithoutScheme(std::string_view text)
{
    const std::size_t scheme = text.find("://");
    return std::string(scheme == std::string_view::npos ? text : text.substr(scheme + 3));
}

bool CredentialFits(std::string_view plain)
{
    return EscapedScrambled(plain).size() <= MaxEscapedCredentialBytes;
}

std::string StoredCredential(std::string_view plain)
{
    std::size_t length = std::min(plain.size(), MaxPlainLengthForScrambled(MaxEscapedCredentialBytes));
    std::string escaped = EscapedScrambled(plain.substr(0, length));
    while (escaped.size() > MaxEscapedCredentialBytes)
    {
        escaped = EscapedScrambled(plain.substr(0, --length));
    }
    if (escaped.empty())
    {
        return {};
    }
    return static_cast<char>(static_cast<unsigned char>(escaped.size())) + escaped;
}

std::string CredentialFromStored(std::string_view stored)
{
    if (stored.empty())
    {
        return {};
    }
    const std::size_t length = static_cast<unsigned char>(stored.front());
    stored.remove_prefix(1);
    return UnscrambleText(UnescapeZerosAndBackslashes(stored.substr(0, length)));
}

std::string PackList(const std::vector<std::string>& items)
{
    std::string packed;
    for (const std::string& item : items)
    {
        if (item.size() <= MaxPackedItemBytes)
        {
            packed.push_back(static_cast<char>(static_cast<unsigned char>(item.size() + 1)));
            packed += item;
        }
    }
    packed.push_back('\0');
    return packed;
}

std::vector<std::string> UnpackList(std::string_view packed)
{
    std::vector<std::string> items;
    while (!packed.empty() && packed.front() != '\0')
    {
        const std::size_t length = static_cast<unsigned char>(packed.front()) - 1u;
        packed.remove_prefix(1);
        if (length > packed.size())
        {
            break;
        }
        items.emplace_back(packed.substr(0, length));
        packed.remove_prefix(length);
    }
    return items;
}

std::string PackPreviousBriefs(const std::vector<std::string>& paths)
{
    std::vector<std::string> slots;
    for (std::size_t i = 0; i < PreviousBriefSlots; ++i)
    {
        const bool fits = i < paths.size() && paths[i].size() <= MaxPackedItemBytes;
        slots.push_back(fits ? paths[i] : std::string());
    }
    return PackList(slots);
}

std::vector<std::string> UnpackPreviousBriefs(std::string_view packed)
{
    std::vector<std::string> paths;
    for (const std::string& path : UnpackList(packed))
    {
        if (paths.size() < PreviousBriefSlots && !path.empty() && std::find(paths.begin(), paths.end(), path) == paths.end())
        {
            paths.push_back(path);
        }
    }
    return paths;
}

std::string JoinItemList(const std::vector<std::string>& items)
{
    std::string text;
    for (const std::string& item : items)
    {
        text += std::to_string(item.size()) + "/" + item;
    }
    return text;
}

std::vector<std::string> SplitItemList(std::string_view text)
{
    std::vector<std::string> items;
    while (!text.empty())
    {
        const std::size_t slash = text.find('/');
        const std::optional<std::int64_t> length =
            slash == std::string_view::npos ? std::nullopt : ParseDecimal(TrimSpaceOrTab(text.substr(0, slash)));
        if (!length || *length < 0 || static_cast<std::uint64_t>(*length) > text.size() - slash - 1 ||
            text.substr(0, slash).find_first_not_of("0123456789") != std::string_view::npos)
        {
            break;
        }
        items.emplace_back(text.substr(slash + 1, static_cast<std::size_t>(*length)));
        text.remove_prefix(slash + 1 + static_cast<std::size_t>(*length));
    }
    return items;
}

} // namespace rv
