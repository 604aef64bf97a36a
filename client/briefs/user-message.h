// Messages of the brief layer for the windows to show: a message box with a
// caption and its text. The layer never shows anything itself; it returns
// one of these and the window (or the headless runner) presents it.
#pragma once

#include <string>

namespace rv
{

struct UserMessage
{
    std::string Caption;
    std::string Text;

    bool operator==(const UserMessage&) const = default;
};

inline const UserMessage BriefLoadingError{
    "Brief Organizer File Loading Error",
    "This file is either corrupt or is not a Brief Organizer file. Ravelin Pro cannot load it."};

inline const UserMessage BriefSavingError{"Brief Organizer File Saving Error", "Failed to save Brief Organizer File."};

inline const UserMessage PasswordNotConfirmed{"Password Error", "Password not correctly confirmed."};

inline const UserMessage SmartSearchNotUnderstood{
    "Search Error", "Ravelin Pro cannot understand your Smart Search query. See the help for the proper format."};

inline const char* const SpiderDepthWarning = "Spider Depths above 5 are not usually recommended.";

} // namespace rv
