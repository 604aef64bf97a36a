// SiteMapReader: reads a whole site-map file from its start to its end.
//
// The server uses it to rebuild the site maps of an archive that the client
// left unfinished. Such a file may end in the middle of a record (the writer
// was stopped mid-write) or hold damaged bytes; the reader then stops at the
// last complete record and reports how the file ended. Every length is
// checked against the bytes the file still holds before anything is reserved
// for it, so a damaged length cannot make the reader allocate more than the
// file's size. Opening or reading failures throw SiteMapError.
//
// Not thread-safe: one thread uses a reader at a time.
#pragma once

#include "store/site-map-record.h"

#include <cstddef>
#include <cstdint>
#include <filesystem>
#include <fstream>
#include <istream>
#include <memory>
#include <vector>

namespace rv
{

class SiteMapReader
{
public:
    // Opens the file; throws SiteMapError when it cannot be opened.
    explicit SiteMapReader(const std::filesystem::path& path);
    // Reads `in` from its current position to its end. `in` must outlive the reader.
    explicit SiteMapReader(std::istream& in);

    // Reads the next record; false once the file holds no further complete record.
    bool Next(SiteMapRecord& record);

    // After Next returned false: End when the file ended after a complete
    // record, else Truncated or Malformed. Record while reading goes on.
    SiteMapReadStatus Ending() const { return ending_; }
    // The bytes taken by the complete records read so far.
    std::uint64_t CompleteBytes() const { return complete_; }

private:
    void MeasureRest();

    std::unique_ptr<std::ifstream> file_;
    std::istream* in_ = nullptr;
    std::uint64_t available_ = 0;
    std::uint64_t complete_ = 0;
    SiteMapReadStatus ending_ = SiteMapReadStatus::Record;
};

struct SiteMapFileContents
{
    std::vector<SiteMapRecord> Records; // the complete records, in file order
    SiteMapReadStatus Ending = SiteMapReadStatus::End;
};

// Reads every complete record of a site-map file.
SiteMapFileContents ReadSiteMapFile(const std::filesystem::path& path);

} // namespace rv
