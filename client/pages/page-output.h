// PageOutput: the stored page as the scan writes it, streamed into the
// brief's archive piece by piece (never built whole in memory).
//
// Bytes are gathered in a small buffer and handed to TKSDB::Append when it
// fills; a page that is not to be stored (Smart Search keeps only matching
// pages) is written to no archive and only counted. Text copied from the
// received body skips the ranges the pipeline blanked in the working copy
// (head scripts and the body tag already written, the base tag, frames that
// are not wanted), so nothing is written twice.
//
// Used by one thread, for one page; the archive must have the page open.
#pragma once

#include <cstddef>
#include <cstdint>
#include <functional>
#include <string>
#include <string_view>
#include <vector>

namespace rv
{

class TKSDB;

class PageOutput
{
public:
    // archive may be null: the page is discarded.
    PageOutput(TKSDB* archive, std::string_view body);
    ~PageOutput() = default;
    PageOutput(const PageOutput&) = delete;
    PageOutput& operator=(const PageOutput&) = delete;

    void Write(std::string_view bytes);
    // Writes an attribute value so that the browser reads back exactly
    // `value`: "&", "<", ">" and the quote character (or both quotes for an
    // unquoted value) become character references.
    void WriteAttributeValue(std::string_view value, char quote);
    // Copies the received body from the copy position up to `end`, leaving
    // out blanked ranges, and moves the copy position there.
    void CopyTo(std::size_t end);
    // Moves the copy position without writing (the bytes were replaced).
    void SkipTo(std::size_t position);
    std::size_t CopyPosition() const { return copied_; }

    // Notes a range of the body that must not be copied. Ranges may come in
    // any order and may overlap; they are merged.
    void Blank(std::size_t start, std::size_t end);

    // Markers written into the copied text: markup(n, last) goes in front of
    // the first byte copied at or past positions[n] (ascending offsets of
    // the body); markers left when the body is copied to its end follow it.
    // positions must outlive the output.
    using MarkerMarkup = std::function<std::string(std::size_t number, bool last)>;
    void SetMarkers(const std::vector<std::size_t>* positions, MarkerMarkup markup);

    // Bytes written so far (the head part is measured with it).
    std::uint64_t Written() const { return written_ + buffer_.size(); }
    // Hands the buffered bytes to the archive.
    void Flush();
    // False once an Append to the archive failed; later writes are dropped.
    bool Ok() const { return ok_; }

private:
    struct Range
    {
        std::size_t Start;
        std::size_t End;
    };
    void CopyPlain(std::size_t start, std::size_t end);
    void WriteMarker();

    // Buffered bytes before they go to the archive.
    static constexpr std::size_t BufferBytes = 16384;

    TKSDB* archive_;
    std::string_view body_;
    std::string buffer_;
    std::uint64_t written_ = 0;
    std::size_t copied_ = 0;
    std::vector<Range> blanked_; // sorted and disjoint
    bool ok_ = true;
    const std::vector<std::size_t>* markers_ = nullptr;
    std::size_t nextMarker_ = 0;
    MarkerMarkup markup_;
};

} // namespace rv
