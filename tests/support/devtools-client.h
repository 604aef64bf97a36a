// A small client for a browser's DevTools protocol, enough to drive headless
// Chromium from a test: a WebSocket over a blocking loopback socket, JSON
// commands and events, and a record of every request that failed.
//
// Everything blocks the calling thread with a time-out; nothing here runs
// an event loop, so the server under test must run in another process or
// thread.
#pragma once

#include <QByteArray>
#include <QJsonArray>
#include <QJsonDocument>
#include <QJsonObject>
#include <arpa/inet.h>
#include <chrono>
#include <deque>
#include <map>
#include <netinet/in.h>
#include <optional>
#include <string>
#include <sys/socket.h>
#include <unistd.h>
#include <vector>

namespace rv::test
{

class DevToolsClient
{
public:
    // A request that got no answer, or an answer of 400 or more.
    struct Failure
    {
        std::string url;
        std::string reason;
    };

    ~DevToolsClient()
    {
        if (fd_ >= 0)
            ::close(fd_);
    }

    // Opens the WebSocket of a target, "ws://127.0.0.1:PORT/devtools/page/ID".
    bool Connect(const std::string& webSocketUrl)
    {
        const std::string prefix = "ws://127.0.0.1:";
        if (!webSocketUrl.starts_with(prefix))
            return false;
        const std::size_t slash = webSocketUrl.find('/', prefix.size());
        const int port = std::stoi(webSocketUrl.substr(prefix.size(), slash - prefix.size()));
        fd_ = ::socket(AF_INET, SOCK_STREAM, 0);
        sockaddr_in address{};
        address.sin_family = AF_INET;
        address.sin_port = htons(static_cast<uint16_t>(port));
        address.sin_addr.s_addr = htonl(INADDR_LOOPBACK);
        if (::connect(fd_, reinterpret_cast<sockaddr*>(&address), sizeof address) != 0)
            return false;
        timeval timeout{2, 0};
        ::setsockopt(fd_, SOL_SOCKET, SO_RCVTIMEO, &timeout, sizeof timeout);
        const std::string handshake = "GET " + webSocketUrl.substr(slash) +
                                      " HTTP/1.1\r\nHost: 127.0.0.1:" + std::to_string(port) +
                                      "\r\nUpgrade: websocket\r\nConnection: Upgrade\r\n"
                                      "Sec-WebSocket-Key: dGhlIHNhbXBsZSBub25jZQ==\r\nSec-WebSocket-Version: 13\r\n\r\n";
        if (!SendAll(handshake))
            return false;
        std::string answer;
        char byte = 0;
        while (!answer.ends_with("\r\n\r\n") && answer.size() < 4096 && ReadExact(&byte, 1))
            answer += byte;
        return answer.starts_with("HTTP/1.1 101");
    }

    // Sends a command and waits for its result; events that arrive meanwhile
    // are kept. Nothing when the command failed or no answer came in time.
    std::optional<QJsonObject> Call(const QString& method, const QJsonObject& params = {})
    {
        const int id = ++lastId_;
        QJsonObject command{{"id", id}, {"method", method}, {"params", params}};
        if (!SendText(QJsonDocument(command).toJson(QJsonDocument::Compact).toStdString()))
            return std::nullopt;
        const auto until = std::chrono::steady_clock::now() + std::chrono::seconds(30);
        while (std::chrono::steady_clock::now() < until)
        {
            std::optional<QJsonObject> message = ReadJson();
            if (!message)
                continue;
            if (message->value("id").toInt() == id)
            {
                if (message->contains("error"))
                    return std::nullopt;
                return message->value("result").toObject();
            }
        }
        return std::nullopt;
    }

    // Waits for the next event of that name after the last one taken.
    bool WaitForEvent(const QString& method, std::chrono::seconds limit = std::chrono::seconds(30))
    {
        const auto until = std::chrono::steady_clock::now() + limit;
        for (;;)
        {
            while (!events_.empty())
            {
                const QString name = events_.front();
                events_.pop_front();
                if (name == method)
                    return true;
            }
            if (std::chrono::steady_clock::now() >= until)
                return false;
            ReadJson();
        }
    }

    // Forgets the events received so far, before an action whose events the
    // test waits for.
    void ClearEvents() { events_.clear(); }

    // Evaluates a JavaScript expression in the page; its value as text.
    std::string Evaluate(const QString& expression)
    {
        const std::optional<QJsonObject> result =
            Call("Runtime.evaluate", {{"expression", expression}, {"returnByValue", true}});
        if (!result)
            return "<evaluation failed>";
        const QJsonValue value = result->value("result").toObject().value("value");
        return value.isString() ? value.toString().toStdString() : QJsonDocument(QJsonArray{value}).toJson().toStdString();
    }

