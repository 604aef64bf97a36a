// Packaging: one new archive made of entries of kept retrievals, with a
// summary page of its own, so that a set of results travels as one file.
//
// The package's "index" page holds the banner and, for every entry that has
// a fragment whose archive still exists, that newest fragment, with a rule
// between entries. Each (archive, entry number) pair the fragments name gets
// a new number, its place in the order first named (from 0); the links and
// the entry's "TOC" and "Match" pages take that number, and the entry's
// pages are copied once however often they are named. Compressed pages are
// copied block for block as stored (after each block was checked to expand);
// pages of the old plain archives are compressed on the way.
//
// The package is written to a temporary file beside the target and renamed
// over it only when it is whole: a damaged source, a full disk or a failed
// rename leaves no package and an existing target as it was.
//
// Errors: BuildPackage returns a message fit for the user; it throws nothing.
// Threads: runs on the caller's thread; the callbacks are called on it too.
#pragma once

#include "client/pages/package-sources.h"

#include <cstdint>
#include <ctime>
#include <filesystem>
#include <functional>
#include <map>
#include <string>
#include <utility>

namespace rv
{

// The renumbering table: (archive path, entry number in it) -> new number.
class PackageNumbers
{
public:
    // The pair's new number, appending it when it is new; -1 when the table
    // is full (new numbers are 16-bit).
    std::int32_t NumberOf(const std::string& archive, std::int32_t entry);
    std::size_t Count() const { return order_.size(); }
    const std::pair<std::string, std::int32_t>& At(std::size_t index) const { return order_[index]; }

private:
    std::map<std::pair<std::string, std::int32_t>, std::int32_t> numbers_;
    std::vector<std::pair<std::string, std::int32_t>> order_;
};

// The fragment with each placeholder and the entry number after it (past an
// optional "/" or "\") replaced by the pair's new number, and the digits of
// a "/TOC" or "/Match" right after that replaced as well. False when the
// table is full.
[[nodiscard]] bool RenumberFragment(std::string_view fragment, const std::string& archive, PackageNumbers& numbers,
                                    std::string& out);

// The key a copied page takes: "TOC" or "Match" (any case) followed by only
// digits gets the new number; any other key stays.
std::string PackagedKey(std::string_view key, std::int32_t newNumber);

struct PackageOptions
{
    // The progress while the entries' pages are copied, 0 to 100.
    std::function<void(int percent)> Progress;
    // Called before an existing target is replaced, so that the page server
    // lets go of it.
    std::function<void(const std::filesystem::path& target)> BeforeReplace;
    // The local date and time of the package's banner and records.
    std::function<std::tm()> Clock;
};

struct PackageResult
{
    bool Written = false;
    std::string Error;           // empty when written
    int EntriesWritten = 0;      // fragments on the index page
    int EntriesSkipped = 0;      // entries without a surviving archive
    std::size_t PairsCopied = 0; // entries whose pages were copied
};

PackageResult BuildPackage(const std::filesystem::path& target, const PackageInput& input, const PackageOptions& options = {});

} // namespace rv
