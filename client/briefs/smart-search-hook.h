// The check of a Smart Search query, installed by the Smart Search code so
// that the brief model can refuse a query the engine would not understand
// without depending on the engine.
//
// Install the parser once at start-up, before any window applies entry
// settings; it is then called on the main thread only.
#pragma once

#include <functional>
#include <string_view>

namespace rv
{

// True when the query is one the Smart Search evaluator understands.
using SmartSearchParser = std::function<bool(std::string_view query)>;

// Replaces the installed parser; an empty function accepts every query.
void SetSmartSearchParser(SmartSearchParser parser);

// Asks the installed parser; true when none is installed.
bool SmartSearchQueryAccepted(std::string_view query);

} // namespace rv
