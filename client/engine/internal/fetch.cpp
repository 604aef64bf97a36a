#include "client/engine/internal/fetch.h"

#include "client/briefs/web-page.h"
#include "client/engine/internal/request-text.h"
#include "client/engine/internal/transfer-worker.h"
#include "client/pages/http-response.h"
#include "client/pages/link-resolver.h"
#include "client/pages/local-file-url.h"
#include "client/pages/retrieval-list.h"
#include "client/pages/run-state.h"
#include "client/pages/same-site.h"
#include "client/pages/store-address.h"
#include "client/pages/synthetic-pages.h"
#include "client/pages/url-parts.h"
#include "store/link-cache.h"

#include <fstream>
#include <system_error>

namespace rv
{

namespace
{

void MarkEntryFailed(RetrievalRequest& request)
{
    request.PageInaccessible = 1;
}

void StoreFinalPage(RetrievalRequest& request, std::string_view page)
{
    StorePage(request, page);
    request.InProgress = 0;
    request.Success = 0;
}

// The scheme, lower-case host and port an address is fetched from:
// "http://host:80". An address without a scheme is an "http" one.
std::string OriginOf(std::string_view url)
{
    const std::string scheme = HasScheme(url) ? AsciiLower(url.substr(0, url.find(':'))) : "http";
    const std::string host = AsciiLower(HostOf(url));
    const std::string bare(HostWithoutPort(host));
    const std::uint16_t port = bare.size() != host.size() ? PortOf(host) : scheme == "https" ? 443 : 80;
    return scheme + "://" + bare + ":" + std::to_string(port);
}

// The address the credentials belong to: the entry's own, or for a request
// without an entry the first address of its chain.
std::string_view CredentialsAddress(const RetrievalRequest& request)
{
    if (request.Entry && !request.Entry->URL.empty())
        return request.Entry->URL;
    return request.Redirects.empty() ? std::string_view(request.EntryURL) : std::string_view(request.Redirects.front());
}

// The entry's credentials (or the brief's defaults) go only to the scheme,
// host and port they were given for: never to another site a page links or
// redirects to, and never over "http" when they were given for "https".
bool CredentialsMayGo(const RetrievalRequest& request, std::string_view url)
{
    return OriginOf(url) == OriginOf(CredentialsAddress(request));
}

bool IsWebAddress(std::string_view url)
{
    return !HasScheme(url) || HasSchemeNamed(url, "http") || HasSchemeNamed(url, "https");
}

} // namespace

std::string ResolveLocation(std::string_view current, std::string_view location)
{
    if (HasScheme(location))
        return HasSchemeNamed(location, "http") ? std::string(StripScheme(location)) : std::string(location);
    // A relative target stays on the current page's connection: TLS when
    // the page came over TLS.
    const std::string scheme = HasSchemeNamed(current, "https") ? "https://" : "";
    std::string_view currentBare = StripScheme(current);
    std::string_view host = HostOf(currentBare);
    if (location.starts_with("/"))
        return scheme + std::string(host) + std::string(location);
    std::string path = PathOf(currentBare);
    path = path.substr(0, path.find('?'));
    return scheme + std::string(host) + path.substr(0, path.rfind('/') + 1) + std::string(location);
}

TFetch::TFetch(RunState& state, const RetrievalSettings& settings, TAsyncThread& worker, TRetrievalList& queue)
    : state_(state), settings_(settings), worker_(worker), queue_(queue),
      requeue_([this](std::unique_ptr<RetrievalRequest> request) { queue_.Add(std::move(request), true); })
{
    worker_.SetResponseHandler([this](RetrievalRequest& request) { HandleResponse(request); });
}

bool TFetch::FetchLocalFile(RetrievalRequest& request, const std::string& url)
{
    std::filesystem::path path = LocalFilePath(url);
    std::error_code error;
    bool exists = std::filesystem::is_regular_file(path, error);
    std::uintmax_t size = exists ? std::filesystem::file_size(path, error) : 0;
    std::string bytes;
    if (exists && !error && size > 0 && size <= MaxMemoryBodyBytes)
    {
        std::ifstream in(path, std::ios::binary);
        bytes.resize(std::size_t(size));
        if (!in.read(bytes.data(), std::streamsize(size)))
            bytes.clear();
    }
    if (bytes.empty())
    {
        StoreFinalPage(request, FileErrorPageText(url, exists ? "failed to load" : "was not found"));
        request.Status = 404;
        return true;
    }
    StorePage(request, bytes);
    request.HeaderLength = 0;
    std::string name = path.filename().string();
    std::size_t dot = name.rfind('.');
    bool html = dot != std::string::npos && name.compare(dot + 1, 3, "htm") == 0;
    request.ContentType = html ? "text/html" : "application/octet-stream";
    request.NotHTML = html ? 0 : 1;
    request.Status = 200;
    request.InProgress = 0;
    request.Success = 1;
    return true;
}

bool TFetch::Fetch(RetrievalRequest& request)
{
    std::string url = RemoveLineBreaks(request.URL);
    if (url != request.URL)
        request.URL = url;
    if (HasControlBytes(url))
    {
        // Such an address could only smuggle bytes into the request.
        StoreFinalPage(request, ClientPageText(ClientPage::NotLoaded, url));
        MarkEntryFailed(request);
        return true;
    }
    const TWebPage* entry = request.Entry;
    bool entryHasCredentials = entry && (!entry->UserName.empty() || !entry->Password.empty());
    std::string user = entryHasCredentials ? entry->UserName : settings_.DefaultUserName;
    std::string password = entryHasCredentials ? entry->Password : settings_.DefaultPassword;

    // The disk is read only for an address the user gave or a page read
    // from disk linked to. The same text from the network ("c:/x", "c|/x")
    // names a host like any other; a "file:" address or any scheme but
    // "http" and "https" cannot be fetched from there.
    if (IsLocalFileUrl(url) && request.LocalSource)
        return FetchLocalFile(request, url);
    if (!IsWebAddress(url) || HasSchemeNamed(url, "file"))
    {
        StoreFinalPage(request, ClientPageText(ClientPage::NotLoaded, url));
        if (request.IsEntryPage)
            MarkEntryFailed(request);
        return true;
    }
    bool sameSite = SameSite(url, request.TopLink.empty() ? url : request.TopLink);
    if (state_.StopRequested)
    {
        StoreFinalPage(request, ClientPageText(ClientPage::Skipped, url));
        return true;
    }
    if (entry && entry->LocalOnly && !sameSite && !request.FollowExternal)
    {
        StoreFinalPage(request, ClientPageText(ClientPage::ExternalLink, url));
        return true;
    }

    RequestTextInput input;
    input.Url = url;
    input.Referrer = request.Referrer;
    input.Agent = ChooseAgent(url, entry ? std::string_view(entry->UserAgent) : std::string_view(), settings_);
    input.AgentComment = request.AgentComment;
    input.BypassProxyCache = entry && entry->BypassProxyCache;
    input.WithCredentials = (request.UseCredentials || entryHasCredentials) && CredentialsMayGo(request, url);
    input.UserName = user;
    input.Password = password;
    HttpRequestPlan plan = BuildHttpRequest(input, settings_);
    request.ContentType = "text/html";
    request.Charset.clear();
    request.ContentLength = -1;
    request.Status = -1;
    std::string hostPort = plan.ConnectHost + ":" + std::to_string(plan.ConnectPort);
    if (worker_.Start(hostPort, request, std::move(plan.Text)))
        return true;
    request.StartFailed = 1;
    if (!request.BodyReady)
        StorePage(request, ClientPageText(input.WithCredentials ? ClientPage::BadCredentials : ClientPage::NoConnection, url));
    request.InProgress = 0;
    return true;
}

void TFetch::EndWithoutPage(RetrievalRequest& request)
{
    request.Data.Clear();
    request.TempFile.Discard();
    request.BodyReady = 0;
    request.Success = 0;
    request.InProgress = 0;
}

void TFetch::StoreStatusPage(RetrievalRequest& request, int status)
{
    request.TempFile.Discard();
    StorePage(request, StatusPageText(status, request.URL));
    request.Success = 0;
    MarkEntryFailed(request);
}

void TFetch::HandleResponse(RetrievalRequest& request)
{
    int status = request.Status;
    if (status == 888 || status == 203)
        status = 200;
    std::string_view received = request.Data.View();
    if (status == 200)
    {
        std::string_view body = received.substr(std::min(received.size(), request.HeaderLength));
        if (HasFailurePageTitle(body))
        {
            MarkEntryFailed(request);
            request.Status = 404;
            request.Success = 0;
            return;
        }
        request.Success = 1;
        return;
    }
    if (status >= 300 && status <= 303)
        return HandleRedirect(request);
    if (status == 401)
        return HandleUnauthorized(request);
    if (status == 407)
        return EndWithoutPage(request);
    if (status == 404)
    {
        if (received.substr(0, 2000).find("404 Not Found") != std::string_view::npos || request.NotHTML)
            StoreStatusPage(request, 404);
        request.Success = 0;
        MarkEntryFailed(request);
        return;
    }
    StoreStatusPage(request, status);
}

void TFetch::HandleRedirect(RetrievalRequest& request)
{
    std::string_view received = request.Data.View();
    std::string location = FindLocation(received.substr(0, std::min(received.size(), MaxHeaderBytes)));
    location = WithoutControlBytes(location);
    if (location.empty())
        return EndWithoutPage(request);
    std::string target = ResolveLocation(request.URL, location);
    if (request.Redirects.size() >= MaxRedirects)
    {
        StoreStatusPage(request, request.Status);
        return;
    }
    // The link cache knows addresses in their stored form, without scheme.
    const std::string key = HasScheme(target) ? StoreForm(target) : target;
    bool known = false;
    if (request.Cache)
    {
        known = request.Cache->Contains(key);
        request.Cache->Add({.url = request.URL, .title = request.URL, .forwardTo = target, .level = request.Level});
    }
    if (!known)
    {
        auto copy = CopyForRetry(request);
        copy->URL = target;
        copy->IsRetryCopy = 0;
        copy->Retries = 0;
        copy->Redirects.push_back(request.URL);
        // A network answer never leads to the disk.
        copy->LocalSource = 0;
        if (request.IsEntryPage)
        {
            copy->TopLink = target;
            copy->EntryURL = target;
        }
        if (request.Cache)
            request.Cache->Add({.url = key, .title = key, .level = request.Level});
        requeue_(std::move(copy));
    }
    EndWithoutPage(request);
    request.RetryScheduled = 1;
}

void TFetch::HandleUnauthorized(RetrievalRequest& request)
{
    if (!request.Had401)
    {
        request.Had401 = 1;
        request.Retries -= 1;
    }
    request.UseCredentials = 1;
    // Where the credentials may not go, asking again cannot help.
    if (request.Retries < settings_.Retries && CredentialsMayGo(request, request.URL))
    {
        auto copy = CopyForRetry(request);
        requeue_(std::move(copy));
        EndWithoutPage(request);
        request.RetryScheduled = 1;
        return;
    }
    request.TempFile.Discard();
    StorePage(request, ClientPageText(ClientPage::BadCredentials, request.URL));
    request.Success = 0;
    MarkEntryFailed(request);
}

} // namespace rv
