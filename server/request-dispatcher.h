// Turns one complete request into the bytes of its answer: an image, a
// stored page with its decoration, a cumulative page or an explanatory page.
//
// The dispatcher reads archives through the open-brief list it is given and
// images from the "images" folder of the server folder; no other file can be
// reached. Used from the server's one thread; it keeps no state between
// requests apart from the list, an image cache and the answer cache of
// stored pages (answer-cache.h), which it empties of an archive whenever the
// list lets the archive go.
#pragma once

#include "server/answer-cache.h"
#include "server/open-briefs.h"
#include "server/server-settings.h"

#include <filesystem>
#include <functional>
#include <map>
#include <optional>
#include <string>
#include <string_view>

namespace rv
{

// A stored page that expands to more than this is answered "Page Not
// Retrieved": the whole answer is held in memory before it is sent.
constexpr std::size_t MaxServedPageBytes = std::size_t{64} << 20;

// Produces the cumulative page for an archive, or nothing when the
// catalogue lists no archive that exists.
using CumulativeSource =
    std::function<std::optional<std::string>(std::string_view archiveName, const ServerSettings& settings)>;

class RequestDispatcher
{
public:
    // serverDir: the folder holding "images/". briefs must outlive the dispatcher.
    RequestDispatcher(std::filesystem::path serverDir, OpenBriefList& briefs);
    // The list calls back into this object when it lets an archive go.
    RequestDispatcher(const RequestDispatcher&) = delete;
    RequestDispatcher& operator=(const RequestDispatcher&) = delete;

    void SetCompleter(ArchiveCompleter complete) { complete_ = std::move(complete); }
    void SetVersionWarning(VersionWarning warn) { warn_ = std::move(warn); }
    void SetCumulativeSource(CumulativeSource source) { cumulative_ = std::move(source); }

    // The answer to a request, or nothing when the connection is to be closed
    // without one (a request without "GET").
    std::optional<std::string> Process(std::string_view request, const ServerSettings& settings);
    // The same answer, shared with the cache; null for no answer.
    SharedAnswer Answer(std::string_view request, const ServerSettings& settings);

    const AnswerCache& Cache() const { return cache_; }

private:
    SharedAnswer ImageAnswer(const std::string& imageFile, const ServerSettings& settings);
    SharedAnswer PageAnswer(const struct ParsedRequest& request, const ServerSettings& settings);
    // cacheable: the answer depends on nothing but the page, the request's
    // names and flags and the settings, so it may be sent again.
    std::string StoredPage(const struct ParsedRequest& request, const std::string& pageName, LookupResult found,
                           const ServerSettings& settings, bool& cacheable);
    void MakeCacheKey(std::uint64_t generation, const struct ParsedRequest& request, const ServerSettings& settings);

    std::filesystem::path serverDir_;
    OpenBriefList& briefs_;
    ArchiveCompleter complete_;
    VersionWarning warn_;
    CumulativeSource cumulative_;
    std::map<std::string, SharedAnswer> images_;
    AnswerCache cache_;
    std::string cacheKey_; // kept to spare an allocation per request
};

} // namespace rv
