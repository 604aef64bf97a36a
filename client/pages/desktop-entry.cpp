#include "client/pages/desktop-entry.h"

#include "store/ascii-text.h"

namespace rv
{

namespace
{

std::string Unescape(std::string_view value)
{
    std::string out;
    for (std::size_t i = 0; i < value.size(); ++i)
    {
        if (value[i] != '\\' || i + 1 == value.size())
        {
            out += value[i];
            continue;
        }
        switch (value[++i])
        {
        case 's':
            out += ' ';
            break;
        case 'n':
            out += '\n';
            break;
        case 't':
            out += '\t';
            break;
        case 'r':
            out += '\r';
            break;
        default:
            out += value[i];
            break;
        }
    }
    return out;
}

} // namespace

std::map<std::string, std::string> ReadDesktopEntry(std::string_view text)
{
    std::map<std::string, std::string> keys;
    bool inGroup = false;
    while (!text.empty())
    {
        const std::size_t newline = text.find('\n');
        std::string_view line = text.substr(0, newline);
        text = newline == std::string_view::npos ? std::string_view() : text.substr(newline + 1);
        line = TrimAny(line, " \t\r");
        if (line.empty() || line.starts_with('#'))
            continue;
        if (line.starts_with('['))
        {
            inGroup = line == "[Desktop Entry]";
            continue;
        }
        const std::size_t equals = line.find('=');
        if (!inGroup || equals == std::string_view::npos)
            continue;
        const std::string_view key = TrimAny(line.substr(0, equals), " \t");
        if (key.empty() || key.find('[') != std::string_view::npos)
            continue;
        keys.emplace(std::string(key), Unescape(TrimAny(line.substr(equals + 1), " \t")));
    }
    return keys;
}

std::vector<std::string> ExecProgramWords(std::string_view exec)
{
    std::vector<std::string> words;
    std::string word;
    bool inWord = false;
    bool quoted = false;
    for (std::size_t i = 0; i < exec.size(); ++i)
    {
        const char c = exec[i];
        if (quoted)
        {
            if (c == '"')
                quoted = false;
            else if (c == '\\' && i + 1 < exec.size())
                word += exec[++i];
            else
                word += c;
            continue;
        }
        if (c == ' ' || c == '\t')
        {
            if (inWord)
                words.push_back(std::move(word));
            word.clear();
            inWord = false;
            continue;
        }
        inWord = true;
        if (c == '"')
            quoted = true;
        else if (c == '%' && i + 1 < exec.size())
        {
            if (exec[++i] == '%')
                word += '%';
            // Any other field code stands for what the launcher passes: dropped.
        }
        else
            word += c;
    }
    if (quoted)
        return {};
    if (inWord && !word.empty())
        words.push_back(std::move(word));
    std::erase(words, std::string());
    return words;
}

} // namespace rv
