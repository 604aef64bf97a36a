#include "client/retrieval/entry-page.h"

#include "client/retrieval/page-processing.h"

namespace rv
{

// Without change detection the entry page is stored like any other page.
void ProcessEntryPage(PageContext& context, RetrievalRequest& request)
{
    ProcessPage(context, request);
}

} // namespace rv
