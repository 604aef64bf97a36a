// The pages the server makes up itself: the explanatory pages (or
// redirects) for links that were not retrieved, "Page Not Retrieved" and
// "File Not Found". Each function returns the whole answer, status line
// included.
#pragma once

#include "server/page-decoration.h"
#include "server/page-table.h"

#include <string>
#include <string_view>

namespace rv
{

// The Web address of a link that was not retrieved: the key without its
// number prefix, with the first "&colon;" turned into ":".
std::string LinkAddress(std::string_view key);
// The address as link text (HtmlText).
std::string LinkText(std::string_view address);

// The answer for a link recorded with position 0 or less: a warning page
// when displayWarning is on, else a redirect to the link's address.
std::string ServeLinkPage(const DecorationContext& context, bool displayWarning, const PageEntry& entry, bool cumulative);

// A page name that the loaded archive does not hold.
std::string PageNotInBrief(const DecorationContext& context, bool displayWarning, std::string_view pageName, int number,
                           bool cumulative);

// An archive or image that cannot be read (status 404).
std::string FileNotFoundMessage(const DecorationContext& context);

// A request whose Host header names another host (status 403).
std::string ForbiddenMessage();
// A request without a Host header (status 400).
std::string BadRequestMessage();
// A request whose header did not end within MaxRequestBytes (status 431).
std::string HeaderTooLargeMessage();

} // namespace rv
