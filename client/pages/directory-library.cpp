#include "client/pages/directory-library.h"

#include "client/briefs/word-stream.h"
#include "client/pages/url-parts.h"

#include <unordered_map>

namespace rv
{
namespace
{

enum DirectoryTag : std::uint16_t
{
    PropertyTag = 0,
    SubItemTag = 2,
    TextTag = 4,
    TreeTag = 8,
    BaseAddressTag = 9,
};

constexpr std::uint16_t MajorVersion = 1;
constexpr std::uint16_t MinorVersion = 0;

bool Read32(WordReader& in, std::uint32_t& value)
{
    std::uint16_t low = 0;
    std::uint16_t high = 0;
    if (!in.Word(low) || !in.Word(high))
    {
        return false;
    }
    value = low | (std::uint32_t{high} << 16);
    return true;
}

// The records after the header, or nothing when the magic or the version
// does not pass `accept`.
template <typename Accept>
std::optional<WordReader> OpenRecords(std::string_view bytes, DirectoryFileStatus& status, Accept accept)
{
    WordReader in(bytes);
    std::string_view magic;
    if (!in.Bytes(DirectoryMagic.size(), magic) || magic != DirectoryMagic)
    {
        status = DirectoryFileStatus::BadMagic;
        return std::nullopt;
    }
    std::uint16_t major = 0;
    std::uint16_t minor = 0;
    if (!in.Word(major) || !in.Word(minor) || !accept(major, minor))
    {
        status = DirectoryFileStatus::BadVersion;
        return std::nullopt;
    }
    return in;
}

// One record: its tag and data (for tag 8 the compressed tree).
bool NextRecord(WordReader& in, std::uint16_t& tag, std::string_view& data)
{
    if (!in.Word(tag))
    {
        return false;
    }
    if (tag == TreeTag)
    {
        std::uint32_t size = 0;
        return Read32(in, size) && size <= MaxCompressedTreeBytes && in.Bytes(size, data);
    }
    std::uint16_t length = 0;
    return in.Word(length) && in.Bytes(length, data);
}

// The base address of a file's section applies to the sub-items it defines.
void CloseSection(DirectoryProperty* property)
{
    if (!property)
    {
        return;
    }
    for (DirectorySubItem& item : property->SubItems)
    {
        if (item.BaseAddress.empty())
        {
            item.BaseAddress = property->BaseAddress;
        }
    }
}

void ApplyRecord(std::uint16_t tag, std::string_view data, const std::filesystem::path& file, DirectoryProperty& property)
{
    switch (tag)
    {
    case SubItemTag:
        if (data.empty())
        {
            property.File = file;
        }
        else
        {
            property.SubItems.push_back(DirectorySubItem{std::string(data), file, {}});
        }
        break;
    case TextTag:
        property.Texts.emplace_back(data);
        break;
    case BaseAddressTag:
        property.BaseAddress.assign(data);
        break;
    default:
        break;
    }
}

void WriteText(WordWriter& out, std::uint16_t tag, std::string_view text)
{
    out.Word(tag);
    out.Text(text);
}

} // namespace

DirectoryFile ReadDirectoryFile(std::string_view bytes, const std::filesystem::path& file)
{
    DirectoryFile result;
    std::optional<WordReader> in =
        OpenRecords(bytes, result.Status,
                    [](std::uint16_t major, std::uint16_t minor) { return major == MajorVersion && minor == MinorVersion; });
    if (!in)
    {
        return result;
    }
    DirectoryProperty* current = nullptr;
    while (!in->AtEnd())
    {
        std::uint16_t tag = 0;
        std::string_view data;
        if (!NextRecord(*in, tag, data))
        {
            result.Status = DirectoryFileStatus::Truncated;
            break;
        }
        if (tag == PropertyTag)
        {
            CloseSection(current);
            result.Properties.push_back(DirectoryProperty{std::string(data), {}, {}, {}, file});
            current = &result.Properties.back();
        }
        else if (current)
        {
            ApplyRecord(tag, data, file, *current);
        }
    }
    CloseSection(current);
    return result;
}

void MergeProperties(std::vector<DirectoryProperty>& into, std::vector<DirectoryProperty> properties)
{
    // By lower-case name, so that a file of many properties merges in
    // linear time.
    std::unordered_map<std::string, std::size_t> known;
    for (std::size_t i = 0; i < into.size(); ++i)
    {
        known.emplace(AsciiLower(into[i].Name), i);
    }
    for (DirectoryProperty& property : properties)
    {
        const auto [it, added] = known.emplace(AsciiLower(property.Name), into.size());
        if (added)
        {
            into.push_back(std::move(property));
            continue;
        }
        DirectoryProperty& same = into[it->second];
        same.SubItems.insert(same.SubItems.end(), property.SubItems.begin(), property.SubItems.end());
        same.Texts.insert(same.Texts.end(), property.Texts.begin(), property.Texts.end());
        if (same.BaseAddress.empty())
        {
            same.BaseAddress = property.BaseAddress;
        }
        if (same.File.empty())
        {
            same.File = property.File;
        }
    }
}

std::filesystem::path CategoryFileOf(const DirectoryProperty& property)
{
    for (const DirectorySubItem& item : property.SubItems)
    {
        if (item.Name != "/")
        {
            return item.File;
        }
    }
    return property.File;
}

std::optional<std::string> WriteDirectoryFile(const std::vector<DirectoryPropertyDefinition>& properties)
{
    WordWriter out;
    out.Bytes(DirectoryMagic);
    out.Word(MajorVersion);
    out.Word(MinorVersion);
    for (const DirectoryPropertyDefinition& property : properties)
    {
        WriteText(out, PropertyTag, property.Name);
        for (const std::string& item : property.SubItems)
        {
            WriteText(out, SubItemTag, item);
        }
        for (const std::string& text : property.Texts)
        {
            WriteText(out, TextTag, text);
        }
        if (!property.BaseAddress.empty())
        {
            WriteText(out, BaseAddressTag, property.BaseAddress);
        }
        if (property.Tree.Children.empty())
        {
            continue;
        }
        const std::optional<std::string> tree = CompressTree(WriteTreeData(property.Tree));
        if (!tree || tree->size() > MaxCompressedTreeBytes)
        {
            return std::nullopt;
        }
        out.Word(TreeTag);
        out.Word(static_cast<std::uint16_t>(tree->size() & 0xFFFF));
        out.Word(static_cast<std::uint16_t>(tree->size() >> 16));
        out.Bytes(*tree);
    }
    return out.Take();
}

std::optional<CategoryNode> ReadCategoryTree(std::string_view bytes)
{
    DirectoryFileStatus status = DirectoryFileStatus::Ok;
    std::optional<WordReader> in = OpenRecords(
        bytes, status, [](std::uint16_t major, std::uint16_t minor) { return major <= MajorVersion && minor == MinorVersion; });
    if (!in)
    {
        return std::nullopt;
    }
    CategoryNode root;
    std::size_t expandedBytes = 0;
    while (!in->AtEnd())
    {
        std::uint16_t tag = 0;
        std::string_view data;
        if (!NextRecord(*in, tag, data))
        {
            return std::nullopt;
        }
        if (tag != TreeTag)
        {
            continue;
        }
        const std::optional<std::string> expanded = ExpandTree(data);
        // Several trees in one file count together against the limit.
        expandedBytes += expanded ? expanded->size() : 0;
        if (!expanded || expandedBytes > MaxExpandedTreeBytes || !HandleTreeData(*expanded, root))
        {
            return std::nullopt;
        }
    }
    return root;
}

} // namespace rv
