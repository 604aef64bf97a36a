#include "client/shell/window-layout.h"

#include "client/shell/setting-texts.h"

#include <limits>
#include <optional>

namespace rv
{

namespace
{

void AppendNumbers(std::string& text, const WindowPlacement& placement)
{
    for (const std::int32_t number :
         {placement.Left, placement.Top, placement.Width, placement.Height, static_cast<std::int32_t>(placement.State)})
    {
        text += std::to_string(number) + ",";
    }
}

// Reads one "number," field; a field without its "," takes the rest of the text.
std::optional<std::int32_t> TakeNumber(std::string_view& text)
{
    const std::size_t comma = text.find(',');
    const std::string_view field = text.substr(0, comma);
    text.remove_prefix(comma == std::string_view::npos ? text.size() : comma + 1);
    return ParseNumberInRange(field, std::numeric_limits<std::int32_t>::min(), std::numeric_limits<std::int32_t>::max());
}

WindowPlacement TakePlacement(std::string_view& text)
{
    WindowPlacement placement;
    for (std::int32_t* field : {&placement.Left, &placement.Top, &placement.Width, &placement.Height})
    {
        *field = TakeNumber(text).value_or(*field);
    }
    const std::int32_t state = TakeNumber(text).value_or(0);
    placement.State = state >= 0 && state <= 2 ? static_cast<WindowState>(state) : WindowState::Normal;
    return placement;
}

} // namespace

std::string LayoutText(const WindowLayout& layout)
{
    std::string text;
    AppendNumbers(text, layout.Main);
    for (const BriefWindowPlacement& brief : layout.Briefs)
    {
        if (brief.Path.size() <= MaxPackedItemBytes)
        {
            text.push_back(static_cast<char>(static_cast<unsigned char>(brief.Path.size() + 1)));
            text += brief.Path;
            AppendNumbers(text, brief.Placement);
        }
    }
    text.push_back('\0');
    return text;
}

WindowLayout LayoutFromText(std::string_view text)
{
    WindowLayout layout;
    layout.Main = TakePlacement(text);
    while (!text.empty() && text.front() != '\0')
    {
        const std::size_t length = static_cast<unsigned char>(text.front()) - 1u;
        text.remove_prefix(1);
        if (length > text.size())
        {
            break;
        }
        BriefWindowPlacement brief;
        brief.Path = std::string(text.substr(0, length));
        text.remove_prefix(length);
        brief.Placement = TakePlacement(text);
        layout.Briefs.push_back(std::move(brief));
    }
    return layout;
}

} // namespace rv
