// rvbrief: writes a brief file from its text form, and prints a brief file
// in that form.
//
//   rvbrief OUT.brf TEXT               (TEXT "-" reads standard input)
//   rvbrief --text [--with-credentials] FILE.brf
//
// The text form is described in client/briefs/brief-text.h and in the
// README. Used to make the demonstration brief and briefs for tests, and to
// look into or edit a brief file by hand.
#include "client/briefs/archive-catalogue.h"
#include "client/briefs/brief-file.h"
#include "client/briefs/brief-store.h"
#include "client/briefs/brief-text.h"
#include "client/briefs/brief.h"
#include "client/briefs/user-message.h"

#include <cerrno>
#include <cstdio>
#include <cstring>
#include <fstream>
#include <iostream>
#include <iterator>
#include <sstream>
#include <string>
#include <string_view>
#include <sys/stat.h>

namespace
{

constexpr const char* Usage = "usage: rvbrief OUT.brf TEXT          write a brief file from its text form\n"
                              "                                     (TEXT \"-\" reads standard input)\n"
                              "       rvbrief --text [--with-credentials] FILE.brf\n"
                              "                                     print a brief file in text form; user names,\n"
                              "                                     passwords and lock texts only with\n"
                              "                                     --with-credentials\n"
                              "       rvbrief --help\n";

int BadArguments()
{
    std::fputs(Usage, stderr);
    return 2;
}

bool ReadAll(const std::string& path, std::string& bytes)
{
    if (path == "-")
    {
        bytes.assign(std::istreambuf_iterator<char>(std::cin), std::istreambuf_iterator<char>());
        return !std::cin.bad();
    }
    std::ifstream in(path, std::ios::binary);
    if (!in)
    {
        return false;
    }
    bytes.assign(std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>());
    return !in.bad();
}

bool IsFile(const std::string& path)
{
    struct stat info
    {
    };
    return ::stat(path.c_str(), &info) == 0 && S_ISREG(info.st_mode);
}

// Reads the brief file and its catalogue without the repairs that opening a
// brief in the client saves back: printing never changes the files.
int PrintBrief(const std::string& path, bool withCredentials)
{
    std::string bytes;
    errno = 0;
    if (!IsFile(path) || !ReadAll(path, bytes))
    {
        const int error = errno != 0 ? errno : EISDIR;
        std::fprintf(stderr, "rvbrief: %s: %s\n", path.c_str(), std::strerror(error));
        return 2;
    }
    rv::TBrief brief;
    rv::ResetBrief(brief, path);
    if (rv::ReadBriefFile(bytes, brief).Status != rv::BriefReadStatus::Loaded)
    {
        std::fprintf(stderr, "rvbrief: %s: %s\n", path.c_str(), rv::BriefLoadingError.Text.c_str());
        return 2;
    }
    const std::string interrupted = rv::CataloguePath(path, true);
    std::string catalogue;
    if (!ReadAll(IsFile(interrupted) ? interrupted : rv::CataloguePath(path), catalogue) ||
        !rv::ReadCatalogue(catalogue, brief))
    {
        rv::ClearArchives(brief);
    }
    const std::string text = rv::WriteBriefText(brief, withCredentials);
    std::fwrite(text.data(), 1, text.size(), stdout);
    return std::fflush(stdout) == 0 ? 0 : 1;
}

int WriteBrief(const std::string& out, const std::string& textPath)
{
    std::string text;
    if (!ReadAll(textPath, text))
    {
        std::fprintf(stderr, "rvbrief: cannot read %s\n", textPath.c_str());
        return 1;
    }
    rv::TBrief brief;
    rv::ResetBrief(brief, out);
    const rv::BriefTextResult read = rv::ReadBriefText(text, brief);
    if (!read.Ok)
    {
        std::fprintf(stderr, "rvbrief: %s:%d: %s\n", textPath.c_str(), read.Line, read.Message.c_str());
        return 1;
    }
    if (rv::SaveBrief(brief, false) != rv::SaveStatus::Saved)
    {
        std::fprintf(stderr, "rvbrief: cannot write %s\n", out.c_str());
        return 1;
    }
    return 0;
}

} // namespace

int main(int argc, char** argv)
{
    if (argc == 2 && std::string_view(argv[1]) == "--help")
    {
        std::fputs(Usage, stdout);
        return 0;
    }
    if (argc >= 2 && std::string_view(argv[1]) == "--text")
    {
        const bool withCredentials = argc == 4 && std::string_view(argv[2]) == "--with-credentials";
        if (argc != 3 + (withCredentials ? 1 : 0) || argv[argc - 1][0] == '-')
        {
            return BadArguments();
        }
        return PrintBrief(argv[argc - 1], withCredentials);
    }
    if (argc != 3 || argv[1][0] == '-')
    {
        return BadArguments();
    }
    return WriteBrief(argv[1], argv[2]);
}
