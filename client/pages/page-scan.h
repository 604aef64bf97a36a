// The scan of one HTML page: the base address, the head copy and the single
// left-to-right pass over the page's tags that copies the page into the
// store while rewriting every address so that it resolves through the local
// page server.
//
// Addresses are written in the store form (no scheme, every ":" as
// "&colon;", the attribute text escaped so that the browser reads exactly
// that), links that are not followed behind "-/\", and content that is not
// loaded as "images/NotLoaded". Which links are followed is the LinkPolicy's
// decision.
//
// Addresses longer than an index key can be are left as they are, and once
// the stored page has grown to several times the received one the rest is
// copied without rewriting, so the stored page stays within a small multiple
// of the received one whatever the page holds.
//
// A PageScan works on the retrieval thread for one page. It reads the
// received body (which must outlive it) and owns nothing: the working copy,
// the output and the policy are the caller's.
#pragma once

#include "client/pages/link-policy.h"
#include "client/pages/page-output.h"

#include <cstddef>
#include <cstdint>
#include <functional>
#include <optional>
#include <string>
#include <string_view>

namespace rv
{

struct TWebPage;
struct AttributeValue;

// The path an applet's code value names: "pkg.sub.Main" gives
// "pkg/sub/Main.class" (".class" appended unless present, a trailing "/" or
// "\" removed first, every "." but the last turned into "/").
std::string AppletCodePath(std::string_view code);

// The text of the page's title tag, white space folded and cut to a few
// hundred bytes; empty when there is none.
std::string PageTitle(std::string_view body, std::string_view copy);

struct ScanChecks
{
    // Asked before every tag: the scan is abandoned when it returns true.
    std::function<bool()> ShouldStop;
    // Asked at the first tag and then at every 52nd: true when the brief's
    // limits are reached; the scan then ends.
    std::function<bool()> LimitsReached;
};

enum class ScanResult
{
    Complete,
    Stopped, // abandoned by a stop, a skip or a limit; the page is cut short
};

class PageScan
{
public:
    // copy: the working copy of body (working-copy.h); the scan blanks parts
    // of it. pageAddress: the page's own address in store form.
    PageScan(std::string_view body, std::string& copy, PageOutput& output, LinkPolicy& policy, const TWebPage& entry,
             std::string pageAddress);

    // Finds the base tag: its href (resolved against the page's address)
    // becomes the address that links resolve against, and the tag is left
    // out of the stored page. Returns that address.
    const std::string& TakeBaseAddress();
    const std::string& BaseAddress() const { return base_; }

    // Copies the head scripts and then either the navigation frame of a kept
    // frameset (frameHeadNumber >= 0: the frame shows "FrameHead" + number)
    // or the body tag into the output, blanking them in the working copy.
    void CopyHead(bool keptFrameset, std::int64_t frameHeadNumber);

    // The pass over the tags, then the rest of the page. Links to follow end
    // up in the policy's Found().
    ScanResult Scan(const ScanChecks& checks);

    // Every how many tags the limits are tested.
    static constexpr std::size_t LimitCheckInterval = 52;

private:
    std::uint64_t GrowthLimit() const;
    std::ptrdiff_t FindBodyTag() const;
    void CopyHeadScripts(std::ptrdiff_t bodyTag);
    void CopyBodyTag(std::ptrdiff_t bodyTag);
    void BlankCopy(std::size_t start, std::size_t end);
    std::size_t HandleTag(std::size_t at, std::size_t end);
    void HandleLink(std::size_t at, std::size_t end, const char* attribute, LinkUse use);
    void HandleRefresh(std::size_t at, std::size_t end);
    void HandleEmbedded(std::size_t at, std::size_t end, const char* attribute, ContentKind kind);
    void HandleImage(std::size_t at, std::size_t end, ContentKind srcKind);
    std::optional<std::string> EmbeddedText(std::string_view raw, ContentKind kind);
    // Writes the tag from `from` up to the value, then the value rewritten as
    // EmbeddedText says, or as it was.
    void WriteEmbeddedValue(std::size_t from, const AttributeValue& value, ContentKind kind);
    void HandleApplet(std::size_t at, std::size_t end);
    void HandleObject(std::size_t at, std::size_t end);
    void HandleForm(std::size_t at, std::size_t end);
    void HandleStyleLink(std::size_t at, std::size_t end);
    std::size_t HandleNoFrame(std::size_t at, std::size_t end);
    std::size_t HandleStyleBlock(std::size_t end);
    void HandleStyleAttribute(std::size_t at, std::size_t end);
    bool ServerSideMapFollows(std::size_t end) const;
    std::string LinkText(const std::string& resolved, bool plain) const;
    void Replace(std::size_t start, std::size_t end, char quote, std::string_view text);
    std::string_view Raw(std::size_t start, std::size_t end) const { return body_.substr(start, end - start); }

    std::string_view body_;
    std::string& copy_;
    PageOutput& out_;
    LinkPolicy& policy_;
    const TWebPage& entry_;
    std::string page_;
    std::string base_;
};

} // namespace rv
