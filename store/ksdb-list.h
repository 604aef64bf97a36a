// TKSDBList: the index records an archive writer wrote most recently, so
// that an alias can be made for a URL whose page was just stored.
#pragma once

#include "store/index-record.h"

#include <cstddef>
#include <deque>
#include <string_view>

namespace rv
{

class TKSDBList
{
public:
    // Keeps at most this many records; older ones are dropped as new ones come.
    static constexpr std::size_t Capacity = 41;

    // Adds a copy of record as the newest.
    void Add(const IndexRecord& record);
    // The newest record whose Key equals key exactly, or null. The pointer
    // stays valid until the next Add or Clear.
    const IndexRecord* Find(std::string_view key) const;
    void Clear() { records_.clear(); }
    std::size_t Size() const { return records_.size(); }

private:
    std::deque<IndexRecord> records_; // oldest first
};

} // namespace rv
