// The window layout kept between sessions ("Open Briefs"): the main window's bounds and state, then every
// open brief window with its file path. Pure data and functions; any thread.
#pragma once

#include <cstdint>
#include <string>
#include <string_view>
#include <vector>

namespace rv
{

enum class WindowState : std::int32_t
{
    Normal = 0,
    Minimised = 1,
    Maximised = 2,
};

// A minimised window keeps its restored position and size here.
struct WindowPlacement
{
    std::int32_t Left = 0;
    std::int32_t Top = 0;
    std::int32_t Width = 200;
    std::int32_t Height = 150;
    WindowState State = WindowState::Normal;

    bool operator==(const WindowPlacement&) const = default;
};

struct BriefWindowPlacement
{
    std::string Path;
    WindowPlacement Placement;

    bool operator==(const BriefWindowPlacement&) const = default;
};

struct WindowLayout
{
    WindowPlacement Main;
    // From the active brief window through the others in z-order.
    std::vector<BriefWindowPlacement> Briefs;

    bool operator==(const WindowLayout&) const = default;
};

// The layout text: five decimal numbers of the main window, each followed by "," (left, top, width, height,
// state); then per brief window one byte holding the path length + 1, the path, and its five numbers; a zero
// byte ends the text. A path longer than 254 bytes does not fit its length byte; its window is left out.
std::string LayoutText(const WindowLayout& layout);

// Reads a layout text. Numbers that are missing or not numbers take the defaults above, a state outside 0 to
// 2 is normal, and reading stops at the zero byte, at the end, or at a path that runs past the end.
WindowLayout LayoutFromText(std::string_view text);

} // namespace rv
