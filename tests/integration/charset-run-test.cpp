// Pages in other character sets, read back from a real run: RVClient
// retrieves one page from each origin, each declaring its character set in
// its own way, and RVServer serves them with the header bar. The browser
// must decode the served page as it decoded the original: the Content-Type
// names the character set that won there, and the server adds no byte of its
// own beyond ASCII.
#include "client/briefs/brief-store.h"
#include "client/briefs/brief.h"
#include "store/archive-reader.h"
#include "tests/integration/generate-archive.h"
#include "tests/support/nginx-server.h"
#include "tests/support/origin-server.h"
#include "tests/support/served-page.h"

#include <algorithm>
#include <gtest/gtest.h>
#include <memory>

namespace rv
{
namespace
{

struct Case
{
    const char* name;
    std::string originType;
    std::string body;
    std::string servedType;
};

const Case Cases[] = {
    {"header only", "text/html; charset=windows-1252", "<html><body>Caf\xE9 cr\xE8me</body></html>",
     "text/html; charset=windows-1252"},
    {"meta charset", "text/html",
     "<html><head><meta charset=\"Shift_JIS\"><title>Nihon</title></head><body>\x93\xFA\x96\x7B</body></html>",
     "text/html; charset=shift_jis"},
    {"meta http-equiv", "text/html",
     "<html><head><meta http-equiv=\"Content-Type\" content=\"text/html; charset=ISO-8859-2\"></head>"
     "<body>\xB1\xB3</body></html>",
     "text/html; charset=iso-8859-2"},
    {"header beats meta", "text/html; charset=UTF-8",
     "<html><head><meta charset=windows-1252></head><body>\xC3\xA9t\xC3\xA9</body></html>", "text/html; charset=utf-8"},
    {"byte-order mark beats header", "text/html; charset=windows-1252", "\xEF\xBB\xBF<html><body>\xC3\xA9</body></html>",
     "text/html; charset=utf-8"},
    {"upper-case tags, a title's text passed over", "text/html",
     "<HTML><HEAD><TITLE><meta charset=utf-8></Title><META CHARSET=KOI8-R></HEAD><BODY>\xF0</BODY></HTML>",
     "text/html; charset=koi8-r"},
    {"meta in the body's first kilobyte", "text/html", "<html><body>x<meta charset=koi8-r>\xF0</body></html>",
     "text/html; charset=koi8-r"},
    {"meta in the body after the first kilobyte", "text/html",
     "<html><body>" + std::string(1100, 'x') + "<meta charset=koi8-r>\xF0</body></html>", "text/html"},
    {"unusable name", "text/html; charset=\"a<b>\"", "<html><body>\xE9</body></html>", "text/html"},
    {"plain text", "text/plain; charset=koi8-r", "\xF0\xD2\xC9\xD7\xC5\xD4", "text/html; charset=koi8-r"},
};

std::size_t NonAscii(std::string_view bytes)
{
    return static_cast<std::size_t>(std::count_if(bytes.begin(), bytes.end(), [](char c) { return (c & 0x80) != 0; }));
}

class CharsetRunTest : public test::ArchiveInBrowserTest
{
protected:
    void SetUp() override
    {
        ArchiveInBrowserTest::SetUp();
        Prepare("Display%20Header=Yes\n", "charset-run");
    }

    // The server's whole answer to a request for a page of an archive.
    std::string Get(const std::string& archive, const std::string& page)
    {
        return test::ServedPage(static_cast<std::uint16_t>(port), archive, page);
    }
};

TEST_F(CharsetRunTest, ServedPageNamesTheCharacterSetTheOriginalWasReadIn)
{
    std::vector<std::unique_ptr<test::OriginServer>> origins;
    TBrief brief;
    SetBriefPath(brief, PathOf("Charsets.brf").string());
    brief.BriefName = "Charsets";
    for (const Case& row : Cases)
    {
        const std::string reply = "HTTP/1.0 200 OK\r\nContent-Type: " + row.originType +
                                  "\r\nContent-Length: " + std::to_string(row.body.size()) + "\r\n\r\n" + row.body;
        origins.push_back(std::make_unique<test::OriginServer>(std::vector<test::OriginReply>{{reply}}));
        TWebPage entry = MakeEntry(EntryKind::Web);
        entry.EntryName = row.name;
        entry.NameSet = true;
        entry.URL = "http://127.0.0.1:" + std::to_string(origins.back()->Port()) + "/page.html";
        entry.SpiderDepth = 1;
        brief.Entries.Insert(entry, brief.Entries.Count());
    }
    ASSERT_EQ(SaveBrief(brief, false), SaveStatus::Saved);
    std::string archive;
    ASSERT_TRUE(test::GenerateArchive(brief.FilePath, archive));

    ASSERT_TRUE(StartServer());

    const std::vector<IndexRecord> index = ArchiveReader::OpenFile(archive).ReadIndex();
    for (std::size_t i = 0; i < std::size(Cases); ++i)
    {
        const Case& row = Cases[i];
        SCOPED_TRACE(row.name);
        const std::string origin = std::to_string(origins[i]->Port()) + "/page.html";
        const auto record = std::find_if(index.begin(), index.end(),
                                         [&](const IndexRecord& r) { return r.Offset > 0 && r.Key.ends_with(origin); });
        ASSERT_NE(record, index.end());
        const std::string answer = Get(archive, std::to_string(i) + "/" + record->Key);
        const std::size_t headEnd = answer.find("\r\n\r\n");
        ASSERT_NE(headEnd, std::string::npos) << answer;
        EXPECT_EQ(answer.substr(0, headEnd), "HTTP/1.0 200\r\nContent-Type: " + row.servedType) << answer;
        // The page's own bytes arrive as they came; nothing the server adds
        // can be read differently in another character set.
        const std::string text = row.body.substr(row.body.find_first_of("\x80\x93\xB1\xC3\xE9\xEF\xF0"), 2);
        EXPECT_NE(answer.find(text), std::string::npos) << answer;
        EXPECT_EQ(NonAscii(answer), NonAscii(row.body)) << answer;
    }
}

} // namespace
} // namespace rv
