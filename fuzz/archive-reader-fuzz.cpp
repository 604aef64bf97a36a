// Opens the input as an archive, reads its index and every stored page, the
// way the page server and the packaging tool do.
#include "store/archive-reader.h"

#include <cstdint>
#include <string>

namespace
{

// Enough to reach every part of a small archive, small enough to keep each
// run fast: an index block may expand to a megabyte of records.
constexpr std::size_t MaxRecords = 2000;
constexpr std::size_t MaxPageBytes = std::size_t{1} << 20;
// Many records may name the same large page; stop reading pages after this.
constexpr std::size_t MaxBytesPerInput = std::size_t{16} << 20;

struct TooManyRecords
{
};

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size)
{
    try
    {
        const rv::ArchiveReader reader = rv::ArchiveReader::FromBytes(std::string(reinterpret_cast<const char*>(data), size));
        std::vector<rv::IndexRecord> records;
        try
        {
            reader.ReadIndex(
                [&records](rv::IndexRecord&& record)
                {
                    if (records.size() == MaxRecords)
                    {
                        throw TooManyRecords{};
                    }
                    records.push_back(std::move(record));
                });
        }
        catch (const rv::ArchiveError&)
        {
            // Keep the records read before the fault, as the server does.
        }
        catch (const TooManyRecords&)
        {
        }
        std::size_t total = 0;
        for (const rv::IndexRecord& record : records)
        {
            if (total > MaxBytesPerInput)
            {
                break;
            }
            try
            {
                reader.ForEachPageBlock(
                    record, [&total](std::string_view plain) { total += plain.size(); }, MaxPageBytes);
                reader.ReadStoredBytes(record);
            }
            catch (const rv::ArchiveError&)
            {
            }
        }
    }
    catch (const rv::ArchiveError&)
    {
    }
    return 0;
}
