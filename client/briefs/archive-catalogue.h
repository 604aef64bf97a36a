// The archive catalogue beside a brief file: the kept retrievals with their
// captions and each entry's summary fragments.
//
// Layout (words little-endian, texts as a length word and the bytes):
// N, then N pairs (archive file name, caption); when N > 0 also the brief
// name, its comments, E, and for each of E entries a count F and F pairs
// (summary fragment, archive file name). A catalogue without archives is
// the single word 0.
//
// The catalogue has the brief file's name with ".cat"; while a run is under
// way the engine writes ".ca~" instead, which the next load turns back into
// ".cat". These functions work on bytes; brief-store.h handles the files.
#pragma once

#include "client/briefs/brief.h"

#include <optional>
#include <string>
#include <string_view>
#include <vector>

namespace rv
{

// The catalogue bytes of a brief. Counts and texts that do not fit a word
// are cut.
std::string WriteCatalogue(const TBrief& brief);

// Reads catalogue bytes into the brief's archive lists and its entries'
// summary fragments, replacing what they held. An archive pair with an
// empty file name is dropped together with its fragments. On a short or
// damaged catalogue, or one with more entry groups than the brief has
// entries, every archive list and fragment list is emptied and false is
// returned; the brief is otherwise untouched.
[[nodiscard]] bool ReadCatalogue(std::string_view bytes, TBrief& brief);

// What a catalogue says of a brief's entries, read without the brief file:
// the brief's name and comments, and for each entry its summary fragments
// with the archives they belong to (the packaging tool's sources).
struct CatalogueFragments
{
    std::string BriefName;
    std::string Comments;
    std::vector<std::vector<SummaryFragment>> Entries;
};

// Nothing for a short or damaged catalogue; a catalogue without archives
// gives no entries.
std::optional<CatalogueFragments> ReadCatalogueFragments(std::string_view bytes);

// The catalogue path of a brief file: its extension replaced by ".cat", or
// by ".ca~" for the copy written during a run.
std::string CataloguePath(const std::string& briefPath, bool duringRun = false);

} // namespace rv
