// `cmake --install` into a fresh prefix: the installed RVClient finds its data
// in share/ravelin and runs the demo brief, and the desktop finds the
// programs, their icons and the brief file type.
#include "client/briefs/brief-store.h"
#include "client/briefs/brief.h"
#include "tests/support/core-application.h"
#include "tests/support/sandbox.h"

#include <QProcess>
#include <gtest/gtest.h>

namespace rv
{
namespace
{

class InstallTest : public test::SandboxedTest
{
protected:
    static void SetUpTestSuite() { test::EnsureCoreApplication(); }

    // Runs the program to its end; false with its output when it fails.
    testing::AssertionResult Run(const QString& program, const QStringList& arguments)
    {
        QProcess process;
        QProcessEnvironment environment = QProcessEnvironment::systemEnvironment();
        environment.insert(QStringLiteral("XDG_CONFIG_HOME"), QString::fromStdString(PathOf("config").string()));
        environment.insert(QStringLiteral("XDG_RUNTIME_DIR"), QString::fromStdString(PathOf("run").string()));
        process.setProcessEnvironment(environment);
        process.setProcessChannelMode(QProcess::MergedChannels);
        process.start(program, arguments);
        if (!process.waitForFinished(120000) || process.exitStatus() != QProcess::NormalExit || process.exitCode() != 0)
            return testing::AssertionFailure() << program.toStdString() << " failed:\n" << process.readAll().toStdString();
        return testing::AssertionSuccess();
    }
};

TEST_F(InstallTest, InstalledClientRunsTheDemoBriefAndTheDesktopFindsEverything)
{
    std::filesystem::create_directories(PathOf("run"));
    std::filesystem::permissions(PathOf("run"), std::filesystem::perms::owner_all);
    const std::filesystem::path prefix = PathOf("prefix");
    ASSERT_TRUE(Run(QStringLiteral("cmake"),
                    {QStringLiteral("--install"), QString::fromStdString(test::BinDir().parent_path().string()),
                     QStringLiteral("--prefix"), QString::fromStdString(prefix.string())}));

    const std::string demo = (prefix / "share/ravelin/Briefs/Demo.brf").string();
    ASSERT_TRUE(Run(QString::fromStdString((prefix / "bin/RVClient").string()),
                    {QStringLiteral("--generate"), QString::fromStdString(demo)}));
    TBrief brief;
    ASSERT_EQ(LoadBrief(demo, brief).Status, LoadStatus::Loaded);
    ASSERT_EQ(brief.ArchiveFiles.size(), 1u);
    EXPECT_TRUE(std::filesystem::exists(prefix / "share/ravelin/Briefs" / brief.ArchiveFiles[0]));

    const std::string bin = (prefix / "bin").string();
    struct Installed
    {
        const char* path;
        std::string holds; // a line the file must hold; empty: it only exists
    };
    const Installed files[] = {
        {"bin/RVServer", ""},
        {"bin/rvserver-window", ""},
        {"share/ravelin/images/brief.gif", ""},
        {"share/ravelin/help/108.html", ""},
        {"share/ravelin/search-engines.sel", ""},
        {"share/ravelin/Briefs/News.brf", ""},
        {"share/applications/ravelin-client.desktop", "Exec=" + bin + "/RVClient %F\n"},
        {"share/applications/ravelin-client.desktop", "MimeType=application/x-ravelin-brief;\n"},
        {"share/applications/ravelin-server.desktop", "Exec=" + bin + "/RVServer\n"},
        {"share/icons/hicolor/scalable/apps/ravelin-client.svg", ""},
        {"share/icons/hicolor/48x48/apps/ravelin-server.png", ""},
        {"share/mime/packages/ravelin.xml", "<glob pattern=\"*.brf\" case-sensitive=\"false\"/>"},
        {"share/mime/packages/ravelin.xml", "<glob pattern=\"*.rvd\" case-sensitive=\"false\"/>"},
        {"share/metainfo/works.marrowby.Ravelin.metainfo.xml", "<launchable type=\"desktop-id\">ravelin-client.desktop"},
        {"lib/systemd/user/ravelin-schedule.service", "ExecStart=" + bin + "/RVClient --schedule"},
    };
    for (const Installed& file : files)
    {
        SCOPED_TRACE(file.path);
        EXPECT_TRUE(std::filesystem::exists(prefix / file.path));
        if (!file.holds.empty())
        {
            EXPECT_NE(test::ReadFile(prefix / file.path).find(file.holds), std::string::npos);
        }
    }
}

} // namespace
} // namespace rv
