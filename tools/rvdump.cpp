// Lists a retrieval archive's header and index, or prints one stored page.
//
// Usage: rvdump ARCHIVE         header and one line per index record
//        rvdump ARCHIVE KEY     the plain bytes of the page stored under KEY
#include "store/archive-reader.h"

#include <cstdio>
#include <string>

namespace
{

const char* OffsetMeaning(std::int32_t offset)
{
    switch (offset)
    {
    case rv::OffsetTooDeep:
        return "too deep";
    case rv::OffsetOutOfTree:
        return "outside the tree";
    case rv::OffsetSkipped:
        return "skipped";
    case rv::OffsetExcluded:
        return "excluded";
    default:
        return offset > 0 ? "stored" : "not retrieved";
    }
}

void PrintIndex(const rv::ArchiveReader& reader)
{
    const rv::ArchiveHeader& header = reader.Header();
    std::printf("version %u.%u, %llu bytes, information \"%s\", index at %u\n", header.Version, header.Subversion,
                static_cast<unsigned long long>(reader.Size()), header.Information.c_str(), header.IndexOffset);
    std::printf("%d records\n", reader.IndexRecordCount());
    reader.ReadIndex(
        [](rv::IndexRecord&& r)
        {
            std::printf("%10d %6d  %-16s n=%-4d flags=0x%02X head=%d+%d value=%d  %s  [%s] \"%s\"  %s\n", r.Offset, r.Length,
                        OffsetMeaning(r.Offset), r.Number, r.Flags, r.HeadOffset, r.HeadLength, r.Value, r.ContentType.c_str(),
                        r.Stamp.c_str(), r.Caption.c_str(), r.Key.c_str());
        });
}

int PrintPage(const rv::ArchiveReader& reader, const std::string& key)
{
    for (const rv::IndexRecord& record : reader.ReadIndex())
    {
        if (record.Key == key)
        {
            reader.ForEachPageBlock(record, [](std::string_view plain) { std::fwrite(plain.data(), 1, plain.size(), stdout); });
            return 0;
        }
    }
    std::fprintf(stderr, "rvdump: no record with the key %s\n", key.c_str());
    return 1;
}

} // namespace

int main(int argc, char** argv)
{
    if (argc < 2 || argc > 3)
    {
        std::fprintf(stderr, "usage: rvdump ARCHIVE [KEY]\n");
        return 2;
    }
    try
    {
        const rv::ArchiveReader reader = rv::ArchiveReader::OpenFile(argv[1]);
        if (argc == 3)
        {
            return PrintPage(reader, argv[2]);
        }
        PrintIndex(reader);
        return 0;
    }
    catch (const rv::ArchiveError& error)
    {
        std::fprintf(stderr, "rvdump: %s\n", error.what());
        return 1;
    }
}
