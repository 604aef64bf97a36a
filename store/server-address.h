// Addresses of the local page server, written and read in one place:
//
//   "http://127.0.0.1:" + port + "/" + archive path + "/" + page name
//
// The archive path is the archive's absolute path without its leading "/",
// with every "\" as "/" and a drive letter's ":" as "_" ("C_/Briefs/x.rvd").
// On the wire every byte of the path outside A-Z a-z 0-9 "-" "." "_" "~" and
// "/" is written "%XX", as browsers expect; the server decodes every "%XX".
//
// Stored pages keep their own link form ("&colon;" for ":"); those texts are
// page names, not addresses, and are never rewritten here. Pure functions,
// safe on any thread; no errors are thrown.
#pragma once

#include <cstddef>
#include <optional>
#include <string>
#include <string_view>

namespace rv
{

inline constexpr std::string_view ServerAddressLead = "http://127.0.0.1:";

// Every byte outside the unreserved set and "/" as "%XX" (upper-case hex).
std::string PercentEncodePath(std::string_view text);

// Every "%XX" decoded. Nothing when a "%" is not followed by two hex digits,
// or when it would give a zero byte: such a path is refused, not guessed at.
std::optional<std::string> PercentDecode(std::string_view text);

// The archive path as addresses name it, before encoding: "\" as "/", the
// leading slashes dropped, a drive "C:" written "C_".
std::string ArchiveAddressPath(std::string_view archivePath);

// "http://127.0.0.1:" + port + "/".
std::string ServerRootAddress(int port);

// The address of a page in an archive; an empty page name addresses the
// archive's summary page ("http://127.0.0.1:1888/home/ann/News.rvd/").
std::string ServerPageAddress(int port, std::string_view archivePath, std::string_view pageName = {});

// Length of the archive part of a request path as it arrived (still
// encoded): through the first ".rvd" (any case), else through the first
// ".htm", else up to the first blank, tab, CR or LF.
std::size_t ArchivePartLength(std::string_view path);

// The archive part decoded: the name the server opens ("C:/..." for the drive
// form, with drive set). Nothing when its encoding is malformed.
struct ArchivePart
{
    std::string name;
    bool drive = false;
};
std::optional<ArchivePart> DecodeArchivePart(std::string_view raw);

// A whole server address read back. Nothing when it is not one of ours or
// its encoding is malformed.
struct ServerAddress
{
    int port = 0;
    ArchivePart archive; // empty for the server's root
    std::string pageName;
};
std::optional<ServerAddress> ParseServerAddress(std::string_view address);

// Length of the server's base tag at the very start of a body ("<base
// href=" and an address of this server, in any letter case, quoted or
// not), through its ">". 0 when the body does not start with one.
std::size_t ServerBaseTagLength(std::string_view body);

} // namespace rv
