#include "store/ksdb-list.h"

namespace rv
{

void TKSDBList::Add(const IndexRecord& record)
{
    if (records_.size() >= Capacity)
    {
        records_.pop_front();
    }
    records_.push_back(record);
}

const IndexRecord* TKSDBList::Find(std::string_view key) const
{
    for (auto it = records_.rbegin(); it != records_.rend(); ++it)
    {
        if (it->Key == key)
        {
            return &*it;
        }
    }
    return nullptr;
}

} // namespace rv
