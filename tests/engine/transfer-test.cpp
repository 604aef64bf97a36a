#include "client/briefs/web-page.h"
#include "client/engine/internal/fetch-driver.h"
#include "client/pages/same-site.h"
#include "client/pages/url-parts.h"
#include "tests/support/core-application.h"
#include "tests/support/nginx-server.h"
#include "tests/support/origin-server.h"
#include "tests/support/sandbox.h"

#include <QCoreApplication>
#include <QTimer>
#include <gtest/gtest.h>
#include <sys/resource.h>

namespace rv
{
namespace
{

using namespace std::chrono_literals;

class TransferTest : public test::SandboxedTest
{
protected:
    static void SetUpTestSuite() { test::EnsureCoreApplication(); }

    void SetUp() override
    {
        SandboxedTest::SetUp();
        settings.ProgramFolder = Dir();
    }

    // Fetches one address and returns the final request's body, status and flags.
    struct Result
    {
        std::string body;
        int status = -1;
        bool success = false;
        std::string type;
        std::int32_t retries = 0;
        std::string tempFileBytes;
        int finals = 0;
    };

    Result FetchOne(std::string url, TWebPage* entry = nullptr, std::chrono::milliseconds limit = 20s)
    {
        FetchDriver driver(settings, 4);
        auto request = FetchDriver::MakeRequest(std::move(url));
        request->Entry = entry;
        driver.Add(std::move(request));
        Result result;
        EXPECT_TRUE(driver.Run(limit,
                               [&](RetrievalRequest& r)
                               {
                                   ++result.finals;
                                   std::string_view view = r.Data.View();
                                   result.body = std::string(view.substr(0, view.empty() ? 0 : view.size() - 1));
                                   result.status = r.Status;
                                   result.success = r.Success;
                                   result.type = r.ContentType;
                                   result.retries = r.Retries;
                                   if (!r.TempFile.Path().empty())
                                       result.tempFileBytes = test::ReadFile(r.TempFile.Path());
                               }));
        return result;
    }

    static std::string Loopback(std::uint16_t port, std::string_view path)
    {
        return "127.0.0.1:" + std::to_string(port) + std::string(path);
    }

