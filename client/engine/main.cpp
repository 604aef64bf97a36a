// rvfetch: fetches a list of addresses into a scratch archive.
//
//   rvfetch [-c CONNECTIONS] ARCHIVE.rvd ADDRESS... | -f LIST
//
// Each fetched page (or the page that explains a failure) is stored under
// its address; non-text bodies are stored from their temporary files.
// Prints one line per address with its status, then a summary.
#include "client/engine/internal/fetch-driver.h"
#include "store/archive-writer.h"

#include <QCoreApplication>
#include <cstdio>
#include <fstream>
#include <string>
#include <vector>

namespace
{

int Usage()
{
    std::fprintf(stderr, "usage: rvfetch [-c CONNECTIONS] ARCHIVE.rvd (ADDRESS... | -f LIST)\n");
    return 2;
}

// The body starts after the header and the blank line that ends it (CR LF
// CR LF, LF LF or LF CR LF); the archive keeps pages without their header.
std::string_view BodyOf(std::string_view received, std::size_t headerLength)
{
    if (headerLength == 0 || headerLength > received.size())
        return received;
    std::size_t at = headerLength;
    for (int i = 0; i < 4 && at < received.size() && (received[at] == '\r' || received[at] == '\n'); ++i)
        ++at;
    return received.substr(at);
}

void Store(rv::TKSDB& archive, rv::RetrievalRequest& request)
{
    if (!request.TempFile.Path().empty())
    {
        archive.AddFromFile(request.URL, request.ContentType, &request.Redirects, request.TempFile.Path(), request.URL, 0);
        return;
    }
    std::string_view body = request.Data.View();
    if (!body.empty())
        body.remove_suffix(1); // the closing 0 byte
    body = BodyOf(body, request.HeaderLength);
    archive.BeginPage(request.URL, request.ContentType, &request.Redirects, 0, request.URL, 0);
    archive.Append(body);
    archive.EndPage();
}

} // namespace

int main(int argc, char** argv)
{
    QCoreApplication app(argc, argv);
    int connections = 4;
    std::vector<std::string> urls;
    std::string archivePath;
    for (int i = 1; i < argc; ++i)
    {
        std::string arg = argv[i];
        if (arg == "-c" && i + 1 < argc)
            connections = std::max(1, std::atoi(argv[++i]));
        else if (arg == "-f" && i + 1 < argc)
        {
            std::ifstream list(argv[++i]);
            for (std::string line; std::getline(list, line);)
                if (!line.empty())
                    urls.push_back(line);
        }
        else if (archivePath.empty())
            archivePath = arg;
        else
            urls.push_back(arg);
    }
    if (archivePath.empty() || urls.empty())
        return Usage();

    rv::RetrievalSettings settings;
    settings.ProgramFolder = std::filesystem::temp_directory_path();
    rv::TKSDB archive;
    if (!archive.Open(archivePath, "rvfetch"))
    {
        std::fprintf(stderr, "cannot create %s\n", archivePath.c_str());
        return 1;
    }
    rv::FetchDriver driver(settings, connections);
    for (const std::string& url : urls)
        driver.Add(rv::FetchDriver::MakeRequest(url));
    int ok = 0;
    int failed = 0;
    bool finished = driver.Run(std::chrono::hours(24),
                               [&](rv::RetrievalRequest& request)
                               {
                                   (request.Success ? ok : failed) += 1;
                                   std::printf("%d %s\n", request.Status, request.URL.c_str());
                                   Store(archive, request);
                               });
    archive.Close();
    std::printf("%d fetched, %d failed%s\n", ok, failed, finished ? "" : ", unfinished");
    return failed == 0 && finished ? 0 : 1;
}
