// Asking a running RVServer for a page of an archive, as a browser would
// with one HTTP/1.0 request.
#pragma once

#include <cstdint>
#include <string>

namespace rv::test
{

// The server's whole answer (status line, header and body), or "no
// connection" when nothing listens on the port.
std::string ServedPage(std::uint16_t port, const std::string& archive, const std::string& page);

} // namespace rv::test
