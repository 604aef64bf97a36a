#include "client/retrieval/page-processing.h"

#include "client/briefs/web-page.h"
#include "client/retrieval/run-observer.h"
#include "store/archive-writer.h"

namespace rv
{

std::string_view ReceivedBody(const RetrievalRequest& request)
{
    std::string_view received = request.Data.View();
    if (!received.empty() && received.back() == '\0')
        received.remove_suffix(1);
    std::size_t at = request.HeaderLength;
    if (at == 0 || at > received.size())
        return received;
    // The blank line that ends the header: CR LF CR LF, LF LF or LF CR LF.
    for (int i = 0; i < 4 && at < received.size() && (received[at] == '\r' || received[at] == '\n'); ++i)
        ++at;
    return received.substr(at);
}

// Stores the page as it came; the scan takes this place.
void ProcessPage(PageContext& context, RetrievalRequest& request)
{
    context.State.PagesLoaded += 1;
    context.Observer.SetProgressLabel(ProgressLabel::Pages, std::to_string(context.State.PagesLoaded.load()));
    if (context.LimitsReached && context.LimitsReached())
    {
        context.StopForLimits();
        return;
    }
    TKSDB& archive = *context.Run.IndexDB;
    const std::int16_t number = static_cast<std::int16_t>(request.EntryIndex);
    archive.BeginPage(request.URL, request.ContentType, &request.Redirects, 0, request.URL, number);
    archive.Append(ReceivedBody(request));
    archive.EndPage();
}

} // namespace rv
