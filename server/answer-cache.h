// The last answers of stored pages, ready to send again: expanding a page
// and decorating it costs far more than sending it, and a browser asks for
// the same few pages over and over (back, forward, reload).
//
// Bounded by the bytes of the answers it holds and by their number; the
// least recently used answer goes first, but only for an answer asked for
// more often lately than it (counted roughly, in a small table that forgets
// by halves): a reader or a program going through more pages than the cache
// holds, again and again, would otherwise push out every answer before it is
// asked for again, and find none. A page asked for twice is kept. An answer
// larger than an eighth of the bound is not kept. Every answer belongs to one open archive (its
// generation, see OpenBrief) and is dropped with it, so that an archive that
// was closed, replaced or rewritten is read afresh. Answers are shared: a
// connection still sending one keeps it alive after it left the cache.
// Used from the server's one thread only.
#pragma once

#include <cstddef>
#include <cstdint>
#include <list>
#include <memory>
#include <string>
#include <unordered_map>
#include <vector>

namespace rv
{

// One complete answer, header and body, as it goes to the socket.
using SharedAnswer = std::shared_ptr<const std::string>;

// What the page server keeps: 32 MiB, some 1,600 pages of 20 KB.
constexpr std::size_t AnswerCacheBytes = std::size_t{32} << 20;
constexpr std::size_t AnswerCacheEntries = 4096;

class AnswerCache
{
public:
    explicit AnswerCache(std::size_t maxBytes = AnswerCacheBytes, std::size_t maxEntries = AnswerCacheEntries);

    // The answer kept under key, made the most recent; null when none. Counts
    // as one more request for key, kept or not.
    SharedAnswer Find(const std::string& key);
    // Keeps the answer of the archive of this generation under key.
    void Put(const std::string& key, std::uint64_t generation, SharedAnswer answer);
    // Drops every answer of the archive of this generation.
    void DropArchive(std::uint64_t generation);

    std::size_t Bytes() const { return bytes_; }
    std::size_t Size() const { return entries_.size(); }

private:
    struct Entry
    {
        std::string key;
        std::uint64_t generation;
        SharedAnswer answer;
    };
    using Order = std::list<Entry>;

    void Erase(Order::iterator entry);
    // How often key was asked for lately, at most 15.
    int Frequency(const std::string& key) const;
    // Counts one more request for key.
    void Count(const std::string& key);

    std::size_t maxBytes_;
    std::size_t maxEntries_;
    std::size_t bytes_ = 0;
    Order order_; // most recent first
    std::unordered_map<std::string, Order::iterator> entries_;
    std::vector<std::uint8_t> counts_; // a count-min table of the requests
    std::size_t counted_ = 0;          // requests since the counts were last halved
};

} // namespace rv
