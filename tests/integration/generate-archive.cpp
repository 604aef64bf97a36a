#include "tests/integration/generate-archive.h"

#include "client/briefs/brief-store.h"
#include "client/briefs/brief.h"
#include "tests/support/sandbox.h"

#include <QProcess>
#include <filesystem>

namespace rv::test
{

testing::AssertionResult GenerateArchive(const std::string& briefPath, std::string& archive)
{
    QProcess client;
    client.start(QString::fromStdString((BinDir() / "RVClient").string()), {"--generate", QString::fromStdString(briefPath)});
    if (!client.waitForFinished(60000))
        return testing::AssertionFailure() << "RVClient did not end within a minute";
    if (client.exitCode() != 0)
        return testing::AssertionFailure() << "RVClient exited " << client.exitCode() << ": " << client.readAll().toStdString();
    TBrief ran;
    if (LoadBrief(briefPath, ran).Status != LoadStatus::Loaded)
        return testing::AssertionFailure() << "the brief does not load after its run";
    if (ran.ArchiveFiles.size() != 1)
        return testing::AssertionFailure() << "the brief keeps " << ran.ArchiveFiles.size() << " archives";
    archive = (std::filesystem::path(ran.Folder) / ran.ArchiveFiles[0]).string();
    return testing::AssertionSuccess();
}

} // namespace rv::test
