// The brief file: the brief record and its entries as tagged records.
//
// Layout: the magic "KSBF-MWR", five header words (1, 0, 2, 1, 1: major and
// minor version, count of header words that follow, compatibility flag,
// reserved), then records to the end of the file: tag (word), payload length
// (word), payload. Words are 16-bit little-endian; 32-bit fields keep their
// low 16 bits and read back sign-extended. Credentials and lock texts are
// scrambled (scrambled-text.h).
//
// These functions work on bytes in memory; brief-store.h reads and writes
// the files. Pure functions of their arguments, callable from any thread on
// a brief that no other thread is changing.
#pragma once

#include "client/briefs/brief.h"

#include <string>
#include <string_view>

namespace rv
{

inline constexpr std::string_view BriefFileMagic = "KSBF-MWR";

// A record's payload length is one word, so longer texts are cut to this.
inline constexpr std::size_t MaxRecordPayload = 65535;

// A packed engine or category list is stored with a signed word length.
inline constexpr std::size_t MaxPackedListBytes = 32767;

// The brief file bytes of a brief. Texts, lists and packed buffers longer
// than a word can count are cut to what fits.
std::string WriteBriefFile(const TBrief& brief);

enum class BriefReadStatus
{
    Loaded,
    // A header with fewer than two header words: nothing is loaded and no
    // message is shown.
    Refused,
    // Not a brief file, an incompatible newer version, or records that run
    // past the end or hold an impossible value: the loading error is shown.
    Corrupt,
};

struct BriefReadResult
{
    BriefReadStatus Status = BriefReadStatus::Corrupt;
    // The file held a user name or password in plain text (an older form);
    // the brief should be saved at once so that the file holds them scrambled.
    bool PlainCredentials = false;
};

// Reads brief file bytes into `brief`, which is first reset to the new-brief
// defaults for its FilePath (the name comes from the file when it has one).
// On Refused or Corrupt the brief holds whatever was read and must be
// discarded. Never reads or reserves past the end of `bytes`.
BriefReadResult ReadBriefFile(std::string_view bytes, TBrief& brief);

} // namespace rv
