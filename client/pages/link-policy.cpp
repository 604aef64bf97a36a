#include "client/pages/link-policy.h"

#include "client/briefs/web-page.h"
#include "client/pages/link-resolver.h"
#include "client/pages/retrieval-request.h"
#include "client/pages/same-site.h"
#include "client/pages/store-address.h"
#include "store/archive-writer.h"
#include "store/ascii-text.h"
#include "store/link-cache.h"

#include <algorithm>

namespace rv
{
namespace
{

std::string_view WithoutFragment(std::string_view address)
{
    return address.substr(0, address.find('#'));
}

// The directory part of an address: up to and including its last "/" or "\".
std::string DirectoryOf(std::string_view address)
{
    const std::string normal = StoreForm(NormaliseAddress(WithoutFragment(address)));
    const std::size_t last = normal.find_last_of("/\\");
    return last == std::string::npos ? normal : normal.substr(0, last + 1);
}

} // namespace

std::int32_t RemainingDepth(std::int32_t depth, std::int32_t level)
{
    const std::int64_t remaining = std::int64_t{depth} + 1 - level;
    return static_cast<std::int32_t>(std::clamp<std::int64_t>(remaining, 0, INT32_MAX));
}

bool InDirectory(std::string_view address, std::string_view topLink)
{
    const std::string directory = DirectoryOf(topLink);
    const std::string normal = StoreForm(NormaliseAddress(WithoutFragment(address)));
    if (normal.size() >= directory.size() && EqualsNoCase(std::string_view(normal).substr(0, directory.size()), directory))
        return true;
    return !SameSite(normal, topLink);
}

bool LooksLikeImage(std::string_view address)
{
    address = WithoutFragment(address);
    const std::size_t dot = address.rfind('.');
    if (dot == std::string_view::npos)
        return false;
    const std::string_view extension = address.substr(dot + 1);
    return EqualsNoCase(extension, "gif") || EqualsNoCase(extension, "jpg");
}

LinkPolicy::LinkPolicy(PolicyPage page, TCache* cache, TKSDB* archive)
    : page_(std::move(page)), cache_(cache), archive_(archive)
{
    if (page_.Request)
        topLink_ = page_.Request->TopLink.empty() ? page_.Request->EntryURL : page_.Request->TopLink;
    pageOnSite_ = topLink_.empty() || SameSite(page_.Address, topLink_);
}

bool LinkPolicy::OnSite(std::string_view address) const
{
    return topLink_.empty() || SameSite(address, topLink_);
}

bool LinkPolicy::Enabled(ContentKind kind) const
{
    const TWebPage& entry = *page_.Entry;
    switch (kind)
    {
    case ContentKind::Images:
        return entry.Images;
    case ContentKind::PlugIns:
        return entry.PlugIns;
    case ContentKind::ActiveX:
        return entry.ActiveX;
    case ContentKind::Java:
        return entry.Applets;
    case ContentKind::Html:
    case ContentKind::Other:
        return true;
    }
    return false;
}

std::uint8_t LinkPolicy::NotFollowedFlags(std::string_view address) const
{
    const TWebPage& entry = *page_.Entry;
    std::uint8_t flags = NotFollowedFlag::OriginalLink;
    if ((page_.Remaining > 1 || !entry.LocalOnly) && !page_.PreserveOnly)
        flags |= NotFollowedFlag::SiteMap;
    const std::size_t scheme = LinkSchemeLength(address);
    if (HasSchemeNamed(address, "mailto"))
        flags |= NotFollowedFlag::Mail;
    else if (scheme > 0 && !HasSchemeNamed(address, "http") && !HasSchemeNamed(address, "https"))
        flags |= NotFollowedFlag::OtherScheme;
    if (page_.Frameset)
        flags |= NotFollowedFlag::Frameset;
    return flags;
}

bool LinkPolicy::NotFollowed(const std::string& key, Reason reason, std::string_view address)
{
    if (cache_)
    {
        std::unique_ptr<TPageRecord> known = cache_->Find(key);
        if (known && known->Visited)
            return true;
        if (known && (known->Mark & kRecordedMark))
            return false;
        if (known)
        {
            known->Mark |= kRecordedMark;
            cache_->Put(std::move(known));
        }
        else
            cache_->Add({.url = key, .title = key, .mark = kRecordedMark});
    }
    if (archive_)
    {
        const std::uint8_t flags = NotFollowedFlags(address);
        if (reason == Reason::TooDeep)
            archive_->AddTooDeep(key, page_.Address, page_.Number, flags);
        else if (reason == Reason::OutOfTree)
            archive_->AddOutOfTree(key, page_.Address, page_.Number, flags);
        else
            archive_->AddExcluded(key, page_.Address, page_.Number, flags);
    }
    return false;
}

bool LinkPolicy::Link(std::string_view address, LinkUse use, bool leavesFrame)
{
    const TWebPage& entry = *page_.Entry;
    const std::string key(WithoutFragment(address));
    const bool image = LooksLikeImage(key);
    if (use != LinkUse::Refresh)
    {
        if (image && !entry.Images)
            return NotFollowed(key, Reason::TooDeep, address);
        const bool external = !entry.LocalOnly && entry.ExternalDepth >= 1 && pageOnSite_ && !OnSite(key);
        if (page_.Remaining <= 1 && use != LinkUse::Frame && !external)
            return NotFollowed(key, Reason::TooDeep, address);
    }
    if (entry.StayInSubdir && !topLink_.empty() && !InDirectory(key, topLink_))
        return NotFollowed(key, Reason::OutOfTree, address);
    if (entry.ExclusionLists && IsExcluded(entry.ExList, entry.InList, key, ContentKind::Html))
        return NotFollowed(key, Reason::Excluded, address);

    FoundLink link;
    link.Address = key;
    link.Depth = page_.Request ? page_.Request->Depth : 0;
    if (use == LinkUse::Frame)
        link.Depth += 1;
    link.Embedded = image;
    const bool inFrames = page_.Frameset || (page_.Request && page_.Request->FrameContext);
    link.FrameContext = inFrames && !leavesFrame;
    link.Refresh = use == LinkUse::Refresh;
    if (link.Refresh && cache_ && cache_->Contains(key))
        return true;
    found_.push_back(std::move(link));
    return true;
}

bool LinkPolicy::Embedded(std::string_view address, ContentKind kind)
{
    const TWebPage& entry = *page_.Entry;
    if (!Enabled(kind) || (page_.PreserveOnly && !page_.Matched))
        return false;
    const std::string key(WithoutFragment(address));
    if (entry.ExclusionLists && IsExcluded(entry.ExList, entry.InList, key, kind))
        return false;
    if (cache_)
    {
        std::unique_ptr<TPageRecord> known = cache_->Find(key);
        // An address met so far only as a link too deep to follow (a picture
        // wrapped in a link to itself) has a "not retrieved" record and no
        // fetch: the page shows it, so it is fetched now.
        if (known && (known->Visited || known->Option || !(known->Mark & kRecordedMark)))
            return true;
        if (known)
        {
            known->Option = 1;
            cache_->Put(std::move(known));
        }
        else
            cache_->Add({.url = key, .title = key, .option = 1, .level = 1000});
    }
    FoundLink link;
    link.Address = key;
    link.Depth = page_.Request ? page_.Request->Depth : 0;
    link.Embedded = true;
    found_.push_back(std::move(link));
    return true;
}

void LinkPolicy::OtherScheme(std::string_view address)
{
    std::string key(address);
    if (cache_)
    {
        if (cache_->Contains(key))
            return;
        cache_->Add({.url = key, .title = key, .mark = kRecordedMark});
    }
    if (archive_)
        archive_->AddTooDeep(key, page_.Address, page_.Number, NotFollowedFlags(address));
}

} // namespace rv
