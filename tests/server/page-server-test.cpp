// The page server over real sockets, serving archives the store writer made.
#include "server-fixture.h"
#include "server/http-request.h"
#include "server/page-decoration.h"
#include "store/archive-lock.h"

#include <atomic>
#include <cstdio>
#include <gtest/gtest.h>
#include <thread>

namespace rv::test
{
namespace
{

class PageServerTest : public ServerTest
{
protected:
    // An archive with a summary page, a decorated page, a frameset page, a
    // plain-text page and links that were not retrieved.
    std::filesystem::path MakeArchive(const std::string& name = "News.rvd", const std::string& info = "News")
    {
        const std::filesystem::path path = PathOf(name);
        TKSDB store(FixedTime);
        EXPECT_TRUE(store.Open(path, info));
        StorePage(store, "index", "", "<html>summary</html>", 0, -1);
        StorePage(store, "www.x.com/page", "<html><body>", "page body</body></html>", 0x37, 2);
        StorePage(store, "www.x.com/frames", "<html><frameset cols=2>", "</frameset></html>", 0x34, 2);
        StorePage(store, "www.x.com/notes.txt", "", "plain notes", 0x34, 2, "text/plain");
        StorePage(store, "www.x.com/b?c=1&amp;d=2", "", "amp", 0x34, 2);
        StorePage(store, "www.x.com/e?f=1&g=2", "", "bare", 0x34, 2);
        StorePage(store, "www.b.c", "", "no slash", 0x34, 3);
        store.AddTooDeep("www.far.com/deep", "Caption", 2, 0);
        store.AddExcluded("www.ads.com/x", "Caption", 2, 0);
        EXPECT_TRUE(store.Close());
        return path;
    }

    std::string Archive(const std::filesystem::path& path) { return path.string().substr(1); }

