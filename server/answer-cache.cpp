#include "server/answer-cache.h"

#include <algorithm>
#include <array>
#include <bit>

namespace rv
{
namespace
{

constexpr int CountRows = 4;
constexpr std::uint8_t MaxCount = 15;

// The table's slots for a key, one in each of its rows' stretches.
std::array<std::size_t, CountRows> Slots(const std::string& key, std::size_t tableSize)
{
    std::uint64_t hash = std::hash<std::string>{}(key);
    std::array<std::size_t, CountRows> slots{};
    const std::size_t row = tableSize / CountRows;
    for (int i = 0; i < CountRows; ++i)
    {
        hash = (hash ^ (hash >> 31)) * 0x9E3779B97F4A7C15u;
        slots[static_cast<std::size_t>(i)] = static_cast<std::size_t>(i) * row + static_cast<std::size_t>(hash >> 32) % row;
    }
    return slots;
}

} // namespace

AnswerCache::AnswerCache(std::size_t maxBytes, std::size_t maxEntries)
    : maxBytes_(maxBytes), maxEntries_(maxEntries),
      counts_(std::bit_ceil(std::max<std::size_t>(maxEntries, 16)) * 2 * CountRows, 0)
{
}

int AnswerCache::Frequency(const std::string& key) const
{
    int least = MaxCount;
    for (const std::size_t slot : Slots(key, counts_.size()))
        least = std::min<int>(least, counts_[slot]);
    return least;
}

void AnswerCache::Count(const std::string& key)
{
    for (const std::size_t slot : Slots(key, counts_.size()))
        counts_[slot] = static_cast<std::uint8_t>(std::min<int>(counts_[slot] + 1, MaxCount));
    // Forgets by halves, so that what was asked for long ago gives way.
    if (++counted_ >= 10 * std::max<std::size_t>(maxEntries_, 16))
    {
        for (std::uint8_t& count : counts_)
            count >>= 1;
        counted_ /= 2;
    }
}

SharedAnswer AnswerCache::Find(const std::string& key)
{
    if (maxEntries_ > 0)
        Count(key);
    const auto found = entries_.find(key);
    if (found == entries_.end())
        return nullptr;
    order_.splice(order_.begin(), order_, found->second);
    return found->second->answer;
}

namespace
{

// What an answer holds on the heap, which is what the bound is about.
std::size_t HeldBytes(const SharedAnswer& answer)
{
    return answer->capacity();
}

} // namespace

void AnswerCache::Put(const std::string& key, std::uint64_t generation, SharedAnswer answer)
{
    if (!answer || HeldBytes(answer) > maxBytes_ / 8 || maxEntries_ == 0)
        return;
    const bool full = bytes_ + HeldBytes(answer) > maxBytes_ || entries_.size() >= maxEntries_;
    if (const auto held = entries_.find(key); held != entries_.end())
        Erase(held->second);
    else if (full && !order_.empty() && Frequency(key) <= Frequency(order_.back().key))
        return;
    while (!order_.empty() && (bytes_ + HeldBytes(answer) > maxBytes_ || entries_.size() >= maxEntries_))
        Erase(std::prev(order_.end()));
    bytes_ += HeldBytes(answer);
    order_.push_front(Entry{key, generation, std::move(answer)});
    entries_.emplace(key, order_.begin());
}

void AnswerCache::DropArchive(std::uint64_t generation)
{
    for (auto it = order_.begin(); it != order_.end();)
    {
        const auto next = std::next(it);
        if (it->generation == generation)
            Erase(it);
        it = next;
    }
}

void AnswerCache::Erase(Order::iterator entry)
{
    bytes_ -= HeldBytes(entry->answer);
    entries_.erase(entry->key);
    order_.erase(entry);
}

} // namespace rv
