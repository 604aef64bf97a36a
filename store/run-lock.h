// The one lock of a run that serialises the link cache, the retrieval queue
// and the site-map file.
//
// It is recursive: a caller may hold it across several operations that must
// happen together (look an address up in the cache, then mark it visited and
// queue it) while each of those operations takes it again.
#pragma once

#include <mutex>

namespace rv
{

using RunLock = std::recursive_mutex;

} // namespace rv
