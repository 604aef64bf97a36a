// Test fixtures shared by every test folder.
#pragma once

#include <filesystem>
#include <gtest/gtest.h>
#include <string>
#include <string_view>

namespace rv::test
{

// A fresh temporary folder per test, removed with everything in it when the
// test ends (kept when RV_KEEP_SANDBOX is set, for looking at a failure).
class SandboxedTest : public ::testing::Test
{
protected:
    void SetUp() override;
    void TearDown() override;

    const std::filesystem::path& Dir() const { return dir_; }
    std::filesystem::path PathOf(std::string_view name) const { return dir_ / name; }

private:
    std::filesystem::path dir_;
};

// Whole-file helpers; ReadFile of a missing file gives "".
std::string ReadFile(const std::filesystem::path& path);
void WriteFile(const std::filesystem::path& path, std::string_view bytes);

// The source tree (for test data) and the folder of the built programs.
std::filesystem::path SourceDir();
std::filesystem::path BinDir();

} // namespace rv::test
