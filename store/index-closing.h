// Closing an archive's index: the last step of writing an archive, taken by
// the writer's Close and by the page server when it completes an archive a
// killed run left without index.
//
// At the end of the page data it writes the record count, copies the
// working index (compressed record blocks, ".ndx") from its start, ends the
// block list with a 16-bit 0 and writes the index offset into the header
// last, so that an archive whose closing was cut short still says it has
// no index and can be completed from its working files.
//
// The files are given open: the caller decides how they are opened and
// checked, and deletes the working files afterwards.
//
// Errors: throws rv::ArchiveError of kind Io (archive-error.h), with the
// text "Write Failed" for a short write to the archive.
#pragma once

#include "store/file-handle.h"

#include <cstdint>
#include <filesystem>
#include <optional>

namespace rv
{

struct ClosingIndex
{
    // Where the header keeps the index offset, and where the index starts
    // (the end of the page data; below 4 GiB).
    std::uint64_t offsetField = 0;
    std::uint64_t dataEnd = 0;
    // The number of records in the working index; none when the closer does
    // not know it: -1 is written, and readers take the records up to the
    // closing 0.
    std::optional<std::uint32_t> recordCount;
};

// workingIndexBytes: how much of the working index holds blocks; its path
// names it in error texts.
void CloseArchiveIndex(FileHandle& archive, const ClosingIndex& index, const FileHandle& workingIndex,
                       std::uint64_t workingIndexBytes, const std::filesystem::path& workingIndexPath);

} // namespace rv
