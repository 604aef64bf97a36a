#include "server/synthetic-pages.h"

#include "server/text-util.h"
#include "store/server-address.h"

namespace rv
{
namespace
{

struct LinkPageTexts
{
    std::string_view opening;
    std::string_view leadIn;
    std::string_view closing;
};

constexpr LinkPageTexts SpiderLimit{"<html><body><title>Spider Limit Exceeded</title>",
                                    "<h2>Spider Search Limit Exceeded</h2>This link (<a href=",
                                    "</a>) is beyond the range of the spider search set by the user."};
constexpr LinkPageTexts MailLink{"<html><body><title>Mail Link</title>", "<h2>Mail Link.</h2>This link (<a href=",
                                 "</a>) is a mail link. If your browser has mail client support, "
                                 "you can click on the link to send mail."};
constexpr LinkPageTexts OtherProtocol{
    "<html><body><title>Unsupported Protocol</title>",
    "<h2>Ravelin does not support this protocol.</h2>This link (<a href=", "</a>) is not an HTTP Web link."};
constexpr LinkPageTexts OutOfDir{"<html><body><title>Link Out of Subdirectory</title>",
                                 "<h2>Link Out of Subdirectory</h2>This link (<a href=",
                                 "</a>) goes out of the subdirectory to which you restricted the download."};
constexpr LinkPageTexts Excluded{"<html><body><title>Link Excluded</title>", "<h2>Link Excluded</h2>This link (<a href=",
                                 "</a>) is blocked by the exclusion lists you specified."};
constexpr LinkPageTexts Skipped{"<html><body><title>Ravelin Pro Web page skipped</title>",
                                "<h2>Page Skipped</h2>You asked Ravelin Pro to skip this Web entry (<a href=", "</a>)."};

const LinkPageTexts& TextsFor(const PageEntry& entry)
{
    if (entry.position == 0)
    {
        const bool mail = (entry.flags & 0x20) && !(entry.flags & 0x10);
        const bool other = (entry.flags & 0x10) && !(entry.flags & 0x20);
        return mail ? MailLink : other ? OtherProtocol : SpiderLimit;
    }
    if (entry.position == -1)
        return OutOfDir;
    if (entry.position == -3)
        return Excluded;
    return Skipped;
}

std::string WithHttp(std::string_view address)
{
    return (StartsWithScheme(address) ? "" : "http://") + std::string(address);
}

std::string BaseTag(const DecorationContext& context, bool cumulative)
{
    std::string tag = "<base href=\"";
    if (context.briefPath)
        tag += ServerPageAddress(context.port, *context.briefPath) + (cumulative ? "cumulative/" : "");
    else
        tag += ServerRootAddress(context.port);
    return tag + "\">\r\n";
}

// The location carries real ":" (a header is not HTML); control bytes are
// dropped so that a name can never add a header line.
std::string Redirect(std::string_view location)
{
    std::string out = "HTTP/1.0 302\r\nContent-Type: text/html\r\nLocation: ";
    for (char c : location)
    {
        if (static_cast<unsigned char>(c) >= 0x20 && c != 0x7F)
            out += c;
    }
    return out + "\r\n\r\n";
}

} // namespace

std::string LinkAddress(std::string_view key)
{
    return ConvertColons(WithoutNumberPrefix(key));
}

std::string LinkText(std::string_view address)
{
    return HtmlText(address);
}

std::string ServeLinkPage(const DecorationContext& context, bool displayWarning, const PageEntry& entry, bool cumulative)
{
    const std::string address = LinkAddress(entry.key);
    if (!displayWarning)
        return Redirect(WithHttp(StoredToAddress(address)));

    DecorationInputs page;
    page.pageName = entry.key;
    page.contentType = "text/html";
    page.cumulative = cumulative;
    page.number = entry.number;
    page.siteMap = entry.flags & 0x01;
    page.smartSearch = entry.flags & 0x02;
    page.originalLink = entry.flags & 0x04;
    page.noRule = entry.flags & 0x40;
    page.markedDiffs = entry.flags & 0x80;
    page.title = entry.title;

    const LinkPageTexts& texts = TextsFor(entry);
    std::string out = "HTTP/1.0 200\r\nContent-Type: text/html\r\n\r\n" + BaseTag(context, cumulative);
    out += Header(context, page);
    out += std::string(texts.opening) + BeginTable() + std::string(texts.leadIn) + HtmlAttribute(WithHttp(address)) + ">" +
           LinkText(address) + std::string(texts.closing) + EndTable();
    out += Footer(context, page);
    return out;
}

std::string PageNotInBrief(const DecorationContext& context, bool displayWarning, std::string_view pageName, int number,
                           bool cumulative)
{
    const std::string_view shown = WithoutNumberPrefix(pageName);
    const bool previousCopy = pageName.size() > 10 && pageName.ends_with("KSDiffOrig");
    if (!displayWarning && !previousCopy)
        return Redirect(WithHttp(StoredToAddress(shown)));

    DecorationInputs page;
    page.pageName = std::string(shown);
    page.contentType = "text/html";
    page.cumulative = cumulative;
    page.number = number;

    const std::string name = ConvertColons(shown);
    std::string out = "HTTP/1.0 200\r\n\r\n" + BaseTag(context, false);
    out += Header(context, page);
    out += "<html><title>Page Not Retrieved</title>" + BeginTable() + "<body><h2>Page Not Retrieved</h2>" +
           "This page (<a href=" + HtmlAttribute(WithHttp(name)) + ">" + HtmlText(name) + "</a>) is not available." +
           EndTable();
    out += Footer(context, page);
    return out;
}

std::string FileNotFoundMessage(const DecorationContext& context)
{
    return "HTTP/1.0 404\r\n\r\n" + BaseTag(context, false) + "<html><title>File Not Found</title>" + BeginTable() +
           "<body><h2>File Not Found</h2>" + "Ravelin Pro Server was unable to load the file. " +
           "It may be a 0-byte file or it may simply not exist." + EndTable();
}

std::string ForbiddenMessage()
{
    return "HTTP/1.0 403 Forbidden\r\nContent-Type: text/html\r\n\r\n"
           "<html><title>Forbidden</title><body><h2>Forbidden</h2>"
           "This server answers only requests addressed to 127.0.0.1 or localhost.</body></html>\r\n";
}

std::string BadRequestMessage()
{
    return "HTTP/1.0 400 Bad Request\r\nContent-Type: text/html\r\n\r\n"
           "<html><title>Bad Request</title><body><h2>Bad Request</h2>"
           "This server answers only requests that name their host.</body></html>\r\n";
}

std::string HeaderTooLargeMessage()
{
    return "HTTP/1.0 431 Request Header Fields Too Large\r\nContent-Type: text/html\r\n\r\n"
           "<html><title>Request Header Fields Too Large</title><body><h2>Request Header Fields Too Large</h2>"
           "The request was too long to be read.</body></html>\r\n";
}

} // namespace rv
