// Search-engine definition files ("*.sel" beside the client): which search
// engines a search entry can query, and how to build each one's address.
//
// Layout, little-endian: the 10-byte magic "RVSEDF-MWR", two 16-bit values
// that readers do not check (written as 1 and 0), then records of a 16-bit
// tag, a 16-bit length and that many bytes:
//   2  text            engine name; starts a new engine
//   3  text            query address: host and path of the engine's query program
//   4  text            query prefix: what follows "?" before the query ("q=")
//   5  16-bit number   group: non-zero "Advanced Searches", zero "Simple Searches"
// Any other tag (1 is an unused number) is skipped by its length.
#pragma once

#include <optional>
#include <string>
#include <string_view>
#include <vector>

namespace rv
{

inline constexpr std::string_view SearchEngineMagic = "RVSEDF-MWR";

struct SearchEngine
{
    std::string Name;
    std::string QueryAddress; // "www.example.org/search" (a scheme is allowed)
    std::string QueryPrefix;  // "q="
    bool Advanced = false;    // listed under "Advanced Searches"

    bool operator==(const SearchEngine&) const = default;
};

struct SearchEngineFile
{
    std::vector<SearchEngine> Engines; // in file order
    // The file ended inside a record; the engines completed before the
    // damaged one are kept.
    bool Truncated = false;
};

// The engines of one file, or nothing when the magic is wrong. An engine
// without a name, or with a name longer than a packed list can hold (255
// bytes), is dropped: no entry could ever choose it.
std::optional<SearchEngineFile> ReadSearchEngineFile(std::string_view bytes);

// The file bytes for the engines, in the order given. Texts longer than a
// record can hold (65535 bytes) are cut.
std::string WriteSearchEngineFile(const std::vector<SearchEngine>& engines);

} // namespace rv