    RetrievalSettings settings;
};

TEST_F(TransferTest, SendsTheExactRequestAndKeepsTheAnswer)
{
    test::OriginServer server({{"HTTP/1.0 200 OK\r\nContent-Type: text/html\r\n\r\n<html>hi</html>"}});
    TWebPage entry;
    entry.UserAgent = "Tester/1";
    Result result = FetchOne(Loopback(server.Port(), "/a/b.html#frag"), &entry);
    EXPECT_EQ(result.status, 200);
    EXPECT_TRUE(result.success);
    EXPECT_EQ(result.body, "HTTP/1.0 200 OK\r\nContent-Type: text/html\r\n\r\n<html>hi</html>");
    ASSERT_EQ(server.Requests().size(), 1u);
    EXPECT_EQ(server.Requests()[0], "GET /a/b.html HTTP/1.0\r\nUser-Agent: Tester/1\r\nHost: 127.0.0.1:" +
                                        std::to_string(server.Port()) + "\r\nAccept: */*; q=1\r\n\r\n");
}

TEST_F(TransferTest, AnswersWithoutStatusLineOrBodyBecomeFailures)
{
    {
        test::OriginServer server({{"<html>no status line</html>"}});
        Result result = FetchOne(Loopback(server.Port(), "/"));
        EXPECT_EQ(result.status, 404);
        EXPECT_FALSE(result.success);
    }
    {
        test::OriginServer server({{"H"}});
        Result result = FetchOne(Loopback(server.Port(), "/x"));
        EXPECT_TRUE(result.body.starts_with("HTTP/1.0 888\r\n\r\n<html><title>Inaccessible Page</title>"));
        EXPECT_NE(result.body.find("unable to connect to the server"), std::string::npos);
    }
}

TEST_F(TransferTest, AStatusWorthRetryingIsRetriedWhileAttemptsRemainAndA404IsNot)
{
    test::OriginServer server({{"HTTP/1.0 502 Bad Gateway\r\n\r\nbad"}});
    Result result = FetchOne(Loopback(server.Port(), "/"));
    EXPECT_EQ(server.Connections(), 3);
    EXPECT_EQ(result.status, 502);
    EXPECT_EQ(result.finals, 1);
    EXPECT_NE(result.body.find("The server was unable to respond to the request."), std::string::npos);

    test::OriginServer missing({{"HTTP/1.0 404 Not Found\r\n\r\n<html>404 Not Found</html>"}});
    Result gone = FetchOne(Loopback(missing.Port(), "/"));
    EXPECT_EQ(missing.Connections(), 1);
    EXPECT_NE(gone.body.find("unable to find or deliver"), std::string::npos);
}

// The server answers and closes while another thread is looking at the
// request: the answer must not be ended under it, only once it lets go.
TEST_F(TransferTest, AClosedConnectionIsEndedOnlyWhenTheRequestIsFree)
{
    test::OriginServer server({{"HTTP/1.0 200 OK\r\nContent-Type: text/html\r\n\r\n<html>whole</html>"}});
    FetchDriver driver(settings, 1);
    auto request = FetchDriver::MakeRequest(Loopback(server.Port(), "/"));
    RetrievalRequest& watched = *request;
    driver.Add(std::move(request));
    ASSERT_TRUE(Claim(driver.State(), watched));
    bool endedWhileHeld = true;
    std::size_t requestsWhileHeld = 0;
    QTimer::singleShot(500ms,
                       [&]
                       {
                           endedWhileHeld = watched.BodyReady != 0;
                           requestsWhileHeld = server.Requests().size();
                           Release(driver.State(), watched);
                       });
    std::string body;
    EXPECT_TRUE(driver.Run(20s, [&](RetrievalRequest& r) { body = std::string(r.Data.View()); }));
    EXPECT_EQ(requestsWhileHeld, 1u);
    EXPECT_FALSE(endedWhileHeld);
    EXPECT_NE(body.find("<html>whole</html>"), std::string::npos) << body;
}

TEST_F(TransferTest, MultipartIsAbandonedAndCutConnectionsStoreTheNotLoadedPage)
{
    test::OriginServer multipart({{"HTTP/1.0 200 OK\r\nContent-Type: multipart/x-mixed-replace\r\n\r\n--x"}});
    FetchDriver driver(settings, 1);
    driver.Add(FetchDriver::MakeRequest(Loopback(multipart.Port(), "/")));
    int finals = 0;
    bool bodyReady = true;
    ASSERT_TRUE(driver.Run(10s,
                           [&](RetrievalRequest& r)
                           {
                               ++finals;
                               bodyReady = r.BodyReady;
                           }));
    EXPECT_EQ(finals, 1);
    EXPECT_FALSE(bodyReady);

    // Nothing listens: each attempt fails to connect, the last stores the page.
    Result refused = FetchOne(Loopback(test::FreeLoopbackPort(), "/"));
    EXPECT_EQ(refused.retries, 3);
    EXPECT_NE(refused.body.find("Ravelin Pro was unable to load"), std::string::npos);

    // Cut before a byte was sent: fewer than 2 bytes is no connection.
    test::OriginServer cut({{"", false, true}});
    Result empty = FetchOne(Loopback(cut.Port(), "/"));
    EXPECT_NE(empty.body.find("unable to connect to the server"), std::string::npos);

    // A Content-Length that promises more than comes keeps what came.
    test::OriginServer lying({{"HTTP/1.0 200 OK\r\nContent-Length: 100000\r\n\r\nshort"}});
    Result shortBody = FetchOne(Loopback(lying.Port(), "/"));
    EXPECT_EQ(shortBody.status, 200);
    EXPECT_TRUE(shortBody.body.ends_with("\r\n\r\nshort"));
}

TEST_F(TransferTest, NonTextBodiesGoToABinFileEvenWhenTheLengthLies)
{
    std::string gif = "GIF89a" + std::string(30000, '\x01');
    test::OriginServer server({{"HTTP/1.0 200 OK\r\nContent-Type: image/gif\r\nContent-Length: 999999999999\r\n\r\n" + gif}});
    FetchDriver driver(settings, 1);
    driver.Add(FetchDriver::MakeRequest(Loopback(server.Port(), "/p.gif")));
    std::string fileBytes;
    std::string name;
    ASSERT_TRUE(driver.Run(10s,
                           [&](RetrievalRequest& r)
                           {
                               EXPECT_EQ(r.Status, 200);
                               EXPECT_TRUE(r.NotHTML);
                               EXPECT_EQ(r.ContentType, "image/gif");
                               fileBytes = test::ReadFile(r.TempFile.Path());
                               name = r.TempFile.Path().filename().string();
                               EXPECT_LT(r.Data.Capacity(), std::size_t(1) << 20);
                           }));
    EXPECT_EQ(fileBytes, gif + std::string(1, '\0'));
    EXPECT_EQ(name.substr(0, 3), "bin");
}

TEST_F(TransferTest, AStalledServerTimesOutAndIsTriedAgainWithoutUsingCpu)
{
    test::OriginServer server({{"", true}});
    settings.Retries = 0; // the raised time-outs of further attempts are a minute long
    FetchDriver driver(settings, 1);
    auto request = FetchDriver::MakeRequest(Loopback(server.Port(), "/"));
    request->TimeOut = 2; // awaiting an answer keeps it when 9 or less
    driver.Add(std::move(request));
    SameSite("a.b", "c.d"); // loads the suffix list outside the measurement
    rusage before{};
    getrusage(RUSAGE_SELF, &before);
    int finals = 0;
    ASSERT_TRUE(driver.Run(30s,
                           [&](RetrievalRequest& r)
                           {
                               ++finals;
                               EXPECT_NE(r.Data.View().find("Ravelin Pro was unable to load"), std::string_view::npos);
                               EXPECT_EQ(r.Status, 404);
                           }));
    rusage after{};
    getrusage(RUSAGE_SELF, &after);
    double cpu = double(after.ru_utime.tv_sec - before.ru_utime.tv_sec) +
                 double(after.ru_stime.tv_sec - before.ru_stime.tv_sec) +
                 double(after.ru_utime.tv_usec - before.ru_utime.tv_usec) / 1e6 +
                 double(after.ru_stime.tv_usec - before.ru_stime.tv_usec) / 1e6;
    EXPECT_EQ(finals, 1);
    EXPECT_EQ(server.Connections(), 1);
    EXPECT_LT(cpu, 0.5) << "waiting must not spin";
}

} // namespace
} // namespace rv
