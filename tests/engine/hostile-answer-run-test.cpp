// Whole brief runs against origins whose answers try to turn the client
// against its user: local files named from the network, credentials led to
// other hosts, schemes the client does not speak, content on other hosts.
#include "client/briefs/brief.h"
#include "client/engine/internal/fetch.h"
#include "client/engine/internal/run-driver.h"
#include "store/archive-reader.h"
#include "tests/support/core-application.h"
#include "tests/support/origin-server.h"
#include "tests/support/run-to-end.h"
#include "tests/support/sandbox.h"

#include <gtest/gtest.h>
#include <map>

namespace rv
{
namespace
{

std::string Answer(const std::string& head, const std::string& body = {})
{
    return head + "\r\nContent-Type: text/html\r\nContent-Length: " + std::to_string(body.size()) + "\r\n\r\n" + body;
}

std::string Page(const std::string& body)
{
    return Answer("HTTP/1.0 200 OK", "<html><body>" + body + "</body></html>");
}

std::string Redirect(const std::string& location)
{
    return Answer("HTTP/1.0 302 Found\r\nLocation: " + location);
}

std::string Address(const test::OriginServer& origin, const char* host = "127.0.0.1")
{
    return std::string(host) + ":" + std::to_string(origin.Port());
}

class HostileAnswerRunTest : public test::SandboxedTest
{
protected:
    static void SetUpTestSuite() { test::EnsureCoreApplication(); }

    void SetUp() override
    {
        SandboxedTest::SetUp();
        settings.ProgramFolder = Dir();
        settings.Retries = 1;
        entry = MakeEntry(EntryKind::Web);
        entry.EntryName = "Entry";
        entry.SpiderDepth = 2;
    }

    // Runs a brief of the one entry; the stored pages by key.
    std::map<std::string, std::string> Run(const std::string& url)
    {
        TBrief brief;
        brief.BriefName = "Hostile";
        entry.URL = url;
        brief.Entries.Insert(entry, 0);
        test::OutcomeObserver observer;
        RunDriver driver(settings, observer);
        EXPECT_TRUE(test::RunToEnd(driver, brief));
        inaccessible = observer.last.Inaccessible;
        std::map<std::string, std::string> pages;
        if (brief.ArchiveFiles.size() != 1)
            return pages;
        ArchiveReader reader = ArchiveReader::OpenFile(Dir() / brief.ArchiveFiles[0]);
        for (const IndexRecord& record : reader.ReadIndex())
            if (record.Offset > 0)
                pages[record.Key] = reader.ReadPage(record);
        return pages;
    }

