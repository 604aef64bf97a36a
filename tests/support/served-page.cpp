#include "tests/support/served-page.h"

#include <QByteArray>
#include <QTcpSocket>

namespace rv::test
{

std::string ServedPage(std::uint16_t port, const std::string& archive, const std::string& page)
{
    QTcpSocket socket;
    socket.connectToHost("127.0.0.1", port);
    if (!socket.waitForConnected(5000))
        return "no connection";
    socket.write(QByteArray::fromStdString("GET " + archive + "/" + page + " HTTP/1.0\r\nHost: 127.0.0.1\r\n\r\n"));
    std::string answer;
    while (socket.waitForReadyRead(5000))
        answer += socket.readAll().toStdString();
    return answer;
}

} // namespace rv::test
