#include "client/pages/packed-list.h"

#include <algorithm>

namespace rv
{

std::vector<std::string> UnpackNames(std::string_view packed)
{
    std::vector<std::string> items;
    std::size_t position = 0;
    while (position < packed.size())
    {
        const std::size_t length = static_cast<std::uint8_t>(packed[position]);
        if (length == 0 || packed.size() - position - 1 < length)
        {
            break;
        }
        items.emplace_back(packed.substr(position + 1, length));
        position += 1 + length;
    }
    return items;
}

PackedList PackNames(const std::vector<std::string>& items)
{
    PackedList list;
    std::vector<std::string_view> packed;
    for (const std::string& item : items)
    {
        if (item.empty() || item.size() > MaxPackedItem || std::find(packed.begin(), packed.end(), item) != packed.end())
        {
            continue;
        }
        list.Bytes += static_cast<char>(item.size());
        list.Bytes += item;
        packed.push_back(item);
    }
    if (packed.empty())
    {
        return list;
    }
    list.Bytes += '\0';
    list.Length = static_cast<std::int32_t>(list.Bytes.size());
    return list;
}

} // namespace rv
