// The file watch: every change that a stat would see makes the file "may
// have changed" once; changes to other files of the folder do not.
#include "server/file-watch.h"

#include <chrono>
#include <filesystem>
#include <fstream>
#include <gtest/gtest.h>

namespace rv
{
namespace
{

namespace fs = std::filesystem;

void Write(const fs::path& file, const std::string& text)
{
    std::ofstream(file, std::ios::binary) << text;
}

TEST(FileWatch, ReportsEachChangeToTheFileOnceAndNothingElse)
{
    const fs::path folder = fs::path(::testing::TempDir()) / "file-watch";
    fs::remove_all(folder);
    fs::create_directories(folder);
    const fs::path file = folder / "A.rvd";
    const struct
    {
        const char* what;
        std::function<void()> change;
        bool reported;
    } rows[] = {
        {"nothing", [] {}, false},
        {"another file written", [&] { Write(folder / "B.rvd", "b"); }, false},
        {"written in place", [&] { Write(file, "longer text"); }, true},
        {"its time set", [&] { fs::last_write_time(file, fs::last_write_time(file) - std::chrono::hours(1)); }, true},
        {"replaced by a rename", [&] { fs::rename(folder / "B.rvd", file); }, true},
        {"removed", [&] { fs::remove(file); }, true},
        {"made again", [&] { Write(file, "a"); }, true},
        {"its folder removed and made again",
         [&]
         {
             fs::remove_all(folder);
             fs::create_directories(folder);
             Write(file, "a");
         },
         true},
        {"nothing, in the new folder", [] {}, false},
        {"written in the new folder", [&] { Write(file, "new"); }, true},
    };
    Write(file, "a");
    FileWatch watch;
    EXPECT_TRUE(watch.MayHaveChanged(file)) << "the first question";
    for (const auto& row : rows)
    {
        row.change();
        EXPECT_EQ(watch.MayHaveChanged(file), row.reported) << row.what;
        EXPECT_FALSE(watch.MayHaveChanged(file)) << row.what << ", asked again";
    }
    // Within a batch the reports are read at its start only.
    {
        const FileWatch::Batch batch(watch);
        Write(file, "during the batch");
        EXPECT_FALSE(watch.MayHaveChanged(file));
    }
    EXPECT_TRUE(watch.MayHaveChanged(file));
    fs::remove_all(folder);
}

} // namespace
} // namespace rv
