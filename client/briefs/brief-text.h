// The text form of a brief: every stored property of the brief and of its
// entries as readable lines, to print a brief file and to write one by hand.
//
//   # a comment (a line whose first non-blank is "#"); blank lines are skipped
//   name: Morning news          brief keys first
//   size-limit-megs: 20
//   [web]                       each entry starts with a line naming its kind:
//   url: http://example.com/    [web], [search] or [directory]; the keys after
//   spider-depth: 3             it, up to the next such line, belong to it
//
// One "key: value" per line; blanks around the key and the value are
// dropped. Values are bytes passed through unchanged (UTF-8 and Latin-1
// both survive) except for the escapes "\\" (a backslash), "\n", "\r",
// "\t" and "\xHH" (the byte of two hex digits). The writer escapes
// backslashes, control bytes and a blank at either end of a value. Flags
// are "yes" or "no"; numbers are decimal. WriteBriefText of any brief shows
// every key; a key left out keeps its value.
//
// The first form of these files still reads: "name:", "information:" and
// "entry: CAPTION | URL | DEPTH" (a named web entry with that internal
// depth), which may stand anywhere.
//
// Pure functions of their arguments, callable from any thread on a brief
// that no other thread is changing.
#pragma once

#include "client/briefs/brief.h"

#include <string>
#include <string_view>

namespace rv
{

// The text form of a brief. User names, passwords, lock codes and the two
// lock messages are written only `withCredentials`; otherwise they are left
// out and, when the brief holds any, a comment line says so. The kept
// retrievals and summary fragments of the catalogue are written too; the
// run-time state, the file path and the schedule states that are "-1" are not.
std::string WriteBriefText(const TBrief& brief, bool withCredentials);

struct BriefTextResult
{
    bool Ok = false;
    int Line = 0;        // 1-based line of the error; 0 when Ok
    std::string Message; // what is wrong with that line
};

// Reads the text form into `brief`: every property the text names is set,
// entries are appended, everything else keeps its value (so reading into a
// freshly reset brief gives the defaults for what the text leaves out).
// Stops at the first line it cannot read; the brief then holds what came
// before and must be discarded.
BriefTextResult ReadBriefText(std::string_view text, TBrief& brief);

} // namespace rv