    RetrievalSettings settings;
    TWebPage entry;
    bool inaccessible = false;
};

// Every way a network page can spell a local file: none is read.
TEST_F(HostileAnswerRunTest, NetworkPagesNeverMakeTheClientReadALocalFile)
{
    test::WriteFile(PathOf("secret.txt"), "local secret 5821");
    const std::string secret = PathOf("secret.txt").string();
    const struct
    {
        const char* name;
        std::string answer;
    } cases[] = {
        {"redirect to http drive", Redirect("http://c:" + secret)},
        {"redirect to file drive", Redirect("file://c|" + secret)},
        {"image at http drive", Page("<img src=\"http://c|" + secret + "\">")},
        {"image at scheme-relative drive", Page("<img src=\"//c:" + secret + "\">")},
        {"link to scheme-relative drive", Page("<a href=\"//c:" + secret + "\">x</a>")},
    };
    for (const auto& c : cases)
    {
        SCOPED_TRACE(c.name);
        test::OriginServer origin({{c.answer}});
        entry.LocalOnly = false;
        for (const auto& [key, page] : Run("http://" + Address(origin) + "/"))
            EXPECT_EQ(page.find("local secret"), std::string::npos) << key;
    }
    // The user's own local page still leads to the file beside it.
    test::WriteFile(PathOf("local.htm"), "<html><body><a href=\"secret.txt\">x</a></body></html>");
    bool read = false;
    for (const auto& [key, page] : Run("file://" + PathOf("local.htm").string()))
        read = read || page.find("local secret") != std::string::npos;
    EXPECT_TRUE(read);
}

// The entry's credentials reach only its own host and port: not a host its
// page embeds from, nor one it redirects to.
TEST_F(HostileAnswerRunTest, CredentialsStayWithTheEntrysHostAndPort)
{
    entry.UserName = "ann";
    entry.Password = "secret";
    entry.LocalOnly = false;
    for (bool redirect : {false, true})
    {
        SCOPED_TRACE(redirect ? "redirect" : "embedded image");
        test::OriginServer other({{Page("other host")}}, "127.0.0.2");
        const std::string target = "http://" + Address(other, "127.0.0.2") + "/i.gif";
        test::OriginServer origin({{redirect ? Redirect(target) : Page("<img src=\"" + target + "\">")}});
        Run("http://" + Address(origin) + "/");
        ASSERT_FALSE(origin.Requests().empty());
        EXPECT_NE(origin.Requests()[0].find("Authorization: Basic"), std::string::npos);
        ASSERT_FALSE(other.Requests().empty());
        for (const std::string& request : other.Requests())
            EXPECT_EQ(request.find("Authorization"), std::string::npos) << request;
    }
}

TEST_F(HostileAnswerRunTest, EntriesOfOtherSchemesAreNotFetchedOverHttp)
{
    test::OriginServer origin({{Page("answered over http")}});
    for (const char* scheme : {"ftp://", "gopher://"})
    {
        SCOPED_TRACE(scheme);
        auto pages = Run(scheme + Address(origin) + "/file.txt");
        EXPECT_TRUE(inaccessible);
        bool explained = false;
        for (const auto& [key, page] : pages)
            explained = explained || page.find("Ravelin Pro was unable to load") != std::string::npos;
        EXPECT_TRUE(explained);
    }
    EXPECT_EQ(origin.Connections(), 0);
}

// Embedded content is exempt from the rule that keeps an entry on its site.
TEST_F(HostileAnswerRunTest, ImagesOnAnotherHostArriveWhenTheEntryStaysOnItsSite)
{
    test::OriginServer cdn({{Answer("HTTP/1.0 200 OK\r\nContent-Type: image/gif", "GIF89a image bytes")}}, "127.0.0.2");
    const std::string image = Address(cdn, "127.0.0.2") + "/logo.gif";
    test::OriginServer origin({{Page("<img src=\"http://" + image + "\">")}});
    entry.LocalOnly = true;
    auto pages = Run("http://" + Address(origin) + "/");
    ASSERT_TRUE(pages.count(image));
    EXPECT_NE(pages[image].find("GIF89a image bytes"), std::string::npos) << pages[image];
    EXPECT_EQ(cdn.Connections(), 1);
}

// A redirect target keeps every scheme but "http": an "https" one stays on
// TLS and a "file:" one is never taken for a network address.
TEST(ResolveLocation, KeepsTheSchemesThatDecideHowTheTargetIsFetched)
{
    const struct
    {
        const char* current;
        const char* location;
        const char* target;
    } cases[] = {
        {"http://a.example/x/p.html", "https://a.example/q.html", "https://a.example/q.html"},
        {"https://a.example/x/p.html", "/q.html", "https://a.example/q.html"},
        {"https://a.example/x/p.html", "q.html", "https://a.example/x/q.html"},
        {"a.example/x/p.html", "http://b.example/q.html", "b.example/q.html"},
        {"a.example/x/p.html", "file://c|/etc/passwd", "file://c|/etc/passwd"},
    };
    for (const auto& c : cases)
        EXPECT_EQ(ResolveLocation(c.current, c.location), c.target) << c.current << " " << c.location;
}

} // namespace
} // namespace rv
