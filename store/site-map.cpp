#include "store/site-map.h"

#include <string>
#include <system_error>

namespace rv
{

std::filesystem::path SiteMapFileName(const std::filesystem::path& archiveName)
{
    std::filesystem::path name = archiveName;
    name.replace_extension(".smp");
    return name;
}

TSiteMap::TSiteMap(const std::filesystem::path& archiveName) : fileName_(SiteMapFileName(archiveName)) {}

TSiteMap::~TSiteMap() = default;

void TSiteMap::AddNote(std::string_view title, std::string_view url, std::string_view group, std::string_view note,
                       std::uint8_t kind, std::optional<std::string_view> anchor)
{
    std::string address(url);
    if (anchor)
    {
        address.append("#").append(*anchor);
    }
    const std::size_t hash = address.find('#');
    const std::string_view fragment =
        hash == std::string::npos ? std::string_view() : std::string_view(address).substr(hash + 1);
    Append(EncodeSiteMapRecord(group, title, address, fragment, kind, note));
}

void TSiteMap::AddEntryNote(std::string_view group)
{
    Append(EncodeSiteMapRecord(group, {}, {}, {}, 0, {}));
}

void TSiteMap::OpenForFirstNote()
{
    file_.open(fileName_, std::ios::in | std::ios::out | std::ios::binary | std::ios::trunc);
    if (!file_.is_open())
    {
        throw SiteMapError("cannot create the site-map file " + fileName_.string());
    }
    writePosition_ = 0;
    readPosition_ = 0;
    written_ = 0;
    read_ = 0;
    atWriteEnd_ = false;
}

void TSiteMap::Append(const std::string& bytes)
{
    std::lock_guard guard(lock_);
    if (!file_.is_open())
    {
        OpenForFirstNote();
    }
    file_.clear();
    if (!atWriteEnd_)
    {
        file_.seekp(static_cast<std::streamoff>(writePosition_));
    }
    atWriteEnd_ = false;
    file_.write(bytes.data(), static_cast<std::streamsize>(bytes.size()));
    // Flushed at once so that the server finds every finished note even when
    // this program ends abruptly.
    file_.flush();
    if (!file_)
    {
        file_.clear();
        throw SiteMapError("cannot write the site-map file " + fileName_.string());
    }
    writePosition_ += bytes.size();
    ++written_;
    atWriteEnd_ = true; // the next note needs no seek
}

std::uint64_t TSiteMap::ReadRecord(std::uint64_t offset, std::uint64_t available, SiteMapRecord& record)
{
    atWriteEnd_ = false;
    file_.clear();
    file_.seekg(static_cast<std::streamoff>(offset));
    if (!file_)
    {
        file_.clear();
        throw SiteMapError("cannot read the site-map file " + fileName_.string());
    }
    std::uint64_t used = 0;
    SiteMapReadStatus status = SiteMapReadStatus::End;
    try
    {
        status = ReadSiteMapRecord(file_, available, record, used);
    }
    catch (const SiteMapError&)
    {
        file_.clear();
        throw;
    }
    if (status != SiteMapReadStatus::Record)
    {
        throw SiteMapError("the site-map file " + fileName_.string() + " was changed by someone else");
    }
    return used;
}

std::unique_ptr<TOCNode> TSiteMap::Next(std::uint64_t* offset)
{
    std::lock_guard guard(lock_);
    if (read_ >= written_)
    {
        return nullptr;
    }
    auto node = std::make_unique<TOCNode>();
    if (offset)
    {
        *offset = readPosition_;
    }
    readPosition_ += ReadRecord(readPosition_, writePosition_ - readPosition_, *node);
    ++read_;
    return node;
}

SiteMapRecord TSiteMap::ReadAt(std::uint64_t offset)
{
    std::lock_guard guard(lock_);
    if (offset >= writePosition_)
    {
        throw SiteMapError("no record at " + std::to_string(offset) + " in the site-map file " + fileName_.string());
    }
    SiteMapRecord record;
    ReadRecord(offset, writePosition_ - offset, record);
    return record;
}

std::size_t TSiteMap::Written() const
{
    std::lock_guard guard(lock_);
    return written_;
}

std::size_t TSiteMap::Unread() const
{
    std::lock_guard guard(lock_);
    return written_ - read_;
}

void TSiteMap::Destroy()
{
    std::lock_guard guard(lock_);
    if (file_.is_open())
    {
        file_.close();
    }
    file_.clear();
    writePosition_ = 0;
    readPosition_ = 0;
    written_ = 0;
    read_ = 0;
    std::error_code error;
    std::filesystem::remove(fileName_, error);
    if (error)
    {
        throw SiteMapError("cannot delete the site-map file " + fileName_.string() + ": " + error.message());
    }
}

} // namespace rv
