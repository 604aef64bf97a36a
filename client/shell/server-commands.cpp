#include "client/shell/server-commands.h"

#include "platform/server-control.h"

#include <QString>

namespace rv
{

bool DeleteArchiveFile(const std::filesystem::path& archive)
{
    const QString path = QString::fromStdString(std::filesystem::absolute(archive).lexically_normal().string());
    std::error_code error;
    for (int attempt = 0; attempt < 2; ++attempt)
    {
        ServerCloseFile(path);
        std::filesystem::remove(archive, error);
        if (!std::filesystem::exists(archive, error) && !error)
            return true;
    }
    return false;
}

void ServerOnClientExit(const ServerSettings& servers)
{
    if (servers.closeServer)
        ServerShutdown();
}

} // namespace rv
