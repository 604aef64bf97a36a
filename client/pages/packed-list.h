// Packed name lists of search and directory entries: each item is a length
// byte followed by that many bytes, and a zero byte ends the list. Entries
// keep their chosen engines and categories in this form. (The settings'
// packed lists count one more in their length byte: client/shell.)
#pragma once

#include <cstddef>
#include <cstdint>
#include <string>
#include <string_view>
#include <vector>

namespace rv
{

// The longest item a length byte can count.
inline constexpr std::size_t MaxPackedItem = 255;

// The items of a packed list, up to its zero byte or its end. An item whose
// length byte runs past the end of the buffer ends the list there: it was
// cut when stored, and a cut name would match nothing.
std::vector<std::string> UnpackNames(std::string_view packed);

// A packed list and the size stored beside it: the bytes with the closing
// zero byte, or an empty buffer and -1 when nothing is chosen.
struct PackedList
{
    std::string Bytes;
    std::int32_t Length = -1;
};

// Packs the items in order with the closing zero byte. Empty items and items
// longer than MaxPackedItem are left out (they cannot be stored), and so is
// an item equal to one already packed.
PackedList PackNames(const std::vector<std::string>& items);

} // namespace rv
