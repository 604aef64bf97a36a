// Reads arbitrary bytes as a brief file. A file that loads must write back
// to bytes that load to the same brief again.
#include "client/briefs/brief-file.h"

#include <cstdint>
#include <cstdlib>
#include <string_view>

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size)
{
    rv::TBrief brief;
    rv::ResetBrief(brief, "/fuzz/Brief.brf");
    const std::string_view bytes(reinterpret_cast<const char*>(data), size);
    if (rv::ReadBriefFile(bytes, brief).Status != rv::BriefReadStatus::Loaded)
    {
        return 0;
    }
    const std::string written = rv::WriteBriefFile(brief);
    rv::TBrief again;
    rv::ResetBrief(again, brief.FilePath);
    if (rv::ReadBriefFile(written, again).Status != rv::BriefReadStatus::Loaded || rv::WriteBriefFile(again) != written)
    {
        std::abort();
    }
    return 0;
}
