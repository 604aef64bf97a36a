#include "platform/program-folders.h"
#include "tests/support/sandbox.h"

#include <gtest/gtest.h>

namespace rv
{
namespace
{

class ProgramFoldersTest : public test::SandboxedTest
{
};

TEST_F(ProgramFoldersTest, DataIsBesideTheProgramInTheBuildTreeAndInShareWhenInstalled)
{
    struct Case
    {
        const char* made;     // folder made under the sandbox
        const char* program;  // the program's folder
        const char* expected; // the data folder
    };
    const Case cases[] = {
        {"build/bin/images", "build/bin", "build/bin"},
        {"usr/share/ravelin", "usr/bin", "usr/share/ravelin"},
        {"lone/bin", "lone/bin", "lone/bin"},
    };
    for (const Case& row : cases)
    {
        SCOPED_TRACE(row.program);
        std::filesystem::create_directories(PathOf(row.made));
        EXPECT_EQ(DataFolderFor(QString::fromStdString(PathOf(row.program).string())).toStdString(),
                  PathOf(row.expected).string());
    }
}

} // namespace
} // namespace rv
