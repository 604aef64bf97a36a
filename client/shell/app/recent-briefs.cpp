#include "client/shell/app/recent-briefs.h"

#include <algorithm>
#include <filesystem>

namespace rv
{

void RecentBriefs::Push(const std::string& path)
{
    if (path.empty())
        return;
    std::erase(paths_, path);
    paths_.insert(paths_.begin(), path);
    if (paths_.size() > MaxRecentBriefs)
        paths_.resize(MaxRecentBriefs);
}

void RecentBriefs::Append(const std::string& path)
{
    if (path.empty() || paths_.size() >= MaxRecentBriefs || std::ranges::find(paths_, path) != paths_.end())
        return;
    paths_.push_back(path);
}

QString RecentBriefs::Caption(std::size_t index) const
{
    if (index >= paths_.size())
        return {};
    const std::string name = std::filesystem::path(paths_[index]).filename().string();
    return QStringLiteral("&%1 %2").arg(index + 1).arg(QString::fromLocal8Bit(name));
}

} // namespace rv
