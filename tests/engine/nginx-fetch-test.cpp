#include "client/briefs/web-page.h"
#include "client/engine/internal/fetch-driver.h"
#include "tests/support/core-application.h"
#include "tests/support/nginx-server.h"
#include "tests/support/sandbox.h"

#include <QCoreApplication>
#include <gtest/gtest.h>
#include <map>

namespace rv
{
namespace
{

using namespace std::chrono_literals;

class NginxFetchTest : public test::SandboxedTest
{
protected:
    static void SetUpTestSuite() { test::EnsureCoreApplication(); }

    void SetUp() override
    {
        SandboxedTest::SetUp();
        settings.ProgramFolder = Dir();
        test::WriteFile(PathOf("htpasswd"), "ann:{PLAIN}secret\n");
        nginx = std::make_unique<test::NginxServer>(
            PathOf("nginx"), "  location /private/ { auth_basic \"x\"; auth_basic_user_file " + PathOf("htpasswd").string() +
                                 "; }\n"
                                 "  location = /moved { return 301 /page.html; }\n"
                                 "  location = /found { return 302 http://127.0.0.1:$server_port/page.html; }\n"
                                 "  location = /other { return 303 /page.html; }\n"
                                 "  location = /empty { return 204; }\n"
                                 "  location = /forbidden { return 403; }\n"
                                 "  location = /gateway { return 502; }\n"
                                 "  location /packed/ { gzip_static always; }\n");
        ASSERT_TRUE(nginx->Running());
        std::filesystem::create_directories(nginx->Root() / "private");
        test::WriteFile(nginx->Root() / "page.html", "<html>page</html>");
        test::WriteFile(nginx->Root() / "private" / "p.html", "<html>private</html>");
    }

    std::string Url(std::string_view path) const { return "127.0.0.1:" + std::to_string(nginx->Port()) + std::string(path); }

    // Final requests by URL: status, body after the header, redirect list.
    struct Final
    {
        int status = -1;
        std::string body;
        std::vector<std::string> redirects;
        bool success = false;
        bool inaccessible = false;
    };
    std::map<std::string, Final> Fetch(const std::vector<std::string>& paths, TWebPage* entry = nullptr)
    {
        FetchDriver driver(settings, 4);
        for (const std::string& path : paths)
        {
            auto request = FetchDriver::MakeRequest(Url(path));
            request->Entry = entry;
            driver.Add(std::move(request));
        }
        std::map<std::string, Final> finals;
        EXPECT_TRUE(driver.Run(30s,
                               [&](RetrievalRequest& r)
                               {
                                   std::string_view view = r.Data.View();
                                   std::string_view body = view.empty() ? view : view.substr(0, view.size() - 1);
                                   std::size_t end = body.find("\r\n\r\n");
                                   finals[r.URL] = {r.Status,
                                                    std::string(end == std::string_view::npos ? body : body.substr(end + 4)),
                                                    r.Redirects, bool(r.Success), bool(r.PageInaccessible)};
                               }));
        return finals;
    }

    RetrievalSettings settings;
    std::unique_ptr<test::NginxServer> nginx;
};

TEST_F(NginxFetchTest, RedirectsAreFollowedAndRememberWhereTheyCameFrom)
{
    auto finals = Fetch({"/moved", "/found", "/other"});
    Final page = finals[Url("/page.html")];
    EXPECT_EQ(page.status, 200);
    EXPECT_EQ(page.body, "<html>page</html>");
    EXPECT_EQ(page.redirects.size(), 1u);
    // The redirected requests themselves end without a page of their own.
    EXPECT_EQ(finals.count(Url("/moved")), 0u);
}

TEST_F(NginxFetchTest, A401IsRetriedWithTheEntrysCredentials)
{
    TWebPage entry;
    entry.UserName = "ann";
    entry.Password = "secret";
    entry.LocalOnly = false;
    auto finals = Fetch({"/private/p.html"}, &entry);
    EXPECT_EQ(finals[Url("/private/p.html")].status, 200);
    EXPECT_EQ(finals[Url("/private/p.html")].body, "<html>private</html>");

    TWebPage wrong;
    wrong.UserName = "ann";
    wrong.Password = "nope";
    auto refused = Fetch({"/private/p.html"}, &wrong);
    EXPECT_NE(refused[Url("/private/p.html")].body.find("This page requires a UserName and Password."), std::string::npos);
    EXPECT_TRUE(refused[Url("/private/p.html")].inaccessible);
}

TEST_F(NginxFetchTest, ACompressedPageArrivesExpanded)
{
    // nginx sends the .gz file with "Content-Encoding: gzip" whatever the
    // request asked for.
    std::filesystem::create_directories(nginx->Root() / "packed");
    const std::string page = "<html><a href=next.html>next</a></html>";
    test::WriteFile(nginx->Root() / "packed" / "page.html", page);
    ASSERT_EQ(std::system(("gzip -9 " + (nginx->Root() / "packed" / "page.html").string()).c_str()), 0);
    auto finals = Fetch({"/packed/page.html"});
    EXPECT_EQ(finals[Url("/packed/page.html")].status, 200);
    EXPECT_EQ(finals[Url("/packed/page.html")].body, page);
}

TEST_F(NginxFetchTest, StatusesGetTheirPages)
{
    settings.Retries = 1;
    auto finals = Fetch({"/empty", "/forbidden", "/gateway", "/missing.html"});
    EXPECT_NE(finals[Url("/empty")].body.find("Ravelin Pro loaded the Web page"), std::string::npos);
    EXPECT_NE(finals[Url("/forbidden")].body.find("refused to fulfill it"), std::string::npos);
    EXPECT_NE(finals[Url("/gateway")].body.find("The server was unable to respond to the request."), std::string::npos);
    EXPECT_NE(finals[Url("/missing.html")].body.find("unable to find or deliver"), std::string::npos);
    for (auto& [url, final] : finals)
        EXPECT_FALSE(final.success) << url;
}

TEST_F(NginxFetchTest, RequestsGoThroughTheProxyWithItsCredentials)
{
    test::TinyProxy proxy(PathOf("proxy"));
    ASSERT_TRUE(proxy.Running());
    settings.ProxyHost = "localhost";
    settings.ProxyPort = proxy.Port();
    settings.ProxyUserName = "proxyuser";
    settings.ProxyPassword = "proxypass";
    // A host other than 127.0.0.1 so that the proxy is used.
    FetchDriver driver(settings, 1);
    driver.Add(FetchDriver::MakeRequest("localhost:" + std::to_string(nginx->Port()) + "/page.html"));
    int status = -1;
    std::string body;
    ASSERT_TRUE(driver.Run(20s,
                           [&](RetrievalRequest& r)
                           {
                               status = r.Status;
                               body = std::string(r.Data.View());
                           }));
    EXPECT_EQ(status, 200);
    EXPECT_NE(body.find("<html>page</html>"), std::string::npos);

    settings.ProxyPassword = "wrong";
    FetchDriver refused(settings, 1);
    refused.Add(FetchDriver::MakeRequest("localhost:" + std::to_string(nginx->Port()) + "/page.html"));
    // This proxy refuses with 401 rather than 407: the credentials page.
    int refusedStatus = -1;
    std::string refusedBody;
    ASSERT_TRUE(refused.Run(20s,
                            [&](RetrievalRequest& r)
                            {
                                refusedStatus = r.Status;
                                refusedBody = std::string(r.Data.View());
                            }));
    EXPECT_EQ(refusedStatus, 401);
    EXPECT_NE(refusedBody.find("This page requires a UserName and Password."), std::string::npos);
}

} // namespace
} // namespace rv
