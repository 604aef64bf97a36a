// The one error type of the archive boundary: the writer throws it for
// input/output failures of its files, the reader for anything it cannot
// read. what() is a short text fit for a message or a log line.
#pragma once

#include <stdexcept>
#include <string>

namespace rv
{

enum class ArchiveErrorKind
{
    Io,             // a file could not be opened, read or written ("Write Failed" for a short write)
    NotAnArchive,   // the file does not start with the archive magic
    UnknownVersion, // version other than 1, or subversion above 4
    NoIndex,        // the index offset is unset or points outside the file: the archive was never closed
    Malformed,      // a length, offset or block that does not fit the file, or bytes that do not expand
    NotStored,      // a page was asked for by a record whose Offset says it was not retrieved
};

class ArchiveError : public std::runtime_error
{
public:
    ArchiveError(ArchiveErrorKind kind, const std::string& message) : std::runtime_error(message), kind_(kind) {}

    ArchiveErrorKind Kind() const { return kind_; }

private:
    ArchiveErrorKind kind_;
};

} // namespace rv
