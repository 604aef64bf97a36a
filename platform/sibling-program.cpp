#include "platform/sibling-program.h"

#include <filesystem>
#include <system_error>
#include <unistd.h>

namespace rv
{

void ExecSiblingProgram(const char* name, char** argv)
{
    std::error_code error;
    const std::filesystem::path self = std::filesystem::read_symlink("/proc/self/exe", error);
    // Without /proc, the folder of the name this program was started by; a
    // bare name was found on PATH, and so is the other program.
    const std::filesystem::path folder = (error ? std::filesystem::path(argv[0]) : self).parent_path();
    const std::filesystem::path program = folder / name;
    if (folder.empty())
        ::execvp(program.c_str(), argv);
    else
        ::execv(program.c_str(), argv);
}

} // namespace rv
