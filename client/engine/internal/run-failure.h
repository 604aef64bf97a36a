// Which failures end a whole run with "Disk Error": those of the store's
// files (archive, link cache spill file, site-map file, queue overflow file,
// temporary files). Anything else that goes wrong while one request is
// handled abandons only that request.
#pragma once

#include <exception>

namespace rv
{

bool IsStoreFailure(const std::exception& error);

} // namespace rv
