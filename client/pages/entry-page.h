// Entry pages: an entry's start page is compared with its copy from the
// previous retrieval (marking or extracting the differences) before it goes
// through page processing. Called by the run driver on the retrieval thread
// with the request claimed.
#pragma once

#include "client/pages/page-context.h"
#include "client/pages/retrieval-request.h"

namespace rv
{

void ProcessEntryPage(PageContext& context, RetrievalRequest& request);

} // namespace rv
