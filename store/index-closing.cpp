#include "store/index-closing.h"

#include "store/archive-error.h"
#include "store/archive-format.h"

#include <algorithm>
#include <limits>
#include <string>

namespace rv
{

namespace
{

std::string LittleEndian32(std::uint32_t value)
{
    std::string out;
    for (int i = 0; i < 4; ++i)
    {
        out.push_back(static_cast<char>((value >> (8 * i)) & 0xFF));
    }
    return out;
}

void WriteArchive(FileHandle& archive, std::uint64_t offset, std::string_view bytes)
{
    if (!archive.WriteAt(offset, bytes))
    {
        throw ArchiveError(ArchiveErrorKind::Io, "Write Failed");
    }
}

} // namespace

void CloseArchiveIndex(FileHandle& archive, const ClosingIndex& index, const FileHandle& workingIndex,
                       std::uint64_t workingIndexBytes, const std::filesystem::path& workingIndexPath)
{
    if (index.dataEnd > std::numeric_limits<std::uint32_t>::max())
    {
        throw ArchiveError(ArchiveErrorKind::Io, "The archive is too large for an index offset");
    }
    WriteArchive(archive, index.dataEnd, LittleEndian32(index.recordCount.value_or(0xFFFFFFFFu)));
    std::uint64_t position = index.dataEnd + 4;
    std::string piece(CopyPieceBytes, '\0');
    for (std::uint64_t copied = 0; copied < workingIndexBytes;)
    {
        const std::uint64_t wanted = std::min<std::uint64_t>(piece.size(), workingIndexBytes - copied);
        const long long got = workingIndex.ReadAt(copied, piece.data(), static_cast<std::size_t>(wanted));
        if (got <= 0)
        {
            throw ArchiveError(ArchiveErrorKind::Io, "Cannot read the working index " + workingIndexPath.string());
        }
        WriteArchive(archive, position, std::string_view(piece.data(), static_cast<std::size_t>(got)));
        copied += static_cast<std::uint64_t>(got);
        position += static_cast<std::uint64_t>(got);
    }
    WriteArchive(archive, position, std::string(2, '\0'));
    WriteArchive(archive, index.offsetField, LittleEndian32(static_cast<std::uint32_t>(index.dataEnd)));
}

} // namespace rv