    // A PNG of the page as it is shown.
    QByteArray Screenshot()
    {
        const std::optional<QJsonObject> result = Call("Page.captureScreenshot", {{"format", "png"}});
        return result ? QByteArray::fromBase64(result->value("data").toString().toLatin1()) : QByteArray();
    }

    const std::vector<Failure>& Failures() const { return failures_; }
    const std::vector<std::string>& Answered() const { return answered_; }

private:
    bool SendAll(std::string_view bytes)
    {
        while (!bytes.empty())
        {
            const ssize_t sent = ::send(fd_, bytes.data(), bytes.size(), MSG_NOSIGNAL);
            if (sent <= 0)
                return false;
            bytes.remove_prefix(static_cast<std::size_t>(sent));
        }
        return true;
    }

    bool ReadExact(char* out, std::size_t count)
    {
        while (count > 0)
        {
            const ssize_t got = ::recv(fd_, out, count, 0);
            if (got <= 0)
                return false;
            out += got;
            count -= static_cast<std::size_t>(got);
        }
        return true;
    }

    // One masked frame, as a client must send.
    bool SendFrame(unsigned char opcode, const std::string& payload)
    {
        std::string frame(1, static_cast<char>(0x80 | opcode));
        const std::size_t size = payload.size();
        if (size < 126)
            frame += static_cast<char>(0x80 | size);
        else if (size <= 0xFFFF)
        {
            frame += static_cast<char>(0x80 | 126);
            frame += static_cast<char>(size >> 8);
            frame += static_cast<char>(size & 0xFF);
        }
        else
        {
            frame += static_cast<char>(0x80 | 127);
            for (int shift = 56; shift >= 0; shift -= 8)
                frame += static_cast<char>((static_cast<std::uint64_t>(size) >> shift) & 0xFF);
        }
        const char mask[4] = {0x15, 0x2a, 0x3f, 0x54};
        frame.append(mask, 4);
        for (std::size_t i = 0; i < size; ++i)
            frame += static_cast<char>(payload[i] ^ mask[i % 4]);
        return SendAll(frame);
    }

    bool SendText(const std::string& text) { return SendFrame(0x1, text); }

    // The next whole text message; nothing on a time-out or a closed socket.
    std::optional<std::string> ReadMessage()
    {
        std::string message;
        for (;;)
        {
            unsigned char head[2];
            if (!ReadExact(reinterpret_cast<char*>(head), 2))
                return std::nullopt;
            std::uint64_t size = head[1] & 0x7F;
            const int extra = size == 126 ? 2 : size == 127 ? 8 : 0;
            if (extra)
            {
                unsigned char bytes[8];
                if (!ReadExact(reinterpret_cast<char*>(bytes), static_cast<std::size_t>(extra)))
                    return std::nullopt;
                size = 0;
                for (int i = 0; i < extra; ++i)
                    size = (size << 8) | bytes[i];
            }
            if (size > (std::uint64_t{64} << 20))
                return std::nullopt; // no DevTools message is this large
            std::string payload(static_cast<std::size_t>(size), '\0');
            if (!ReadExact(payload.data(), payload.size()))
                return std::nullopt;
            const int opcode = head[0] & 0x0F;
            if (opcode == 0x8)
                return std::nullopt;
            if (opcode == 0x9)
            {
                SendFrame(0xA, payload);
                continue;
            }
            message += payload;
            if (head[0] & 0x80)
                return message;
        }
    }

    std::optional<QJsonObject> ReadJson()
    {
        const std::optional<std::string> text = ReadMessage();
        if (!text)
            return std::nullopt;
        const QJsonObject message = QJsonDocument::fromJson(QByteArray::fromStdString(*text)).object();
        if (message.contains("method"))
            NoteEvent(message.value("method").toString(), message.value("params").toObject());
        return message;
    }

    void NoteEvent(const QString& method, const QJsonObject& params)
    {
        events_.push_back(method);
        const std::string id = params.value("requestId").toString().toStdString();
        if (method == "Network.requestWillBeSent")
            urls_[id] = params.value("request").toObject().value("url").toString().toStdString();
        else if (method == "Network.responseReceived")
        {
            const QJsonObject response = params.value("response").toObject();
            const int status = response.value("status").toInt();
            const std::string url = response.value("url").toString().toStdString();
            answered_.push_back(url);
            if (status >= 400)
                failures_.push_back({url, "status " + std::to_string(status)});
        }
        else if (method == "Network.loadingFailed")
            failures_.push_back({urls_[id], params.value("errorText").toString().toStdString()});
    }

    int fd_ = -1;
    int lastId_ = 0;
    std::deque<QString> events_;
    std::map<std::string, std::string> urls_;
    std::vector<Failure> failures_;
    std::vector<std::string> answered_;
};

} // namespace rv::test
