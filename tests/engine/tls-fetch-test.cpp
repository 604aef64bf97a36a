// "https" addresses against nginx on loopback with a certificate made for
// the test: fetched over TLS when the certificate is trusted, refused with
// an explanatory page when it is not.
#include "client/briefs/brief.h"
#include "client/engine/internal/fetch-driver.h"
#include "client/engine/internal/run-driver.h"
#include "store/archive-reader.h"
#include "tests/support/core-application.h"
#include "tests/support/nginx-server.h"
#include "tests/support/run-to-end.h"
#include "tests/support/sandbox.h"

#include <cstdlib>
#include <gtest/gtest.h>
#include <map>

namespace rv
{
namespace
{

using namespace std::chrono_literals;

class TlsFetchTest : public test::SandboxedTest
{
protected:
    static void SetUpTestSuite() { test::EnsureCoreApplication(); }

    void SetUp() override
    {
        SandboxedTest::SetUp();
        settings.ProgramFolder = Dir();
        const std::string command = "openssl req -x509 -newkey rsa:2048 -nodes -days 2 -subj /CN=127.0.0.1"
                                    " -addext subjectAltName=IP:127.0.0.1 -keyout " +
                                    PathOf("key.pem").string() + " -out " + PathOf("cert.pem").string() + " >/dev/null 2>&1";
        ASSERT_EQ(std::system(command.c_str()), 0) << "openssl could not make a certificate";
        tlsPort = test::FreeLoopbackPort();
        nginx = std::make_unique<test::NginxServer>(
            PathOf("nginx"), "  listen 127.0.0.1:" + std::to_string(tlsPort) + " ssl;\n  ssl_certificate " +
                                 PathOf("cert.pem").string() + ";\n  ssl_certificate_key " + PathOf("key.pem").string() +
                                 ";\n  location = /to-tls { return 301 https://127.0.0.1:" + std::to_string(tlsPort) +
                                 "/page.html; }\n");
        ASSERT_TRUE(nginx->Running());
        ASSERT_TRUE(test::WaitForPort(tlsPort, 5000));
        test::WriteFile(nginx->Root() / "page.html", "<html>over TLS</html>");
    }

    // The final request for the address: success and body.
    std::pair<bool, std::string> Fetch(const std::string& url)
    {
        FetchDriver driver(settings, 2);
        driver.Add(FetchDriver::MakeRequest(url));
        std::pair<bool, std::string> result;
        EXPECT_TRUE(driver.Run(30s,
                               [&](RetrievalRequest& request) {
                                   result = {request.Success != 0, std::string(request.Data.View())};
                               }));
        return result;
    }

    RetrievalSettings settings;
    std::uint16_t tlsPort = 0;
    std::unique_ptr<test::NginxServer> nginx;
};

TEST_F(TlsFetchTest, HttpsPageArrivesWhenItsCertificateIsTrusted)
{
    settings.CaCertificatesFile = PathOf("cert.pem").string();
    auto [success, body] = Fetch("https://127.0.0.1:" + std::to_string(tlsPort) + "/page.html");
    EXPECT_TRUE(success);
    EXPECT_NE(body.find("over TLS"), std::string::npos) << body;
}

TEST_F(TlsFetchTest, HttpsPageWithAnUntrustedCertificateEndsAsAFailurePage)
{
    auto [success, body] = Fetch("https://127.0.0.1:" + std::to_string(tlsPort) + "/page.html");
    EXPECT_FALSE(success);
    EXPECT_EQ(body.find("over TLS"), std::string::npos) << body;
}

TEST_F(TlsFetchTest, BriefOnAnHttpsSiteFollowsItsRelativeAndAbsoluteLinks)
{
    const std::string host = "127.0.0.1:" + std::to_string(tlsPort);
    test::WriteFile(nginx->Root() / "index.html",
                    "<html><body><a href=\"a.html\">A</a> <a href=\"https://" + host + "/b.html\">B</a></body></html>");
    test::WriteFile(nginx->Root() / "a.html", "<html><body>page A</body></html>");
    test::WriteFile(nginx->Root() / "b.html", "<html><body>page B</body></html>");
    settings.CaCertificatesFile = PathOf("cert.pem").string();
    TBrief brief;
    brief.BriefName = "Secure";
    TWebPage entry = MakeEntry(EntryKind::Web);
    entry.URL = "https://" + host + "/index.html";
    entry.SpiderDepth = 2;
    brief.Entries.Insert(entry, 0);
    RunObserver observer;
    RunDriver driver(settings, observer);
    ASSERT_TRUE(test::RunToEnd(driver, brief));
    ASSERT_EQ(brief.ArchiveFiles.size(), 1u);

    ArchiveReader reader = ArchiveReader::OpenFile(Dir() / brief.ArchiveFiles[0]);
    std::map<std::string, IndexRecord> records;
    for (IndexRecord& record : reader.ReadIndex())
        records[record.Key] = record;
    for (const char* page : {"/index.html", "/a.html", "/b.html"})
    {
        ASSERT_TRUE(records.count(host + page)) << page;
        ASSERT_GT(records[host + page].Offset, 0) << page;
    }
    EXPECT_NE(reader.ReadPage(records[host + "/a.html"]).find("page A"), std::string::npos);
    EXPECT_NE(reader.ReadPage(records[host + "/b.html"]).find("page B"), std::string::npos);
}

TEST_F(TlsFetchTest, HttpEntryRedirectedToHttpsIsFetchedOverTlsAndStoredUnderItsAddress)
{
    settings.CaCertificatesFile = PathOf("cert.pem").string();
    TBrief brief;
    brief.BriefName = "Upgraded";
    TWebPage entry = MakeEntry(EntryKind::Web);
    entry.URL = "http://127.0.0.1:" + std::to_string(nginx->Port()) + "/to-tls";
    brief.Entries.Insert(entry, 0);
    test::OutcomeObserver observer;
    RunDriver driver(settings, observer);
    ASSERT_TRUE(test::RunToEnd(driver, brief));
    ASSERT_EQ(brief.ArchiveFiles.size(), 1u);
    EXPECT_FALSE(observer.last.Inaccessible);

    ArchiveReader reader = ArchiveReader::OpenFile(Dir() / brief.ArchiveFiles[0]);
    std::string stored;
    for (IndexRecord& record : reader.ReadIndex())
        if (record.Key == "127.0.0.1:" + std::to_string(tlsPort) + "/page.html" && record.Offset > 0)
            stored = reader.ReadPage(record);
    EXPECT_NE(stored.find("over TLS"), std::string::npos) << stored;
}

} // namespace
} // namespace rv
