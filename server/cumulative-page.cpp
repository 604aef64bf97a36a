#include "server/cumulative-page.h"

#include "server/open-briefs.h"
#include "server/page-decoration.h"
#include "store/server-address.h"

#include <filesystem>
#include <fstream>
#include <sstream>
#include <vector>

namespace rv
{
namespace
{

// A catalogue is a few kilobytes; a larger file is not one.
constexpr std::uintmax_t MaxCatalogueBytes = std::uintmax_t{16} << 20;

struct CatalogueItem
{
    std::string fragment;
    std::string archiveFile;
};

struct Catalogue
{
    std::string briefName;
    std::string information;
    std::vector<std::vector<CatalogueItem>> entries;
};

// Reads counted texts and 16-bit counts, refusing any length that runs past
// the end of the bytes.
class CatalogueBytes
{
public:
    explicit CatalogueBytes(std::string_view bytes) : bytes_(bytes) {}

    bool Count(std::size_t& value)
    {
        if (bytes_.size() - pos_ < 2)
            return false;
        value = static_cast<unsigned char>(bytes_[pos_]) | (static_cast<unsigned char>(bytes_[pos_ + 1]) << 8);
        pos_ += 2;
        return true;
    }

    bool Text(std::string& value)
    {
        std::size_t length = 0;
        if (!Count(length) || bytes_.size() - pos_ < length)
            return false;
        value.assign(bytes_.substr(pos_, length));
        pos_ += length;
        return true;
    }

private:
    std::string_view bytes_;
    std::size_t pos_ = 0;
};

std::optional<Catalogue> ReadCatalogue(const std::filesystem::path& path)
{
    std::error_code ec;
    if (!std::filesystem::is_regular_file(path, ec) || std::filesystem::file_size(path, ec) > MaxCatalogueBytes)
        return std::nullopt;
    std::ifstream in(path, std::ios::binary);
    std::ostringstream raw;
    raw << in.rdbuf();
    const std::string bytes = std::move(raw).str();
    CatalogueBytes reader(bytes);
    Catalogue catalogue;
    std::size_t archives = 0;
    std::string ignored;
    if (!reader.Count(archives))
        return std::nullopt;
    for (std::size_t i = 0; i < archives; ++i)
    {
        if (!reader.Text(ignored) || !reader.Text(ignored))
            return std::nullopt;
    }
    std::size_t entries = 0;
    if (!reader.Text(catalogue.briefName) || !reader.Text(catalogue.information) || !reader.Count(entries))
        return std::nullopt;
    for (std::size_t e = 0; e < entries; ++e)
    {
        std::size_t items = 0;
        if (!reader.Count(items))
            return std::nullopt;
        std::vector<CatalogueItem>& list = catalogue.entries.emplace_back();
        for (std::size_t i = 0; i < items; ++i)
        {
            CatalogueItem item;
            if (!reader.Text(item.fragment) || !reader.Text(item.archiveFile))
                return std::nullopt;
            list.push_back(std::move(item));
        }
    }
    return catalogue;
}

// "Briefs/News.12-7-99.4h05m09s.rvd" -> "Briefs/News.cat": an archive of a
// retrieval carries the date and time between the brief's name and ".rvd".
std::filesystem::path CataloguePathOf(const std::filesystem::path& archive)
{
    std::string stem = archive.stem().string();
    for (int part = 0; part < 2; ++part)
    {
        const std::size_t dot = stem.rfind('.');
        if (dot == std::string::npos || dot == 0)
            break;
        stem.resize(dot);
    }
    return archive.parent_path() / (stem + ".cat");
}

std::string Banner(const Catalogue& catalogue)
{
    std::string out = "<p><img src=\"RavelinBar\" width=402 height=43 alt=\"Ravelin Pro\">\r\n"
                      "<p><font size=5><b>\r\nBrief: </b>" +
                      catalogue.briefName + "\r\n</font><br>\r\n";
    if (!catalogue.information.empty())
        out += "<font size=3><b>\r\n Brief Information: </b>\r\n" + catalogue.information;
    return out + "</font><font size=1><br></font><hr size=3>\r\n";
}

std::string ReplaceAllText(std::string text, std::string_view from, const std::string& to)
{
    for (std::size_t at = text.find(from); at != std::string::npos; at = text.find(from, at + to.size()))
        text.replace(at, from.size(), to);
    return text;
}

} // namespace

std::optional<std::string> DoCumulativePage(std::string_view archiveName, const ServerSettings& settings)
{
    const std::filesystem::path archive = ArchiveFileOf(archiveName);
    const std::optional<Catalogue> catalogue = ReadCatalogue(CataloguePathOf(archive));
    if (!catalogue)
        return std::nullopt;

    std::string body;
    bool first = true;
    for (const std::vector<CatalogueItem>& entry : catalogue->entries)
    {
        for (const CatalogueItem& item : entry)
        {
            const std::filesystem::path file = archive.parent_path() / std::filesystem::path(item.archiveFile).filename();
            std::error_code ec;
            if (!std::filesystem::is_regular_file(file, ec))
                continue;
            if (first)
                body += "<base href=\"" + ServerRootAddress(settings.port) + "\">\r\n<html>\r\n<head>\r\n<title>" +
                        catalogue->briefName +
                        "</title>\r\n</head>\r\n<body bgcolor=#FFFFFF background=\"Background\"><ul>\r\n" + Banner(*catalogue);
            else
                body += "<hr size=1>\r\n";
            first = false;
            // The folder comes from the request: encoded as an address, it
            // cannot end the attribute that the catalogue's fragment puts it in.
            body += ReplaceAllText(item.fragment, "%%%%s",
                                   HtmlAttribute(PercentEncodePath(ArchiveAddressPath(file.string())) + "/cumulative"));
            break;
        }
    }
    if (first)
        return std::nullopt;
    // A status line, so that browsers take the page as HTTP/1.0 and not as a
    // headerless answer, which they refuse on ports other than 80.
    return "HTTP/1.0 200\r\nContent-Type: text/html\r\n\r\n" + body +
           "<hr size=4><br>Ravelin Pro keeps your briefs for reading off-line.<p>\r\n</body></ul>\r\n</html>\r\n";
}

} // namespace rv
