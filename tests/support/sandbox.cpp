#include "tests/support/sandbox.h"

#include <cstdlib>
#include <fstream>
#include <iterator>
#include <stdexcept>

namespace rv::test
{

void SandboxedTest::SetUp()
{
    std::string pattern = (std::filesystem::temp_directory_path() / "rvtest-XXXXXX").string();
    if (mkdtemp(pattern.data()) == nullptr)
    {
        throw std::runtime_error("cannot make a sandbox folder");
    }
    dir_ = pattern;
}

void SandboxedTest::TearDown()
{
    if (std::getenv("RV_KEEP_SANDBOX") == nullptr && !dir_.empty())
    {
        std::error_code ignored;
        std::filesystem::permissions(dir_, std::filesystem::perms::owner_all, ignored);
        std::filesystem::remove_all(dir_, ignored);
    }
}

std::string ReadFile(const std::filesystem::path& path)
{
    std::ifstream in(path, std::ios::binary);
    return std::string((std::istreambuf_iterator<char>(in)), std::istreambuf_iterator<char>());
}

void WriteFile(const std::filesystem::path& path, std::string_view bytes)
{
    std::ofstream out(path, std::ios::binary | std::ios::trunc);
    out.write(bytes.data(), static_cast<std::streamsize>(bytes.size()));
    if (!out)
    {
        throw std::runtime_error("cannot write " + path.string());
    }
}

namespace
{

std::filesystem::path FromEnv(const char* name, const char* fallback)
{
    const char* value = std::getenv(name);
    return value != nullptr ? std::filesystem::path(value) : std::filesystem::path(fallback);
}

} // namespace

std::filesystem::path SourceDir()
{
    return FromEnv("RV_SOURCE_DIR", RV_DEFAULT_SOURCE_DIR);
}

std::filesystem::path BinDir()
{
    return FromEnv("RV_BIN_DIR", RV_DEFAULT_BIN_DIR);
}

} // namespace rv::test
