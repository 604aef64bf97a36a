// Reads arbitrary bytes as the text form of a brief. A text that reads must
// write back to a text that reads to the same brief again.
#include "client/briefs/brief-file.h"
#include "client/briefs/brief-text.h"

#include <cstdint>
#include <cstdlib>
#include <string_view>

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size)
{
    rv::TBrief brief;
    rv::ResetBrief(brief, "/fuzz/Brief.brf");
    const std::string_view text(reinterpret_cast<const char*>(data), size);
    if (!rv::ReadBriefText(text, brief).Ok)
    {
        return 0;
    }
    const std::string written = rv::WriteBriefText(brief, true);
    rv::TBrief again;
    rv::ResetBrief(again, brief.FilePath);
    if (!rv::ReadBriefText(written, again).Ok || rv::WriteBriefText(again, true) != written ||
        rv::WriteBriefFile(again) != rv::WriteBriefFile(brief))
    {
        std::abort();
    }
    return 0;
}
