// Directory libraries ("libs/*.ypf" under the client's folder): the
// directories and main topics a directory entry can pick categories from.
//
// Layout, little-endian: the 7-byte magic "YPF-MWR", a 16-bit major and a
// 16-bit minor version (1.0), then records of a 16-bit tag and its data:
//   0  16-bit length, text   property name (a directory and main topic);
//                            starts a new property
//   2  16-bit length, text   a sub-item of the current property; an empty
//                            text records this file on the property itself
//   4  16-bit length, text   a text of the current property (kept, unused)
//   9  16-bit length, text   the property's base address
//   8  32-bit size, data     the property's compressed category tree
//   other: 16-bit length, data, skipped
// Tag 8 carries a 32-bit size instead of the 16-bit length, since a tree
// may be larger than a 16-bit length can count. Properties of the same name
// (compared ignoring ASCII case) in several files are merged into one.
#pragma once

#include "client/pages/category-tree.h"

#include <cstdint>
#include <filesystem>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

namespace rv
{

inline constexpr std::string_view DirectoryMagic = "YPF-MWR";

// A directory file's compressed trees are refused above this size; the
// shipped ones are a few kilobytes, and definition files are read only up
// to a megabyte.
inline constexpr std::uint32_t MaxCompressedTreeBytes = std::uint32_t{1} << 20;

struct DirectorySubItem
{
    std::string Name;
    std::filesystem::path File; // the file that defines it
    std::string BaseAddress;    // from the same file; empty: the property's

    bool operator==(const DirectorySubItem&) const = default;
};

struct DirectoryProperty
{
    std::string Name;
    std::vector<DirectorySubItem> SubItems;
    std::vector<std::string> Texts;
    std::string BaseAddress;
    // The file recorded on the property (an empty sub-item), else the first
    // file that defines it.
    std::filesystem::path File;

    bool operator==(const DirectoryProperty&) const = default;
};

enum class DirectoryFileStatus
{
    Ok,
    BadMagic,
    BadVersion,
    Truncated, // the properties before the damaged record are kept
};

struct DirectoryFile
{
    DirectoryFileStatus Status = DirectoryFileStatus::Ok;
    std::vector<DirectoryProperty> Properties; // in file order, not merged
};

// The properties of one file read from `bytes`; `file` is recorded as the
// file of the properties and their sub-items. Only version 1.0 is used.
DirectoryFile ReadDirectoryFile(std::string_view bytes, const std::filesystem::path& file);

// Merges one file's properties into the list: a property whose name is
// already there (ignoring case) adds its sub-items and texts to it, and its
// base address and file where the earlier one had none.
void MergeProperties(std::vector<DirectoryProperty>& into, std::vector<DirectoryProperty> properties);

// The file to read a property's categories from: the file of its first
// sub-item that is not "/", else the property's own file.
std::filesystem::path CategoryFileOf(const DirectoryProperty& property);

// What a directory file holds for one property when it is written.
struct DirectoryPropertyDefinition
{
    std::string Name;
    std::vector<std::string> SubItems; // "" records the file on the property
    std::vector<std::string> Texts;
    std::string BaseAddress;
    CategoryNode Tree; // written compressed when it has nodes
};

// The file bytes for the properties, version 1.0; nothing when a tree does
// not compress.
std::optional<std::string> WriteDirectoryFile(const std::vector<DirectoryPropertyDefinition>& properties);

// The category tree of a property file: every tree record of the file,
// expanded and walked in turn under one root. Accepts major versions up to 1
// with minor version 0. Nothing for a file with another magic or version,
// a cut record, or trees that do not expand or together expand to more
// than MaxExpandedTreeBytes.
std::optional<CategoryNode> ReadCategoryTree(std::string_view bytes);

} // namespace rv
