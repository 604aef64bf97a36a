// A brief run over a real documentation site served by nginx: every address
// in every stored page must lead somewhere the local server can answer, every
// page is stored whole, and the pages stored are exactly those the depth
// reaches, counted here from the files themselves.
#include "client/briefs/brief-store.h"
#include "client/briefs/brief.h"
#include "client/engine/internal/run-driver.h"
#include "client/pages/html-entities.h"
#include "store/archive-reader.h"
#include "tests/support/core-application.h"
#include "tests/support/nginx-server.h"
#include "tests/support/run-to-end.h"
#include "tests/support/sandbox.h"

#include <algorithm>
#include <cctype>
#include <gtest/gtest.h>
#include <optional>
#include <set>

namespace rv
{
namespace
{

const std::filesystem::path DocumentationFolder = "/usr/share/doc/python3-doc/html";

class RealSiteRunTest : public test::SandboxedTest
{
protected:
    static void SetUpTestSuite() { test::EnsureCoreApplication(); }
};

// The value of an attribute that starts at `at` (just after its name), or
// nothing when no "=" follows.
std::optional<std::string> ValueAt(const std::string& tag, std::size_t at)
{
    while (at < tag.size() && std::isspace(static_cast<unsigned char>(tag[at])))
        ++at;
    if (at >= tag.size() || tag[at] != '=')
        return std::nullopt;
    ++at;
    while (at < tag.size() && std::isspace(static_cast<unsigned char>(tag[at])))
        ++at;
    if (at < tag.size() && (tag[at] == '"' || tag[at] == '\''))
    {
        const std::size_t close = tag.find(tag[at], at + 1);
        return tag.substr(at + 1, (close == std::string::npos ? tag.size() : close) - at - 1);
    }
    std::size_t end = at;
    while (end < tag.size() && !std::isspace(static_cast<unsigned char>(tag[end])))
        ++end;
    return tag.substr(at, end - at);
}

// Values of href and src attributes in the tags of a stored page, as the
// browser reads them (character references decoded).
std::vector<std::string> AddressesIn(const std::string& page)
{
    std::vector<std::string> values;
    for (std::size_t open = page.find('<'); open != std::string::npos; open = page.find('<', open + 1))
    {
        const std::size_t close = page.find('>', open);
        if (close == std::string::npos)
            break;
        const std::string tag = page.substr(open, close - open);
        std::string lower = tag;
        std::transform(lower.begin(), lower.end(), lower.begin(), [](unsigned char c) { return std::tolower(c); });
        for (std::size_t i = 1; i < lower.size(); ++i)
        {
            if (!std::isspace(static_cast<unsigned char>(lower[i - 1])))
                continue;
            for (const std::string_view name : {std::string_view("href"), std::string_view("src")})
                if (lower.compare(i, name.size(), name) == 0)
                    if (std::optional<std::string> value = ValueAt(tag, i + name.size()))
                        values.push_back(DecodeEntities(*value));
        }
    }
    return values;
}

bool HasOtherScheme(std::string_view value)
{
    const std::size_t colon = value.find(':');
    if (colon == std::string_view::npos || colon < 2)
        return false;
    const std::string_view scheme = value.substr(0, colon);
    if (scheme.find_first_of("/.?#&") != std::string_view::npos)
        return false;
    return scheme != "http" && scheme != "HTTP";
}

// The key the local server looks a stored link up under.
std::string KeyOf(std::string value)
{
    if (value.starts_with("-/\\"))
        value.erase(0, 3);
    for (std::size_t at; (at = value.find("&colon;")) != std::string::npos;)
        value.replace(at, 7, ":");
    return value.substr(0, value.find('#'));
}

// The targets of the page links (a, area, frame, iframe) of an HTML text.
std::vector<std::string> PageLinksIn(const std::string& page)
{
    std::vector<std::string> values;
    for (std::size_t open = page.find('<'); open != std::string::npos; open = page.find('<', open + 1))
    {
        const std::size_t close = page.find('>', open);
        if (close == std::string::npos)
            break;
        std::string tag = page.substr(open, close - open);
        std::transform(tag.begin(), tag.end(), tag.begin(), [](unsigned char c) { return std::tolower(c); });
        const std::size_t nameEnd = std::min(tag.find_first_of(" \t\r\n"), tag.size());
        const std::string name = tag.substr(1, nameEnd - 1);
        if (name != "a" && name != "area" && name != "frame" && name != "iframe")
            continue;
        const std::string attribute = name == "a" || name == "area" ? " href" : " src";
        for (std::size_t at = nameEnd; (at = tag.find(attribute.substr(1), at)) != std::string::npos; ++at)
            if (std::isspace(static_cast<unsigned char>(tag[at - 1])))
                if (std::optional<std::string> value = ValueAt(page.substr(open, close - open), at + attribute.size() - 1))
                {
                    values.push_back(DecodeEntities(*value));
                    break;
                }
    }
    return values;
}

// A link target of the page at `from` (a path in the site) as a path in the
// site; nothing for other schemes, jumps within a page and other hosts.
std::optional<std::string> SitePath(const std::string& from, std::string value)
{
    while (!value.empty() && std::isspace(static_cast<unsigned char>(value.front())))
        value.erase(0, 1);
    value = value.substr(0, value.find_first_of("#?"));
    if (value.empty() || HasOtherScheme(value) || value.starts_with("http:") || value.starts_with("//"))
        return std::nullopt;
    std::filesystem::path joined =
        value.starts_with('/') ? std::filesystem::path(value.substr(1)) : std::filesystem::path(from).parent_path() / value;
    std::string path = joined.lexically_normal().generic_string();
    if (path.starts_with(".."))
        return std::nullopt;
    return path;
}

// The site's HTML files that a brief of the given depth reaches from `start`:
// level 1 is the start page, and the links of every page above the last
// level are followed.
std::set<std::string> PagesWithinDepth(const std::filesystem::path& root, const std::string& start, int depth)
{
    std::set<std::string> seen{start};
    std::vector<std::string> level{start};
    for (int at = 1; at < depth; ++at)
    {
        std::vector<std::string> next;
        for (const std::string& page : level)
        {
            if (!page.ends_with(".html") || !std::filesystem::is_regular_file(root / page))
                continue;
            for (const std::string& value : PageLinksIn(test::ReadFile(root / page)))
                if (std::optional<std::string> path = SitePath(page, value); path && seen.insert(*path).second)
                    next.push_back(*path);
        }
        level = std::move(next);
    }
    std::set<std::string> files;
    for (const std::string& path : seen)
        if (path.ends_with(".html") && std::filesystem::is_regular_file(root / path))
            files.insert(path);
    return files;
}

std::string Differences(const std::set<std::string>& expected, const std::set<std::string>& stored)
{
    std::string text;
    for (const std::string& path : expected)
        if (!stored.count(path))
            text += "not stored: " + path + "\n";
    for (const std::string& path : stored)
        if (!expected.count(path))
            text += "beyond the depth: " + path + "\n";
    return text.substr(0, 2000);
}

TEST_F(RealSiteRunTest, EveryAddressInEveryStoredPageLeadsToAnIndexRecord)
{
    if (!std::filesystem::exists(DocumentationFolder / "index.html"))
        GTEST_SKIP() << "python3-doc is not installed";
    std::filesystem::create_directories(PathOf("nginx"));
    std::filesystem::create_directory_symlink(std::filesystem::canonical(DocumentationFolder), PathOf("nginx") / "www");
    test::NginxServer nginx(PathOf("nginx"), "");
    ASSERT_TRUE(nginx.Running());

    RetrievalSettings settings;
    settings.ProgramFolder = Dir();
    RunObserver observer;
    TBrief brief;
    SetBriefPath(brief, PathOf("Docs.brf").string());
    brief.BriefName = "Docs";
    TWebPage entry = MakeEntry(EntryKind::Web);
    entry.EntryName = "Python";
    entry.URL = "http://127.0.0.1:" + std::to_string(nginx.Port()) + "/index.html";
    entry.SpiderDepth = 3;
    entry.Images = true;
    brief.Entries.Insert(entry, 0);
    ASSERT_EQ(SaveBrief(brief, false), SaveStatus::Saved);

    RunDriver driver(settings, observer);
    ASSERT_TRUE(test::RunToEnd(driver, brief, std::chrono::minutes(4))) << "the run did not end within four minutes";
    ASSERT_FALSE(brief.ArchiveFiles.empty());

    ArchiveReader reader = ArchiveReader::OpenFile(std::filesystem::path(brief.Folder) / brief.ArchiveFiles.back());
    const std::vector<IndexRecord> records = reader.ReadIndex();
    std::set<std::string> keys;
    for (const IndexRecord& record : records)
        keys.insert(record.Key);
    auto known = [&](const std::string& key)
    { return keys.count(key) || keys.count(key + "/") || (key.ends_with('/') && keys.count(key.substr(0, key.size() - 1))); };

    std::size_t pages = 0;
    std::size_t checked = 0;
    std::set<std::string> failures;
    std::set<std::string> storedFiles;
    const std::string site = "127.0.0.1:" + std::to_string(nginx.Port()) + "/";
    for (const IndexRecord& record : records)
    {
        const bool special = record.Key == "index" || record.Key.starts_with("TOC") || record.Key.starts_with("Match") ||
                             record.Key.ends_with("KSDiffOrig");
        if (record.Offset <= 0 || special || record.ContentType.find("html") == std::string::npos)
            continue;
        ++pages;
        const std::string page = reader.ReadPage(record);
        const std::string path = record.Key.starts_with(site) ? record.Key.substr(site.size()) : std::string();
        if (!path.empty() && std::filesystem::is_regular_file(DocumentationFolder / path))
        {
            storedFiles.insert(path);
            // Stored whole: the page still ends where the file ends.
            if (test::ReadFile(DocumentationFolder / path).find("</html>") != std::string::npos)
            {
                EXPECT_NE(page.find("</html>"), std::string::npos) << path << " is cut short";
            }
        }
        // The client's explanatory pages show the server's warning image and
        // send the user to the real address.
        const bool explanation = page.find("<img src=\"Warning\" width=64 height=64>") != std::string::npos;
        for (const std::string& value : AddressesIn(page))
        {
            ++checked;
            if (value.starts_with("images/NotLoaded") || value.starts_with("#") || HasOtherScheme(value))
                continue;
            if (explanation && (value == "Warning" || value.starts_with("http://")))
                continue;
            if (!known(KeyOf(value)) && failures.size() < 20)
                failures.insert(record.Key + ": " + value);
        }
    }
    RecordProperty("StoredPages", static_cast<int>(pages));
    RecordProperty("AddressesChecked", static_cast<int>(checked));
    RecordProperty("IndexRecords", static_cast<int>(records.size()));
    EXPECT_GT(pages, 100u);
    EXPECT_GT(checked, 10000u);
    const std::set<std::string> expected = PagesWithinDepth(std::filesystem::canonical(DocumentationFolder), "index.html", 3);
    RecordProperty("PagesWithinDepth", static_cast<int>(expected.size()));
    EXPECT_EQ(storedFiles, expected) << Differences(expected, storedFiles);
    EXPECT_TRUE(failures.empty()) << [&]
    {
        std::string text;
        for (const std::string& failure : failures)
            text += failure + "\n";
        return text;
    }();
}

} // namespace
} // namespace rv
