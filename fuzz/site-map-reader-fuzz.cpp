// Reads arbitrary bytes as a site-map file, as the server does with the
// file of an archive the client left unfinished. The reader must stop at the
// last complete record, never reserve more than the input holds, and give
// back records whose byte form is exactly what it consumed.
#include "store/site-map-reader.h"
#include "store/toc-list.h"

#include <cstdint>
#include <cstdlib>
#include <sstream>
#include <string>

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size)
{
    const std::string bytes(reinterpret_cast<const char*>(data), size);
    std::istringstream in(bytes);
    rv::SiteMapReader reader(in);
    rv::TOCList list;
    std::string again;
    for (;;)
    {
        auto node = std::make_unique<rv::TOCNode>();
        if (!reader.Next(*node))
        {
            break;
        }
        again += rv::EncodeSiteMapRecord(*node);
        list.Append(std::move(node));
    }
    if (again != bytes.substr(0, reader.CompleteBytes()))
    {
        std::abort();
    }
    if ((reader.Ending() == rv::SiteMapReadStatus::End) != (reader.CompleteBytes() == size))
    {
        std::abort();
    }
    if (list.Count() * rv::MinSiteMapRecordBytes > size)
    {
        std::abort();
    }
    return 0;
}
