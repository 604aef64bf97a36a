#include "client/engine/internal/run-failure.h"

#include "client/pages/retrieval-list.h"
#include "store/archive-error.h"
#include "store/memory-stream.h"
#include "store/site-map-record.h"
#include "store/spill-file.h"
#include "store/temp-files.h"

namespace rv
{

bool IsStoreFailure(const std::exception& error)
{
    return dynamic_cast<const ArchiveError*>(&error) || dynamic_cast<const CacheSpillError*>(&error) ||
           dynamic_cast<const SiteMapError*>(&error) || dynamic_cast<const QueueFileError*>(&error) ||
           dynamic_cast<const TempFileError*>(&error) || dynamic_cast<const StreamError*>(&error);
}

} // namespace rv
