// The recent briefs of the File menu: at most four brief file paths, most
// recent first, without repeats (paths compare exactly).
//
// Pure data; the main thread.
#pragma once

#include <QString>
#include <string>
#include <vector>

namespace rv
{

inline constexpr std::size_t MaxRecentBriefs = 4;

class RecentBriefs
{
public:
    // Puts the path on top; a path already listed moves there, and the
    // oldest falls out when a fifth comes.
    void Push(const std::string& path);
    // Appends a path read from the settings, skipping empty ones and repeats.
    void Append(const std::string& path);

    const std::vector<std::string>& Paths() const { return paths_; }

    // The menu caption of position index (0 is the most recent): "&1 News.brf".
    QString Caption(std::size_t index) const;

private:
    std::vector<std::string> paths_;
};

} // namespace rv
