// The settings file is plain text that users and other programs may edit: whatever it holds must read without
// fault, and what is read must survive being written and read again.
#include "platform/settings-file-format.h"

#include <cstdint>
#include <cstdlib>
#include <string_view>

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size)
{
    const std::string_view text(reinterpret_cast<const char*>(data), size);
    const rv::SettingsMap read = rv::ParseSettingsText(text);
    if (rv::ParseSettingsText(rv::FormatSettingsText(read)) != read)
    {
        std::abort();
    }
    return 0;
}
