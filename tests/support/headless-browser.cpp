#include "tests/support/headless-browser.h"

#include "tests/support/sandbox.h"

#include <QJsonArray>
#include <QJsonDocument>
#include <QStandardPaths>
#include <QThread>
#include <arpa/inet.h>
#include <netinet/in.h>
#include <sys/socket.h>
#include <unistd.h>

namespace rv::test
{

namespace
{

// Sends a request to a loopback port and reads the answer until the peer
// closes; empty when nothing answers.
std::string Exchange(int port, const std::string& request)
{
    const int fd = ::socket(AF_INET, SOCK_STREAM, 0);
    sockaddr_in address{};
    address.sin_family = AF_INET;
    address.sin_port = htons(static_cast<uint16_t>(port));
    address.sin_addr.s_addr = htonl(INADDR_LOOPBACK);
    std::string answer;
    if (fd >= 0 && ::connect(fd, reinterpret_cast<sockaddr*>(&address), sizeof address) == 0 &&
        ::send(fd, request.data(), request.size(), MSG_NOSIGNAL) == static_cast<ssize_t>(request.size()))
    {
        timeval wait{5, 0};
        ::setsockopt(fd, SOL_SOCKET, SO_RCVTIMEO, &wait, sizeof wait);
        char buffer[4096];
        for (ssize_t got; (got = ::recv(fd, buffer, sizeof buffer, 0)) > 0;)
            answer.append(buffer, static_cast<std::size_t>(got));
    }
    if (fd >= 0)
        ::close(fd);
    return answer;
}

} // namespace

HeadlessBrowser::~HeadlessBrowser()
{
    if (process_.state() != QProcess::NotRunning)
    {
        process_.kill();
        process_.waitForFinished(5000);
    }
}

QString HeadlessBrowser::Program()
{
    return QStandardPaths::findExecutable("chromium");
}

std::string HeadlessBrowser::Start(const std::filesystem::path& profile)
{
    process_.start(Program(),
                   {"--headless=new", "--no-sandbox", "--disable-gpu", "--disable-quic", "--no-first-run",
                    "--disable-background-networking", "--disable-component-update", "--disable-sync", "--window-size=1000,700",
                    "--remote-debugging-port=0", "--user-data-dir=" + QString::fromStdString(profile.string()), "about:blank"});
    if (!process_.waitForStarted(10000))
        return "chromium did not start";
    std::string active;
    for (int i = 0; i < 300 && active.find('\n') == std::string::npos; ++i)
    {
        QThread::msleep(100);
        active = ReadFile(profile / "DevToolsActivePort");
    }
    if (active.find('\n') == std::string::npos)
        return "chromium wrote no DevToolsActivePort";
    const int devtoolsPort = std::stoi(active.substr(0, active.find('\n')));
    port_ = devtoolsPort;
    // The DevTools server wants a Host header; it may take a moment to answer.
    const std::string request =
        "GET /json/list HTTP/1.1\r\nHost: 127.0.0.1:" + std::to_string(devtoolsPort) + "\r\nConnection: close\r\n\r\n";
    std::string list;
    for (int i = 0; i < 50 && list.find("\r\n\r\n") == std::string::npos; ++i)
    {
        list = Exchange(devtoolsPort, request);
        QThread::msleep(list.empty() ? 100 : 0);
    }
    const std::size_t body = list.find("\r\n\r\n");
    if (body == std::string::npos)
        return "chromium's DevTools server does not answer";
    const QJsonArray targets = QJsonDocument::fromJson(QByteArray::fromStdString(list.substr(body + 4))).array();
    for (const QJsonValue& target : targets)
    {
        if (target.toObject().value("type").toString() != "page")
            continue;
        if (!devtools_.Connect(target.toObject().value("webSocketDebuggerUrl").toString().toStdString()))
            return "no WebSocket to the page";
        if (!devtools_.Call("Network.enable") || !devtools_.Call("Page.enable"))
            return "chromium refused the network and page events";
        return "";
    }
    return "chromium lists no page: " + list;
}

bool HeadlessBrowser::Navigate(const std::string& url)
{
    devtools_.ClearEvents();
    return devtools_.Call("Page.navigate", {{"url", QString::fromStdString(url)}}) &&
           devtools_.WaitForEvent("Page.loadEventFired");
}

bool HeadlessBrowser::Click(const std::string& selector)
{
    devtools_.ClearEvents();
    const std::string found = devtools_.Evaluate(QString::fromStdString(
        "(function(){const e=document.querySelector('" + selector + "');if(!e)return 'none';e.click();return 'ok';})()"));
    return found == "ok" && devtools_.WaitForEvent("Page.loadEventFired");
}

std::string HeadlessBrowser::BrokenImages()
{
    // An image still on its way is not broken: wait (a while, on a loaded
    // machine) until the page and every image have finished, one way or
    // the other.
    for (int wait = 0; wait < 100; ++wait)
    {
        if (devtools_.Evaluate("String(document.readyState == 'complete' && "
                               "Array.from(document.images).every(i => i.complete))") == "true")
            break;
        QThread::msleep(100);
    }
    return devtools_.Evaluate("Array.from(document.images).filter(i => !(i.complete && i.naturalWidth > 0))"
                              ".map(i => i.src).join(' ')");
}

bool HeadlessBrowser::KeepScreenshot(const std::filesystem::path& file)
{
    const QByteArray png = devtools_.Screenshot();
    if (!png.startsWith("\x89PNG"))
        return false;
    WriteFile(file, png.toStdString());
    return true;
}

} // namespace rv::test
