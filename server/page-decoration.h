// The navigation header and footer that the server adds to pages, and the
// warning table of its explanatory pages. Every function returns the exact
// bytes to send; none sends anything itself.
#pragma once

#include "server/text-util.h"

#include <optional>
#include <string>
#include <string_view>

namespace rv
{

// What the decoration needs from the connection and the archive.
struct DecorationContext
{
    int port = 0;
    bool displayHeader = false;           // off: Header and Footer give nothing
    std::optional<std::string> briefPath; // archive path as written in URLs; none before a page was found
    std::optional<std::string> briefInfo; // the archive's information text
    int version = 1;                      // of the archive being served
    int subversion = 4;
};

// What the decoration needs from the page.
struct DecorationInputs
{
    std::string pageName;    // as asked for, possibly with a number prefix
    std::string contentType; // "text/plain" adds the preformatted wrapper
    bool cumulative = false;
    int number = -1; // -1 leaves only the Brief button
    bool siteMap = false;
    bool smartSearch = false;
    bool originalLink = false;
    bool markedDiffs = false;
    bool noRule = false; // header only
    std::string title;   // header only
};

// One button image, loaded from this server over HTTP:
// <img src="http://127.0.0.1:PORT/images/FILE" border=0 align=absmiddle width=W height=H alt="ALT">
std::string DoHeaderImage(int port, std::string_view fileName, std::string_view alt, int height, int width);

std::string Header(const DecorationContext& context, const DecorationInputs& page);
std::string Footer(const DecorationContext& context, const DecorationInputs& page);

// The warning table around the text of an explanatory page; its picture is
// the relative image "Warning".
std::string BeginTable();
std::string EndTable();

// Address helpers shared with the explanatory pages.

// True when the address starts with a scheme: it has a ":" before its first
// "/" and before its first ".".
bool StartsWithScheme(std::string_view address);
// The first "&colon" (and a ";" right after it) turned into ":".
std::string ConvertColons(std::string_view text);
// A stored name as a Web address: every "&colon;" back to ":".
std::string StoredToAddress(std::string_view name);

// Text from outside (request paths, page names, addresses, titles from an
// index) as page text: "<", ">", '"' and "'" as references, and every "&"
// that does not begin "&amp" as "&amp;", so that a name already holding
// "&amp;" is not escaped twice.
std::string HtmlText(std::string_view text);
// The same for an attribute value, quoted or not: white space becomes a
// numeric reference too. The browser decodes it back to the text.
std::string HtmlAttribute(std::string_view text);
// The number shown for a page: the name's number prefix in archives of
// version 1 subversion 4, else the given number.
int EffectiveNumber(std::string_view pageName, int number, int version, int subversion);

// Rewrites the button images of a frame header page: each "<img ...>" tag is
// dropped, and one whose text ends with a button's alternative text is
// replaced by that button's image.
std::string RewriteFrameHeadImages(std::string_view page, int port);

} // namespace rv
