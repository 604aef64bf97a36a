#include "client/pages/synthetic-pages.h"

#include "client/pages/retrieval-request.h"
#include "client/pages/store-address.h"
#include "client/pages/url-parts.h"

namespace rv
{

namespace
{

constexpr std::string_view TableOpen = "<table>\r\n<tr>\r\n<td width=80>\r\n<img src=\"Warning\" width=64 height=64>\r\n"
                                       "</td>\r\n<td>\r\n";
constexpr std::string_view TableEnd = "</td>\r\n</tr>\r\n</table>\r\n";
constexpr std::string_view InaccessibleTitle = "<html><title>Inaccessible Page</title><body>";
constexpr std::string_view InaccessibleHeading = "<h2>Inaccessible Page</h2>";

std::string SafeUrl(std::string_view url)
{
    std::string out;
    out.reserve(url.size());
    for (char c : url)
    {
        if (c == '"')
            out += '\'';
        else if (c == '<')
            out += "%3C";
        else if (c == '>')
            out += "%3E";
        else
            out += c;
    }
    return out;
}

// "http://" goes in front unless the address has a scheme of its own.
std::string WithHttp(const std::string& url)
{
    return HasOwnScheme(url) ? url : "http://" + url;
}

std::string Link(const std::string& href, const std::string& text)
{
    return "<a href=\"" + href + "\">" + text + "</a>";
}

std::string ClientPageBody(std::string_view title, std::string_view heading, const std::string& text)
{
    std::string page = "HTTP/1.0 888\r\n\r\n";
    page += title;
    page += TableOpen;
    page += heading;
    page += text;
    page += TableEnd;
    page += "</body></html>";
    return page;
}

} // namespace

std::string ClientPageText(ClientPage kind, std::string_view rawUrl)
{
    const std::string url = SafeUrl(rawUrl);
    const std::string link = Link(WithHttp(url), url);
    switch (kind)
    {
    case ClientPage::Skipped:
        return ClientPageBody("<html><title>Ravelin Pro Web page skipped</title><body>", "<h2>Page Skipped</h2>",
                              "You asked Ravelin Pro to skip this Web entry (" + Link(WithHttp(url), WithHttp(url)) + ").");
    case ClientPage::NoConnection:
        return ClientPageBody(InaccessibleTitle, InaccessibleHeading,
                              "Ravelin Pro was unable to connect to the server to load " + link +
                                  ". The server or network may be down.");
    case ClientPage::NotLoaded:
        return ClientPageBody(InaccessibleTitle, InaccessibleHeading,
                              "Ravelin Pro was unable to load " + link +
                                  ". Either the site does not exist or the network is too "
                                  "heavily loaded at this time and Ravelin Pro could not access the page.");
    case ClientPage::BadCredentials:
        return ClientPageBody(InaccessibleTitle, InaccessibleHeading,
                              "Ravelin Pro was unable to load the Web page located at " + link +
                                  ".<p>This page requires a UserName and Password.<p>"
                                  "They are not correct. Please correct them to properly load the page.");
    case ClientPage::ExternalLink:
        return ClientPageBody("<html><title>External Link</title><body>", "<h2>External Link</h2>",
                              "In the Web properties for this brief entry, Ravelin Pro was instructed to "
                              "not follow links which led to external sites. This link (" +
                                  link +
                                  ") is external to the original page and, as such, was not followed."
                                  " On future visits to this site, you may want to select \"Follow External Links\" "
                                  "in the Web Page Properties");
    }
    return {};
}

std::string FileErrorPageText(std::string_view rawUrl, std::string_view reason)
{
    const std::string url = SafeUrl(rawUrl);
    return ClientPageBody(InaccessibleTitle, InaccessibleHeading,
                          "Ravelin Pro was unable to load the file. " + Link(WithHttp(url), url) + " " + std::string(reason) +
                              ".");
}

std::string StatusPageText(int status, std::string_view rawUrl)
{
    const std::string url = SafeUrl(rawUrl);
    std::string leadIn = status == 204 ? "Ravelin Pro loaded the Web page located at <a href=\""
                                       : "Ravelin Pro attempted to load the Web page located at <a href=\"";
    std::string closing;
    switch (status)
    {
    case 202:
        closing = "</a>.<p>The server accepted this request but chose not to respond.";
        break;
    case 204:
        closing = "</a>.<p>This page, however, is empty; the server returned no content.";
        break;
    case 400:
        closing = "</a>.<p>The server did not respond to the request.";
        break;
    case 403:
        closing = "</a>.<p>The server understood the request but refused to fulfill it. "
                  "This response is often used when the server does not wish to reveal exactly "
                  "why the request was refused.";
        break;
    case 404:
        closing = "</a>.<p>The server was unable to find or deliver the requested page.";
        break;
    case 501:
        closing = "</a>.<p>The server is not fully functional and was unable to respond "
                  "to the request.";
        break;
    default:
        closing = "</a>.<p>The server was unable to respond to the request.";
        break;
    }
    std::string page = "HTTP/1.0 500\r\n\r\n";
    page += InaccessibleTitle;
    page += TableOpen;
    page += InaccessibleHeading;
    page += leadIn;
    page += HasScheme(url) ? url : "http://" + url;
    page += "\">";
    page += url;
    page += closing;
    page += TableEnd;
    page += "</body></html>";
    return page;
}

void StorePage(RetrievalRequest& request, std::string_view page)
{
    request.Data.Clear();
    request.Data.Write(page);
    request.Data.Write("\0", 1);
    request.Data.Seek(0, SeekOrigin::Start);
    request.ContentType = "text/html";
    request.BodyReady = 1;
    request.HeaderLength = page.find("\r\n\r\n");
}

} // namespace rv
