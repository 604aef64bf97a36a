// Where the preferences find the dial-up connections to choose from. The desktop's network connection layer
// implements it; until one is given there are none.
#pragma once

#include <string>
#include <vector>

namespace rv
{

class DialUpConnections
{
public:
    virtual ~DialUpConnections() = default;
    // The connection names, in the order to show them; called on the GUI thread when the dialog opens.
    virtual std::vector<std::string> Names() const = 0;
};

} // namespace rv
