#include "store/site-map-reader.h"

#include <utility>

namespace rv
{

SiteMapReader::SiteMapReader(const std::filesystem::path& path)
    : file_(std::make_unique<std::ifstream>(path, std::ios::binary)), in_(file_.get())
{
    if (!file_->is_open())
    {
        throw SiteMapError("cannot open the site-map file " + path.string());
    }
    MeasureRest();
}

SiteMapReader::SiteMapReader(std::istream& in) : in_(&in)
{
    MeasureRest();
}

void SiteMapReader::MeasureRest()
{
    const std::istream::pos_type start = in_->tellg();
    in_->seekg(0, std::ios::end);
    const std::istream::pos_type end = in_->tellg();
    in_->seekg(start);
    if (!*in_ || start < 0 || end < start)
    {
        throw SiteMapError("cannot read the site-map file");
    }
    available_ = static_cast<std::uint64_t>(end - start);
}

bool SiteMapReader::Next(SiteMapRecord& record)
{
    if (ending_ != SiteMapReadStatus::Record)
    {
        return false;
    }
    std::uint64_t used = 0;
    const SiteMapReadStatus status = ReadSiteMapRecord(*in_, available_, record, used);
    if (status != SiteMapReadStatus::Record)
    {
        ending_ = status;
        return false;
    }
    available_ -= used;
    complete_ += used;
    return true;
}

SiteMapFileContents ReadSiteMapFile(const std::filesystem::path& path)
{
    SiteMapReader reader(path);
    SiteMapFileContents contents;
    SiteMapRecord record;
    while (reader.Next(record))
    {
        contents.Records.push_back(std::move(record));
        record = SiteMapRecord();
    }
    contents.Ending = reader.Ending();
    return contents;
}

} // namespace rv
