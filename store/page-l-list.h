// TPageLList: a singly linked list of records keyed by a text, newest first.
//
// It is the bucket list of the link cache (TCache) and of the transfer
// worker's host address cache. Keys are compared byte for byte, case
// matters. A list owns its records; a pointer to a record stays valid until
// that record is removed or the list is cleared or destroyed.
//
// Threads: none of its own; the owner serialises access.
#pragma once

#include <cstddef>
#include <cstdint>
#include <forward_list>
#include <string>
#include <string_view>

namespace rv
{

// The run driver's in-memory object for one link. When a link record is
// added with such an object, the object learns the record's KeepText flag
// and text. The cache never owns it and never calls it after the Add.
class TCacheLink
{
public:
    virtual ~TCacheLink() = default;
    virtual void TakeCachedText(std::uint8_t keepText, std::string_view text) = 0;
};

// One record. Every text is empty when absent (the files cannot tell an
// absent text from an empty one either).
struct TPageRecord
{
    std::string Url;            // the key; may be empty
    std::string Title;          // the data text; see TPageLList::DataEscaping
    std::uint8_t KeepText = 0;  // 1: the record keeps Text
    std::int32_t Level = 0;     // depth at which the URL was met (1000: embedded object only)
    std::uint8_t Visited = 0;   // set and read by the run driver
    TCacheLink* Link = nullptr; // not owned; none after the record went through a file
    std::uint8_t Mark = 0;      // set and read by the run driver
    std::string Text;           // kept only while KeepText is 1
    std::uint8_t Option = 0;    // set and read by the run driver
    std::string ForwardTo;      // the URL this one was redirected to, or empty
    std::string Origin;

    bool operator==(const TPageRecord&) const = default;
};

// Quotation marks in titles would end the HTML attributes that titles are
// later written into, so the link cache stores each as "&quot;". Binary data
// (the host address cache keeps IPv4 bytes in the data text, where a byte 34
// is an address byte, not a quotation mark) must be stored verbatim.
enum class DataEscaping
{
    Quotes,
    Verbatim
};

// Returns `text` with every '"' replaced by "&quot;".
std::string EscapeQuotes(std::string_view text);

class TPageLList
{
public:
    using Records = std::forward_list<TPageRecord>;

    explicit TPageLList(DataEscaping escaping = DataEscaping::Quotes) : escaping_(escaping) {}

    // The record with this key, or null. No forwarding.
    TPageRecord* Find(std::string_view key);
    const TPageRecord* Find(std::string_view key) const;

    // The record with this key, following ForwardTo keys within this list
    // (at most MaxForwardHops of them); null when a key on the way is not in
    // the list or the forwards run in a circle.
    TPageRecord* Resolve(std::string_view key);

    // Stores `record` under its Url: overwrites every field of the record with
    // that key, or adds a new record at the head. The data text is escaped as
    // the list was made to, and Text is dropped unless KeepText is 1.
    // Returns the stored record; `added` (when given) says whether it is new.
    TPageRecord& Store(TPageRecord record, bool* added = nullptr);

    // Removes the record with this key; false when there is none.
    bool Remove(std::string_view key);
    // Removes every record and hands them over, newest first.
    Records TakeAll();
    void Clear();

    std::size_t Count() const { return count_; }
    bool Empty() const { return count_ == 0; }
    DataEscaping Escaping() const { return escaping_; }

    // Newest first.
    Records::const_iterator begin() const { return records_.begin(); }
    Records::const_iterator end() const { return records_.end(); }

    // A redirect chain longer than this is treated as a loop.
    static constexpr int MaxForwardHops = 32;

private:
    Records records_;
    std::size_t count_ = 0;
    DataEscaping escaping_;
};

} // namespace rv
