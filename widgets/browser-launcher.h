// The browser launcher as the windows use it: the launch itself and its
// "Browser Not Set" message.
#pragma once

#include "client/briefs/user-message.h"
#include "platform/browser-launch.h"

namespace rv
{

inline const UserMessage BrowserNotSet{BrowserNotSetTitle, BrowserNotSetText};

} // namespace rv
