// The pages the engine stores in place of a page it could not fetch. They
// are stored in the archive like fetched pages and begin with a pseudo
// status line that the engine and the page server recognise: "HTTP/1.0 888"
// for the client's own pages, "HTTP/1.0 500" for pages that stand for a
// status the server answered.
//
// In every page a quotation mark in the address becomes an apostrophe and
// "<" and ">" become %3C and %3E, so an address taken from a page can
// neither end the href attribute nor open a tag.
#pragma once

#include <algorithm>
#include <string>
#include <string_view>

namespace rv
{

struct RetrievalRequest;

enum class ClientPage
{
    Skipped,
    NoConnection,
    NotLoaded,
    BadCredentials,
    ExternalLink
};

// The titles whose presence in a 200 answer means a stored failure page
// came back (a page of our own server, or of another copy of this program).
inline constexpr std::string_view FailurePageTitles[] = {
    "<html><title>Ravelin Pro Web page skipped</title>",
    "<html><title>Inaccessible Page</title>",
    "<html><title>Page Not Available</title>",
    "<html><title>Page Not Retrieved</title>",
};

// Whether any of FailurePageTitles occurs in text: one pass over it, since
// every title starts alike.
inline bool HasFailurePageTitle(std::string_view text)
{
    constexpr std::string_view start = "<html><title>";
    static_assert(std::ranges::all_of(FailurePageTitles, [](std::string_view title) { return title.starts_with(start); }));
    for (std::size_t at = text.find(start); at != std::string_view::npos; at = text.find(start, at + 1))
        for (std::string_view title : FailurePageTitles)
            if (text.substr(at).starts_with(title))
                return true;
    return false;
}

std::string ClientPageText(ClientPage page, std::string_view url);
// reason: "failed to load" or "was not found".
std::string FileErrorPageText(std::string_view url, std::string_view reason);
// The page for a status the server answered (202, 204, 400, 403, 404, 501,
// any other).
std::string StatusPageText(int status, std::string_view url);

// Replaces the request's body with page and one 0 byte, marks the body ready
// and sets the content type to "text/html".
void StorePage(RetrievalRequest& request, std::string_view page);

} // namespace rv
