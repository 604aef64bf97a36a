// The link-following policy: for every address the scan of a page finds,
// whether it is fetched, and, when it is not, the index record that lets the
// local server explain why (too deep, outside the directory tree, excluded).
//
// One LinkPolicy serves the scan of one page on the retrieval thread. The
// link cache is asked whether an address is known (a link to an address
// already fetched or queued points to that copy and needs no record) and
// remembers which addresses were recorded, so that each is recorded once per
// brief. Followed addresses are collected in Found() and queued after the
// page is stored (link-list.h).
#pragma once

#include "client/pages/exclusion-pattern.h"
#include "client/pages/link-list.h"

#include <cstdint>
#include <string>
#include <string_view>

namespace rv
{

class TCache;
class TKSDB;
struct TWebPage;
struct RetrievalRequest;

// Flag bits of a link that was not followed, as the index keeps them.
namespace NotFollowedFlag
{
constexpr std::uint8_t SiteMap = 0x01;      // the entry gets a site map
constexpr std::uint8_t OriginalLink = 0x04; // always
constexpr std::uint8_t OtherScheme = 0x10;  // a scheme other than http
constexpr std::uint8_t Mail = 0x20;         // a "mailto" address
constexpr std::uint8_t Frameset = 0x40;     // found on a frameset
} // namespace NotFollowedFlag

// Mark bit of a link cache record whose address has a not-followed record in
// the index already.
inline constexpr std::uint8_t kRecordedMark = 0x02;

// What the policy needs to know about the page being scanned.
struct PolicyPage
{
    const TWebPage* Entry = nullptr;
    const RetrievalRequest* Request = nullptr;
    std::string Address;        // the page's own address, store form without fragment
    std::int32_t Remaining = 0; // remaining depth
    bool Frameset = false;      // the page is kept as a frameset
    bool PreserveOnly = false;  // only pages that match Smart Search are kept
    bool Matched = false;       // this page matched
    std::int16_t Number = 0;    // the entry's link number, for records
};

// How a link is used on the page.
enum class LinkUse
{
    Page,    // a, area, link
    Frame,   // frame, iframe
    Refresh, // meta refresh
};

// Remaining depth of a page: Depth + 1 - Level, never below 0.
std::int32_t RemainingDepth(std::int32_t depth, std::int32_t level);

// True when the address lies inside the directory of topLink (its text up to
// and including its last "/" or "\", compared without regard to case after
// both are normalised), or on another site than topLink.
bool InDirectory(std::string_view address, std::string_view topLink);

// True when the text after the last "." is "gif" or "jpg" (any case).
bool LooksLikeImage(std::string_view address);

class LinkPolicy
{
public:
    // cache and archive may be null (nothing is remembered or recorded).
    LinkPolicy(PolicyPage page, TCache* cache, TKSDB* archive);

    // A page link with an http address (store form, fragment allowed).
    // Returns true when the link is written as it is (followed, or the
    // address is already known), false when it is written behind the
    // not-followed prefix. leavesFrame: target "_blank" or "_top".
    bool Link(std::string_view address, LinkUse use, bool leavesFrame);

    // Embedded content (and body backgrounds, style sheets, scripts): true
    // when it is loaded, false when "images/NotLoaded" takes its place.
    bool Embedded(std::string_view address, ContentKind kind);

    // An address with a scheme other than http and javascript: recorded as
    // not loaded with the scheme flags; never fetched.
    void OtherScheme(std::string_view address);

    // Flags byte of a not-followed record.
    std::uint8_t NotFollowedFlags(std::string_view address) const;

    LinkList& Found() { return found_; }
    const PolicyPage& Page() const { return page_; }

private:
    enum class Reason
    {
        TooDeep,
        OutOfTree,
        Excluded
    };
    bool NotFollowed(const std::string& key, Reason reason, std::string_view address);
    bool Enabled(ContentKind kind) const;
    bool OnSite(std::string_view address) const;

    PolicyPage page_;
    TCache* cache_;
    TKSDB* archive_;
    std::string topLink_;
    bool pageOnSite_ = true;
    LinkList found_;
};

} // namespace rv
