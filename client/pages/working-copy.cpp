#include "client/pages/working-copy.h"

#include "store/ascii-text.h"

#include <array>
#include <cstring>

namespace rv
{
namespace
{

constexpr std::array<char, 256> MakeMarkTable()
{
    std::array<char, 256> table{};
    for (int i = 0; i < 256; ++i)
        table[static_cast<std::size_t>(i)] = static_cast<char>(i);
    table['<'] = kTagOpen;
    table['>'] = kTagClose;
    table[static_cast<unsigned char>(kTagOpen)] = '\x03';
    table[static_cast<unsigned char>(kTagClose)] = '\x03';
    return table;
}

constexpr std::array<char, 256> MarkTable = MakeMarkTable();

} // namespace

void MakeWorkingCopy(std::string_view body, std::string& copy)
{
    copy.resize(body.size());
    const auto* in = reinterpret_cast<const unsigned char*>(body.data());
    char* out = copy.data();
    for (std::size_t i = 0; i < body.size(); ++i)
        out[i] = MarkTable[in[i]];
}

bool TagNameIs(std::string_view copy, std::size_t at, std::string_view name)
{
    const bool prefix = !name.empty() && name.back() == '*';
    if (prefix)
        name.remove_suffix(1);
    const std::size_t start = at + 1;
    if (start + name.size() > copy.size())
        return false;
    for (std::size_t i = 0; i < name.size(); ++i)
        if (LowerAscii(copy[start + i]) != name[i])
            return false;
    if (prefix)
        return true;
    const std::size_t after = start + name.size();
    return after >= copy.size() || IsHtmlSpace(copy[after]) || copy[after] == kTagClose;
}

std::ptrdiff_t FindTag(std::string_view copy, std::size_t from, std::string_view name)
{
    while (from < copy.size())
    {
        const void* hit = std::memchr(copy.data() + from, kTagOpen, copy.size() - from);
        if (!hit)
            return kNoTag;
        const auto at = static_cast<std::size_t>(static_cast<const char*>(hit) - copy.data());
        if (TagNameIs(copy, at, name))
            return static_cast<std::ptrdiff_t>(at);
        from = at + 1;
    }
    return kNoTag;
}

std::ptrdiff_t TagEnd(std::string_view copy, std::size_t at)
{
    if (at >= copy.size())
        return kNoTag;
    const void* hit = std::memchr(copy.data() + at, kTagClose, copy.size() - at);
    return hit ? static_cast<const char*>(hit) - copy.data() : kNoTag;
}

} // namespace rv
