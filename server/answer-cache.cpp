#include "server/answer-cache.h"

namespace rv
{

SharedAnswer AnswerCache::Find(const std::string& key)
{
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
    if (const auto held = entries_.find(key); held != entries_.end())
        Erase(held->second);
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