    std::string Base(const std::filesystem::path& archive, const std::string& number)
    {
        return "<base href=\"http://127.0.0.1:" + std::to_string(port) + "/" + Archive(archive) + "/" + number + "\">";
    }
};

TEST_F(PageServerTest, SummaryPageIsServedUndecoratedWithItsBaseTag)
{
    const auto archive = MakeArchive();
    WriteSettings("", "Yes", "No");
    EXPECT_EQ(GetPage(archive, ""),
              "HTTP/1.0 200\r\nContent-Type: text/html\r\n\r\n" + Base(archive, "") + "<html>summary</html>");
    EXPECT_EQ(GetPage(archive, "2/index"), GetPage(archive, ""));
}

TEST_F(PageServerTest, StoredPageGetsHeaderAfterItsHeadAndFooterAtTheEnd)
{
    const auto archive = MakeArchive();
    WriteSettings("", "Yes", "No");
    DecorationContext context;
    context.port = port;
    context.displayHeader = true;
    context.briefPath = Archive(archive);
    context.briefInfo = "News";
    DecorationInputs page;
    page.pageName = "2/www.x.com/page";
    page.contentType = "text/html";
    page.number = 2;
    page.siteMap = page.smartSearch = page.originalLink = true;
    page.title = "12/7/99 16:05:09";
    const std::string answer = GetPage(archive, "2/www.x.com/page");
    const std::string prefix = "HTTP/1.0 200\r\nContent-Type: text/html\r\n\r\n" + Base(archive, "2/") + "<html><body>";
    ASSERT_TRUE(answer.starts_with(prefix)) << answer;
    const std::string header = Header(context, page);
    const std::string stamp = answer.substr(prefix.size());
    // The stamp is the writer's local date format; compare around it.
    const std::size_t titleAt = header.find("12/7/99 16:05:09");
    ASSERT_NE(titleAt, std::string::npos);
    EXPECT_EQ(answer.substr(prefix.size(), titleAt), header.substr(0, titleAt));
    EXPECT_NE(answer.find(" </font></nobr><br><hr size=3><br>\r\npage body</body></html></font></i>"), std::string::npos);
    EXPECT_TRUE(answer.ends_with(Footer(context, page)));
}

TEST_F(PageServerTest, WithHeaderOffThePageIsSentAsStoredFromItsHead)
{
    const auto archive = MakeArchive();
    EXPECT_EQ(GetPage(archive, "2/www.x.com/page"),
              "HTTP/1.0 200\r\nContent-Type: text/html\r\n\r\n" + Base(archive, "2/") + "<html><body>page body</body></html>");
}

TEST_F(PageServerTest, DoctypeOfTheStoredPageComesFirstAndOnlyOnce)
{
    const std::filesystem::path archive = PathOf("Modern.rvd");
    TKSDB store(FixedTime);
    ASSERT_TRUE(store.Open(archive, "Modern"));
    StorePage(store, "www.x.com/modern", "<html><body>", "\xEF\xBB\xBF\n<!DOCTYPE html><html><p>x</p></html>", 0x37, 2);
    ASSERT_TRUE(store.Close());
    // The byte-order mark no longer opens the answer: the type names it.
    EXPECT_EQ(GetPage(archive, "2/www.x.com/modern"),
              "HTTP/1.0 200\r\nContent-Type: text/html; charset=utf-8\r\n\r\n<!DOCTYPE html>" + Base(archive, "2/") +
                  "<html><body>\xEF\xBB\xBF\n<html><p>x</p></html>");
}

TEST_F(PageServerTest, FramesetPageIsNeverDecorated)
{
    const auto archive = MakeArchive();
    WriteSettings("", "Yes", "No");
    const std::string frames = "<html><frameset cols=2></frameset></html>";
    EXPECT_EQ(GetPage(archive, "2/www.x.com/frames"),
              "HTTP/1.0 200\r\nContent-Type: text/html\r\n\r\n" + Base(archive, "2/") + frames);
    EXPECT_TRUE(server->OpenBriefs().At(0).pages.FindExact("www.x.com/frames")->flags & 0x08);
    // Known as a frameset now, and flags 0x30 of a text page drop the base tag too.
    EXPECT_EQ(GetPage(archive, "2/www.x.com/frames"), "HTTP/1.0 200\r\nContent-Type: text/html\r\n\r\n" + frames);
}

TEST_F(PageServerTest, DecoratedPlainTextIsAnnouncedAsHtmlAndWrapped)
{
    const auto archive = MakeArchive();
    WriteSettings("", "Yes", "No");
    const std::string answer = GetPage(archive, "2/www.x.com/notes.txt");
    EXPECT_TRUE(answer.starts_with("HTTP/1.0 200\r\nContent-Type: text/html\r\n\r\n<base")) << answer;
    EXPECT_NE(answer.find("<body><pre>\r\nplain notes</pre>\r\n</font>"), std::string::npos) << answer;
}

TEST_F(PageServerTest, NameVariantsFindTheirKeys)
{
    const auto archive = MakeArchive();
    EXPECT_TRUE(GetPage(archive, "3/www.b.c/").ends_with("no slash"));
    EXPECT_TRUE(GetPage(archive, "2/www.x.com/b?c=1&d=2").ends_with("amp"));
    EXPECT_TRUE(GetPage(archive, "2/www.x.com/b?c=1&amp;d=2").ends_with("amp"));
    EXPECT_TRUE(GetPage(archive, "2/www.x.com/e?f=1&g=2").ends_with("bare"));
}

// What a browser sends for folders named with a non-ASCII letter or a "#",
// and for a page name the client encoded.
TEST_F(PageServerTest, EncodedAddressesAreDecoded)
{
    const std::string dir = Dir().string();
    for (const char* folder : {"\xC3\xA8", "a#b"})
    {
        std::filesystem::create_directories(PathOf(folder));
        MakeArchive(std::string(folder) + "/News.rvd");
    }
    const std::string answer = Get("GET " + dir + "/%C3%A8/News.rvd/ HTTP/1.0\r\nHost: 127.0.0.1\r\n\r\n");
    EXPECT_EQ(answer, "HTTP/1.0 200\r\nContent-Type: text/html\r\n\r\n<base href=\"http://127.0.0.1:" + std::to_string(port) +
                          dir + "/%C3%A8/News.rvd/\"><html>summary</html>");
    EXPECT_TRUE(
        Get("GET " + dir + "/a%23b/News.rvd/index HTTP/1.0\r\nHost: 127.0.0.1\r\n\r\n").ends_with("<html>summary</html>"));
    EXPECT_TRUE(Get("GET " + dir + "/a%23b/News.rvd/2/www.x.com/b%3Fc%3D1%26amp%3Bd%3D2 HTTP/1.0\r\nHost: 127.0.0.1\r\n\r\n")
                    .ends_with("amp"));
    EXPECT_TRUE(Get("GET " + dir + "/a%2/News.rvd/ HTTP/1.0\r\nHost: 127.0.0.1\r\n\r\n").starts_with("HTTP/1.0 404"));
}

TEST_F(PageServerTest, LinksNotRetrievedRedirectOrExplain)
{
    const auto archive = MakeArchive();
    EXPECT_EQ(GetPage(archive, "2/www.far.com/deep"),
              "HTTP/1.0 302\r\nContent-Type: text/html\r\nLocation: http://www.far.com/deep\r\n\r\n");
    WriteSettings("", "No", "Yes");
    const std::string answer = GetPage(archive, "2/www.ads.com/x");
    EXPECT_TRUE(answer.starts_with("HTTP/1.0 200\r\nContent-Type: text/html\r\n\r\n" + Base(archive, "") +
                                   "\r\n<html><body><title>Link Excluded</title>"));
}

// A stored "&colon;" leaves in a redirect as ":", and a request path is
// escaped in the page that names it.
TEST_F(PageServerTest, NamesFromOutsideAreWrittenBackSafely)
{
    const auto archive = MakeArchive();
    EXPECT_EQ(GetPage(archive, "2/www.nowhere.com&colon;8080/a"),
              "HTTP/1.0 302\r\nContent-Type: text/html\r\nLocation: http://www.nowhere.com:8080/a\r\n\r\n");
    WriteSettings("", "No", "Yes");
    const std::string page = GetPage(archive, "2/www.nowhere.com/<script>alert(1)</script>");
    EXPECT_EQ(page.find("<script>"), std::string::npos) << page;
    EXPECT_NE(page.find(">www.nowhere.com/&lt;script&gt;alert(1)&lt;/script&gt;</a>"), std::string::npos) << page;
}

TEST_F(PageServerTest, UnknownPageAndUnknownArchiveAnswers)
{
    const auto archive = MakeArchive();
    EXPECT_EQ(GetPage(archive, "2/www.nowhere.com/"),
              "HTTP/1.0 302\r\nContent-Type: text/html\r\nLocation: http://www.nowhere.com/\r\n\r\n");
    const std::string missing = GetPage(PathOf("Missing.rvd"), "");
    EXPECT_TRUE(missing.starts_with("HTTP/1.0 404\r\n\r\n<base href=\"http://127.0.0.1:" + std::to_string(port) +
                                    "/\">\r\n<html><title>File Not Found</title>"));
    WriteFile(PathOf("Junk.rvd"), "not an archive at all");
    EXPECT_TRUE(GetPage(PathOf("Junk.rvd"), "").starts_with("HTTP/1.0 404\r\n"));
    EXPECT_TRUE(Get("GET /dev/zero HTTP/1.0\r\nHost: 127.0.0.1\r\n\r\n").starts_with("HTTP/1.0 404\r\n"));
}

TEST_F(PageServerTest, ImagesComeOnlyFromTheImagesFolder)
{
    EXPECT_EQ(Get("GET /HasDiffs HTTP/1.0\r\nHost: 127.0.0.1\r\n\r\n"),
              "HTTP/1.0 200\r\nContent-Type: image/gif\r\n\r\nGIF89a-diff");
    EXPECT_EQ(Get("GET /a/N.rvd/3/Warning HTTP/1.0\r\nHost: 127.0.0.1\r\n\r\n"),
              "HTTP/1.0 200\r\nContent-Type: image/gif\r\n\r\nGIF89a-warn");
    EXPECT_EQ(Get("GET /images/brief.gif HTTP/1.0\r\nHost: 127.0.0.1\r\n\r\n"),
              "HTTP/1.0 200\r\nContent-Type: image/gif\r\n\r\nGIF89a-brief");
    WriteFile(PathOf("secret.txt"), "secret");
    EXPECT_TRUE(Get("GET /images/../secret.txt HTTP/1.0\r\nHost: 127.0.0.1\r\n\r\n").starts_with("HTTP/1.0 404\r\n"));
    // A known name whose file is missing.
    EXPECT_TRUE(Get("GET /images/toc.gif HTTP/1.0\r\nHost: 127.0.0.1\r\n\r\n").starts_with("HTTP/1.0 404\r\n"));
}

TEST_F(PageServerTest, ForeignHostIsRefusedAndRequestsWithoutGetGetNoAnswer)
{
    const auto archive = MakeArchive();
    EXPECT_TRUE(Get("GET " + archive.string() + "/ HTTP/1.1\r\nHost: attacker.example:" + std::to_string(port) + "\r\n\r\n")
                    .starts_with("HTTP/1.0 403"));
    EXPECT_TRUE(Get("GET " + archive.string() + "/ HTTP/1.1\r\nHost: localhost:" + std::to_string(port) +
                    "\r\nConnection: close\r\n\r\n")
                    .starts_with("HTTP/1.0 200"));
    EXPECT_EQ(Get("HEAD / HTTP/1.0\r\nHost: 127.0.0.1\r\n\r\n"), "");
    EXPECT_EQ(server->FilesServed(), 3u);
}

TEST_F(PageServerTest, CountersAddFilesAndBytes)
{
    const std::string answer = Get("GET /HasDiffs HTTP/1.0\r\nHost: 127.0.0.1\r\n\r\n");
    Get("GET /HasDiffs HTTP/1.0\r\nHost: 127.0.0.1\r\n\r\n");
    EXPECT_EQ(server->FilesServed(), 2u);
    EXPECT_EQ(server->BytesServed(), 2 * answer.size());
}

// Requests whose Host cannot be checked are refused, never served: the
// header must end within the limit and name its host.
TEST_F(PageServerTest, RequestsThatCannotBeCheckedAreRefused)
{
    const auto archive = MakeArchive();
    const std::string get = "GET " + archive.string() + "/index";
    const std::string padding(MaxRequestBytes, 'x');
    const struct
    {
        std::string request;
        std::string status;
    } rows[] = {
        {get + "?" + padding + " HTTP/1.1\r\nHost: evil.example\r\n\r\n", "HTTP/1.0 431 "},
        {get + " HTTP/1.1\r\nX-Filler: " + padding + "\r\nHost: 127.0.0.1\r\n\r\n", "HTTP/1.0 431 "},
        {get + " HTTP/1.1\r\nUser-Agent: x\r\n\r\n", "HTTP/1.0 400 "},
        {get + " HTTP/1.1\r\n\r\nHost: 127.0.0.1\r\n\r\n", "HTTP/1.0 400 "},
    };
    for (const auto& row : rows)
    {
        const std::string answer = Get(row.request);
        EXPECT_TRUE(answer.starts_with(row.status)) << answer.substr(0, 40) << " for " << row.request.substr(0, 60);
        EXPECT_EQ(answer.find("summary"), std::string::npos);
    }
}

// Runs curl as the given prefix says (e.g. as another user) and returns what it printed.
std::string Curl(const std::string& prefix, const std::string& url)
{
    const std::string command = prefix + " curl -s -m 10 -H 'Host: 127.0.0.1' '" + url + "' 2>/dev/null";
    std::string out;
    if (FILE* pipe = ::popen(command.c_str(), "r"))
    {
        char buffer[4096];
        std::size_t got = 0;
        while ((got = std::fread(buffer, 1, sizeof buffer, pipe)) > 0)
            out.append(buffer, got);
        ::pclose(pipe);
    }
    return out;
}

// Another user of the machine reaches the loopback port too; only the
// server's own user is served, over IPv4 and IPv4-mapped IPv6 alike.
TEST_F(PageServerTest, OnlyTheOwnersConnectionsAreServed)
{
    if (::geteuid() != 0 || ::access("/usr/bin/setpriv", X_OK) != 0 || ::access("/usr/bin/curl", X_OK) != 0)
        GTEST_SKIP() << "needs root, setpriv and curl to connect as another user";
    const auto archive = MakeArchive();
    const std::string other = "setpriv --reuid=65534 --regid=65534 --clear-groups";
    for (const std::string host : {"127.0.0.1", "[::ffff:127.0.0.1]"})
    {
        const std::string url = "http://" + host + ":" + std::to_string(port) + archive.string() + "/";
        auto owner = std::async(std::launch::async, [&] { return Curl("", url); });
        EXPECT_EQ(Await(owner), Base(archive, "") + "<html>summary</html>") << host;
        auto stranger = std::async(std::launch::async, [&] { return Curl(other, url); });
        EXPECT_EQ(Await(stranger), "") << host;
    }
}

TEST_F(PageServerTest, SixthArchiveEvictsTheOldestIdleOnes)
{
    std::vector<std::filesystem::path> archives;
    for (int i = 0; i < 6; ++i)
        archives.push_back(MakeArchive("A" + std::to_string(i) + ".rvd"));
    for (const auto& archive : archives)
        ASSERT_TRUE(GetPage(archive, "").starts_with("HTTP/1.0 200")) << archive;
    ASSERT_EQ(server->OpenBriefs().Size(), 5u);
    EXPECT_EQ(server->OpenBriefs().At(0).name, Archive(archives[1]));
    EXPECT_EQ(server->OpenBriefs().At(4).name, Archive(archives[5]));
}

TEST_F(PageServerTest, CloseFileReleasesTheArchiveInAnyCaseAndSeparator)
{
    const auto archive = MakeArchive();
    GetPage(archive, "");
    ASSERT_EQ(server->OpenBriefs().Size(), 1u);
    std::string item = archive.string();
    for (char& c : item)
        c = c == '/' ? '\\' : static_cast<char>(std::toupper(static_cast<unsigned char>(c)));
    EXPECT_TRUE(server->CloseFile(item));
    EXPECT_EQ(server->OpenBriefs().Size(), 0u);
    EXPECT_TRUE(GetPage(archive, "").starts_with("HTTP/1.0 200"));
}

// Answers are kept between requests but never outlive their archive file: a
// file replaced or rewritten under the server is read afresh, and CloseFile
// lets the archive's answers go.
TEST_F(PageServerTest, KeptAnswersFollowTheArchiveFile)
{
    const std::filesystem::path path = PathOf("Kept.rvd");
    const auto write = [](const std::filesystem::path& file, const std::string& body)
    {
        TKSDB store(FixedTime);
        ASSERT_TRUE(store.Open(file, "Kept"));
        StorePage(store, "index", "", body, 0, -1);
        ASSERT_TRUE(store.Close());
    };
    write(path, "<html>first</html>");
    ASSERT_TRUE(GetPage(path, "").ends_with("first</html>"));
    ASSERT_TRUE(GetPage(path, "").ends_with("first</html>"));
    write(PathOf("Other.rvd"), "<html>second</html>");
    std::filesystem::rename(PathOf("Other.rvd"), path);
    EXPECT_TRUE(GetPage(path, "").ends_with("second</html>"));
    write(path, "<html>third, longer</html>");
    EXPECT_TRUE(GetPage(path, "").ends_with("third, longer</html>"));
    EXPECT_EQ(server->Dispatcher().Cache().Size(), 1u);
    EXPECT_TRUE(server->CloseFile(path.string()));
    EXPECT_EQ(server->Dispatcher().Cache().Size(), 0u);
}

// A kept answer counts for the memory it holds: a decorated page of a full
// block, whose footer comes last, holds no more than its own length.
TEST_F(PageServerTest, KeptAnswerHoldsWhatItCounts)
{
    const std::filesystem::path path = PathOf("Long.rvd");
    {
        TKSDB store(FixedTime);
        ASSERT_TRUE(store.Open(path, "Long"));
        StorePage(store, "www.x.com/long", "<html><body>", std::string(20000, 'x') + "</body></html>", 0x37, 2);
        ASSERT_TRUE(store.Close());
    }
    WriteSettings("", "Yes", "No");
    const std::string answer = GetPage(path, "2/www.x.com/long");
    ASSERT_NE(answer.find("Brief Summary"), std::string::npos);
    ASSERT_EQ(server->Dispatcher().Cache().Size(), 1u);
    EXPECT_EQ(server->Dispatcher().Cache().Bytes(), answer.size());
}

// An HTTP/1.1 connection is kept for the next request, which meets every
// check the first one met; HTTP/1.0 and "Connection: close" end it, and only
// HTTP/1.1 answers carry their length.
TEST_F(PageServerTest, KeptConnectionsServeRequestsUntilOneEndsThem)
{
    const auto archive = MakeArchive();
    const std::string page = GetPage(archive, "index");
    const std::size_t blank = page.find("\r\n\r\n") + 2;
    const std::string sized = page.substr(0, blank) + "Content-Length: " + std::to_string(page.size() - blank - 2) + "\r\n";
    const std::string kept = sized + "Connection: keep-alive\r\n" + page.substr(blank);
    const std::string get = "GET " + archive.string() + "/index HTTP/1.";
    const std::string host = "\r\nHost: 127.0.0.1\r\n";
    const struct
    {
        std::string requests;
        std::string answers; // the whole answer, or how it starts when a refusal ends it
    } rows[] = {
        {get + "1" + host + "\r\n" + get + "1" + host + "\r\n" + get + "0" + host + "\r\n", kept + kept + page},
        {get + "1" + host + "Connection: close\r\n\r\n" + get + "1" + host + "\r\n", sized + page.substr(blank)},
        {get + "1" + host + "\r\n" + get + "1\r\nX: " + std::string(MaxRequestBytes, 'x') + host + "\r\n",
         kept + "HTTP/1.0 431 "},
        {get + "1" + host + "\r\n" + get + "1\r\n\r\n", kept + "HTTP/1.0 400 "},
    };
    for (const auto& row : rows)
    {
        const std::string answer = Get(row.requests);
        EXPECT_TRUE(answer.starts_with(row.answers)) << answer.substr(0, 300);
        EXPECT_EQ(answer.find("summary", row.answers.size()), std::string::npos) << answer.substr(0, 300);
    }
}

// An answer larger than the socket buffers reaches a peer that reads slowly
// whole, and the kept connection then answers the request queued behind it.
TEST_F(PageServerTest, LargeAnswerReachesASlowReaderWholeBeforeTheNextRequest)
{
    const std::filesystem::path path = PathOf("Large.rvd");
    std::string body;
    for (int i = 0; body.size() < (std::size_t{6} << 20); ++i)
        body += "<p>line " + std::to_string(i) + "</p>\n";
    {
        TKSDB store(FixedTime);
        ASSERT_TRUE(store.Open(path, "Large"));
        StorePage(store, "index", "", body, 0, -1);
        ASSERT_TRUE(store.Close());
    }
    const std::string page = GetPage(path, "");
    ASSERT_TRUE(page.ends_with(body));
    const std::size_t blank = page.find("\r\n\r\n") + 2;
    const std::string kept = page.substr(0, blank) + "Content-Length: " + std::to_string(page.size() - blank - 2) +
                             "\r\nConnection: keep-alive\r\n" + page.substr(blank);
    const std::string get = "GET " + path.string() + "/ HTTP/1.";
    const std::string requests = get + "1\r\nHost: 127.0.0.1\r\n\r\n" + get + "0\r\nHost: 127.0.0.1\r\n\r\n";
    auto future = std::async(std::launch::async,
                             [&]
                             {
                                 const int fd = ::socket(AF_INET, SOCK_STREAM, 0);
                                 const int small = 4096;
                                 ::setsockopt(fd, SOL_SOCKET, SO_RCVBUF, &small, sizeof small);
                                 timeval timeout{10, 0};
                                 ::setsockopt(fd, SOL_SOCKET, SO_RCVTIMEO, &timeout, sizeof timeout);
                                 sockaddr_in address{};
                                 address.sin_family = AF_INET;
                                 address.sin_addr.s_addr = htonl(INADDR_LOOPBACK);
                                 address.sin_port = htons(static_cast<std::uint16_t>(port));
                                 std::string answer;
                                 if (::connect(fd, reinterpret_cast<sockaddr*>(&address), sizeof address) == 0 &&
                                     ::send(fd, requests.data(), requests.size(), MSG_NOSIGNAL) > 0)
                                 {
                                     std::this_thread::sleep_for(std::chrono::milliseconds(300));
                                     char buffer[65536];
                                     for (ssize_t got; (got = ::recv(fd, buffer, sizeof buffer, 0)) > 0;)
                                         answer.append(buffer, static_cast<std::size_t>(got));
                                 }
                                 ::close(fd);
                                 return answer;
                             });
    const std::string answer = Await(future);
    EXPECT_EQ(answer.size(), kept.size() + page.size());
    EXPECT_TRUE(answer == kept + page) << answer.substr(0, 200);
}

TEST_F(PageServerTest, ArchiveStillBeingWrittenIsNotTouched)
{
    const std::filesystem::path path = PathOf("Running.rvd");
    TKSDB store(FixedTime);
    ASSERT_TRUE(store.Open(path, "Running"));
    StorePage(store, "index", "", "<html>summary</html>", 0, -1);
    const auto before = std::filesystem::file_size(path);
    EXPECT_TRUE(GetPage(path, "").starts_with("HTTP/1.0 404\r\n"));
    EXPECT_EQ(std::filesystem::file_size(path), before);
    EXPECT_TRUE(store.Close());
    EXPECT_TRUE(GetPage(path, "").starts_with("HTTP/1.0 200\r\n"));
}

TEST_F(PageServerTest, ResetReopensTheListenerOnTheSamePort)
{
    ASSERT_TRUE(server->Reset(port));
    EXPECT_TRUE(Get("GET /HasDiffs HTTP/1.0\r\nHost: 127.0.0.1\r\n\r\n").starts_with("HTTP/1.0 200"));
    const int other = FreePort();
    ASSERT_TRUE(server->Reset(other));
    EXPECT_EQ(ConnectTo(port), -1);
    port = other;
    EXPECT_TRUE(Get("GET /HasDiffs HTTP/1.0\r\nHost: 127.0.0.1\r\n\r\n").starts_with("HTTP/1.0 200"));
}

TEST_F(PageServerTest, PortTakenByAnotherProgramFailsToListen)
{
    PageServer second(PageServerOptions{SettingsPath(), Dir()});
    EXPECT_FALSE(second.Listen());
}

// 256 peers send a request header one byte at a time and never end it; a
// normal request meanwhile is answered at once. The bound is generous so
// that a loaded machine does not fail the test; the time taken is recorded.
TEST_F(PageServerTest, DrippingConnectionsDoNotHoldUpARequest)
{
    auto connecting = std::async(std::launch::async,
                                 [this]
                                 {
                                     std::vector<int> fds;
                                     for (int i = 0; i < 256; ++i)
                                     {
                                         const int fd = ConnectTo(port);
                                         if (fd >= 0)
                                             ::send(fd, "GET /x HTTP/1.0\r\nX-Drip: ", 25, MSG_NOSIGNAL);
                                         fds.push_back(fd);
                                     }
                                     return fds;
                                 });
    const std::vector<int> drippers = Await(connecting);
    ASSERT_EQ(std::count(drippers.begin(), drippers.end(), -1), 0);
    std::atomic<bool> stop = false;
    std::thread dripping(
        [&]
        {
            while (!stop)
            {
                for (int fd : drippers)
                    ::send(fd, "a", 1, MSG_NOSIGNAL);
                std::this_thread::sleep_for(std::chrono::milliseconds(20));
            }
        });
    const auto settle = std::chrono::steady_clock::now() + std::chrono::milliseconds(200);
    while (std::chrono::steady_clock::now() < settle)
        QCoreApplication::processEvents(QEventLoop::AllEvents, 5);

    const auto start = std::chrono::steady_clock::now();
    const std::string answer = Get("GET /HasDiffs HTTP/1.0\r\nHost: 127.0.0.1\r\n\r\n");
    const auto took = std::chrono::duration_cast<std::chrono::milliseconds>(std::chrono::steady_clock::now() - start);
    stop = true;
    dripping.join();
    RecordProperty("answer_ms", static_cast<int>(took.count()));
    EXPECT_TRUE(answer.starts_with("HTTP/1.0 200"));
    EXPECT_LT(took, std::chrono::seconds(5));
    EXPECT_GE(server->ActiveConnections(), 256u);
    EXPECT_EQ(server->FilesServed(), 1u);
    for (int fd : drippers)
        ::close(fd);
}

class DeadlineTest : public ServerTest
{
};

TEST_F(DeadlineTest, IdleConnectionIsClosedAtTheDeadline)
{
    server = std::make_unique<PageServer>(PageServerOptions{SettingsPath(), Dir(), 300});
    ASSERT_TRUE(server->Listen());
    auto future = std::async(std::launch::async,
                             [this]
                             {
                                 const int fd = ConnectTo(port);
                                 ::send(fd, "GET /HasDiffs", 13, MSG_NOSIGNAL);
                                 char byte;
                                 const auto start = std::chrono::steady_clock::now();
                                 const ssize_t got = ::recv(fd, &byte, 1, 0);
                                 ::close(fd);
                                 return got <= 0 && std::chrono::steady_clock::now() - start < std::chrono::seconds(5);
                             });
    EXPECT_TRUE(Await(future));
    EXPECT_EQ(server->FilesServed(), 0u);
}

} // namespace
} // namespace rv::test
