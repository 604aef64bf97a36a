// A running page server on a free loopback port, its settings file and
// images folder in a sandbox, archives written by the real store writer, and
// a plain blocking client that returns the raw bytes of an answer.
#pragma once

#include "platform/settings-store.h"
#include "server/page-server.h"
#include "store/archive-writer.h"
#include "tests/support/sandbox.h"

#include <QCoreApplication>
#include <QTcpServer>
#include <arpa/inet.h>
#include <chrono>
#include <future>
#include <memory>
#include <netinet/in.h>
#include <string>
#include <sys/socket.h>
#include <unistd.h>

namespace rv::test
{

inline void EnsureQtApp()
{
    static int argc = 1;
    static char name[] = "server-test";
    static char* argv[] = {name, nullptr};
    if (!QCoreApplication::instance())
        new QCoreApplication(argc, argv);
}

inline int FreePort()
{
    QTcpServer probe;
    probe.listen(QHostAddress::LocalHost, 0);
    return probe.serverPort();
}

// Runs the event loop until the future is ready (or 10 s passed).
template <typename T> T Await(std::future<T>& future)
{
    const auto until = std::chrono::steady_clock::now() + std::chrono::seconds(10);
    while (future.wait_for(std::chrono::milliseconds(0)) != std::future_status::ready &&
           std::chrono::steady_clock::now() < until)
        QCoreApplication::processEvents(QEventLoop::AllEvents, 5);
    return future.get();
}

// Connects to 127.0.0.1:port; -1 when that fails.
inline int ConnectTo(int port)
{
    const int fd = ::socket(AF_INET, SOCK_STREAM, 0);
    sockaddr_in address{};
    address.sin_family = AF_INET;
    address.sin_port = htons(static_cast<uint16_t>(port));
    address.sin_addr.s_addr = htonl(INADDR_LOOPBACK);
    if (::connect(fd, reinterpret_cast<sockaddr*>(&address), sizeof address) != 0)
    {
        ::close(fd);
        return -1;
    }
    timeval timeout{10, 0};
    ::setsockopt(fd, SOL_SOCKET, SO_RCVTIMEO, &timeout, sizeof timeout);
    return fd;
}

// Sends the bytes and reads until the server closes.
inline std::string Exchange(int port, std::string request)
{
    const int fd = ConnectTo(port);
    if (fd < 0)
        return "<no connection>";
    ::send(fd, request.data(), request.size(), MSG_NOSIGNAL);
    std::string answer;
    char buffer[65536];
    for (;;)
    {
        const ssize_t got = ::recv(fd, buffer, sizeof buffer, 0);
        if (got <= 0)
            break;
        answer.append(buffer, static_cast<std::size_t>(got));
    }
    ::close(fd);
    return answer;
}

class ServerTest : public SandboxedTest
{
protected:
    void SetUp() override
    {
        SandboxedTest::SetUp();
        EnsureQtApp();
        std::filesystem::create_directories(PathOf("images"));
        WriteFile(PathOf("images/diff.gif"), "GIF89a-diff");
        WriteFile(PathOf("images/brief.gif"), "GIF89a-brief");
        WriteFile(PathOf("images/warn.gif"), "GIF89a-warn");
        port = FreePort();
        WriteSettings("", "No", "No");
        StartServer();
    }

    void TearDown() override
    {
        server.reset();
        SandboxedTest::TearDown();
    }

    QString SettingsPath() const { return QString::fromStdString(PathOf("settings.conf").string()); }

    // The port setting is the test's free port unless a text is given.
    void WriteSettings(const std::string& portText, const char* header, const char* warning)
    {
        SettingsStore store(SettingsPath());
        store.SetValue(PortKey, portText.empty() ? std::to_string(port) : portText);
        store.SetValue(DisplayHeaderKey, header);
        store.SetValue(DisplayWarningKey, warning);
        store.Sync();
    }

    void StartServer()
    {
        server = std::make_unique<PageServer>(PageServerOptions{SettingsPath(), Dir()});
        ASSERT_TRUE(server->Listen());
    }

    std::string Get(const std::string& request)
    {
        auto future = std::async(std::launch::async, [this, request] { return Exchange(port, request); });
        return Await(future);
    }

    // "GET /<archive path without its leading slash>/<page> HTTP/1.0"
    std::string GetPage(const std::filesystem::path& archive, const std::string& page)
    {
        return Get("GET " + archive.string() + "/" + page + " HTTP/1.0\r\nHost: 127.0.0.1\r\n\r\n");
    }

    static std::tm FixedTime()
    {
        std::tm time{};
        time.tm_year = 99;
        time.tm_mon = 11;
        time.tm_mday = 7;
        time.tm_hour = 16;
        time.tm_min = 5;
        time.tm_sec = 9;
        return time;
    }

    int port = 0;
    std::unique_ptr<PageServer> server;
};

// Writes one page with its head part marked.
inline void StorePage(TKSDB& store, const std::string& url, const std::string& head, const std::string& body,
                      std::uint8_t flags, std::int16_t number, const std::string& type = "text/html")
{
    store.BeginPage(url, type, nullptr, flags, "Caption", number);
    if (!head.empty())
    {
        store.Append(head);
        store.MarkHead(head.size());
    }
    store.Append(body);
    store.EndPage();
}

} // namespace rv::test
