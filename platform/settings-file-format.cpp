#include "platform/settings-file-format.h"

#include "store/ascii-text.h"

#include <QString>
#include <QStringDecoder>
#include <algorithm>
#include <vector>

namespace rv
{

namespace
{

// QSettings keeps keys without an area in the section "General" and writes an area that is really called
// "General" as "%General".
constexpr std::string_view TopLevelSection = "General";
constexpr std::string_view GeneralAreaSection = "%General";
// Dropped at either end of a line, a key and a value, as QSettings does.
constexpr std::string_view SettingsBlanks = " \t\r\f\v";

// An escape such as "\x41414141..." may run on; a value read from it is capped here, the largest code point.
constexpr char32_t MaxCodePoint = 0x10FFFF;

std::string Utf8Of(const QString& text)
{
    const QByteArray bytes = text.toUtf8();
    return std::string(bytes.constData(), static_cast<std::size_t>(bytes.size()));
}

// Unlike QString::fromUtf8, keeps a byte-order mark at the start: in a key or value it is a character like
// any other.
QString TextOfUtf8(std::string_view bytes)
{
    QStringDecoder decode(QStringDecoder::Utf8, QStringDecoder::Flag::Stateless | QStringDecoder::Flag::ConvertInitialBom);
    return decode(QByteArrayView(bytes.data(), static_cast<qsizetype>(bytes.size())));
}

// Collects decoded characters: raw runs are UTF-8, escapes give code points.
class TextBuilder
{
public:
    void AddByte(char c) { run_.push_back(c); }
    void AddCodePoint(char32_t code)
    {
        Flush();
        if (QChar::requiresSurrogates(code))
        {
            text_ += QChar(QChar::highSurrogate(code));
            text_ += QChar(QChar::lowSurrogate(code));
        }
        else
        {
            text_ += QChar(static_cast<char16_t>(code));
        }
    }
    QString Take()
    {
        Flush();
        return std::move(text_);
    }

private:
    void Flush()
    {
        if (!run_.empty())
        {
            text_ += TextOfUtf8(run_);
            run_.clear();
        }
    }

    std::string run_;
    QString text_;
};

// Reads the digits of a numeric escape starting at text[i]; returns the position after them.
std::size_t ReadNumber(std::string_view text, std::size_t i, int base, char32_t& value)
{
    value = 0;
    while (i < text.size())
    {
        const int digit = HexDigitValue(text[i]);
        if (digit < 0 || digit >= base)
        {
            break;
        }
        value = std::min<char32_t>(value * static_cast<char32_t>(base) + static_cast<char32_t>(digit), MaxCodePoint);
        ++i;
    }
    return i;
}

char32_t SimpleEscape(char c)
{
    switch (c)
    {
    case 'a':
        return '\a';
    case 'b':
        return '\b';
    case 'f':
        return '\f';
    case 'n':
        return '\n';
    case 'r':
        return '\r';
    case 't':
        return '\t';
    case 'v':
        return '\v';
    default:
        return static_cast<unsigned char>(c);
    }
}

// Blanks outside quotes are dropped at either end of the value and next to a quoted part, and kept between
// unquoted words; a ";" outside quotes starts a comment.
QString UnescapeValueText(std::string_view raw)
{
    TextBuilder out;
    bool quoted = false;
    bool atPartStart = true;
    std::string blanks;
    std::size_t i = 0;
    while (i < raw.size())
    {
        const char c = raw[i++];
        if (c == '"')
        {
            quoted = !quoted;
            atPartStart = true;
            blanks.clear();
            continue;
        }
        if (!quoted && (c == ';' || IsSpaceOrTab(c)))
        {
            if (c == ';')
            {
                break;
            }
            blanks.push_back(c);
            continue;
        }
        if (!quoted)
        {
            for (const char blank : atPartStart ? std::string() : blanks)
            {
                out.AddByte(blank);
            }
            blanks.clear();
            atPartStart = false;
        }
        if (c != '\\' || i == raw.size())
        {
            out.AddByte(c);
        }
        else if (raw[i] == 'x' && i + 1 < raw.size() && HexDigitValue(raw[i + 1]) >= 0)
        {
            char32_t code = 0;
            i = ReadNumber(raw, i + 1, 16, code);
            out.AddCodePoint(code);
        }
        else if (raw[i] >= '0' && raw[i] <= '7')
        {
            char32_t code = 0;
            i = ReadNumber(raw, i, 8, code);
            out.AddCodePoint(code);
        }
        else
        {
            out.AddCodePoint(SimpleEscape(raw[i++]));
        }
    }
    return out.Take();
}

bool Wraps(const QString& text, QLatin1StringView prefix)
{
    return text.startsWith(prefix) && text.endsWith(QLatin1Char(')'));
}

std::string ValueBytes(const QString& text)
{
    if (text.startsWith(QLatin1StringView("@@")))
    {
        return Utf8Of(text.mid(1));
    }
    if (Wraps(text, QLatin1StringView("@ByteArray(")))
    {
        const QByteArray bytes = text.mid(11, text.size() - 12).toLatin1();
        return std::string(bytes.constData(), static_cast<std::size_t>(bytes.size()));
    }
    if (Wraps(text, QLatin1StringView("@String(")))
    {
        return Utf8Of(text.mid(8, text.size() - 9));
    }
    return Utf8Of(text);
}

std::string UnescapeKey(std::string_view raw)
{
    TextBuilder out;
    std::size_t i = 0;
    while (i < raw.size())
    {
        const char c = raw[i++];
        char32_t code = 0;
        if (c == '\\')
        {
            out.AddByte('/');
        }
        else if (c == '%' && raw.size() - i >= 5 && raw[i] == 'U' && ReadNumber(raw.substr(i + 1, 4), 0, 16, code) == 4)
        {
            out.AddCodePoint(code);
            i += 5;
        }
        else if (c == '%' && ReadNumber(raw.substr(i, 2), 0, 16, code) == 2)
        {
            out.AddCodePoint(code);
            i += 2;
        }
        else
        {
            out.AddByte(c);
        }
    }
    return Utf8Of(out.Take());
}

// Splits the text into logical lines; a line ending in an odd number of backslashes continues on the next.
std::vector<std::string> LogicalLines(std::string_view text)
{
    std::vector<std::string> lines;
    std::string current;
    while (!text.empty())
    {
        const std::size_t end = std::min(text.find('\n'), text.size());
        std::string_view line = text.substr(0, end);
        text.remove_prefix(std::min(end + 1, text.size()));
        if (!line.empty() && line.back() == '\r')
        {
            line.remove_suffix(1);
        }
        const std::size_t backslashes = line.size() - std::min(line.size(), line.find_last_not_of('\\') + 1);
        if (backslashes % 2 == 1 && !text.empty())
        {
            current.append(line.substr(0, line.size() - 1));
            continue;
        }
        current.append(line);
        lines.push_back(std::move(current));
        current.clear();
    }
    return lines;
}

std::string EscapeKey(const std::string& key)
{
    const QString text = TextOfUtf8(key);
    std::string out;
    for (const QChar ch : text)
    {
        const char16_t u = ch.unicode();
        const bool plain =
            (u >= 'a' && u <= 'z') || (u >= 'A' && u <= 'Z') || (u >= '0' && u <= '9') || u == '_' || u == '-' || u == '.';
        if (plain)
        {
            out.push_back(static_cast<char>(u));
        }
        else if (u == '/')
        {
            out.push_back('\\');
        }
        else if (u <= 0xFF)
        {
            out += Utf8Of(QStringLiteral("%%1").arg(u, 2, 16, QLatin1Char('0')).toUpper());
        }
        else
        {
            out += Utf8Of(QStringLiteral("%U%1").arg(u, 4, 16, QLatin1Char('0')).toUpper());
        }
    }
    return out;
}

bool IsHexDigit(char16_t u)
{
    return u < 0x80 && HexDigitValue(static_cast<char>(u)) >= 0;
}

// Always quoted, so that spaces at either end, commas and semicolons survive; control characters are escaped,
// and a hex digit right after a hex escape is escaped too so that it does not run into it.
std::string EscapeValue(std::string_view bytes)
{
    const QByteArray raw(bytes.data(), static_cast<qsizetype>(bytes.size()));
    QString text = TextOfUtf8(bytes);
    const bool binary = text.toUtf8() != raw;
    if (binary)
    {
        text = QLatin1StringView("@ByteArray(") + QString::fromLatin1(raw) + QLatin1Char(')');
    }
    else if (text.startsWith(QLatin1Char('@')))
    {
        text.prepend(QLatin1Char('@'));
    }
    QString out = QStringLiteral("\"");
    bool afterHexEscape = false;
    for (const QChar ch : text)
    {
        const char16_t u = ch.unicode();
        if (u < 0x20 || u == 0x7F || (binary && u >= 0x80) || (afterHexEscape && IsHexDigit(u)))
        {
            out += QStringLiteral("\\x%1").arg(u, 0, 16);
            afterHexEscape = true;
            continue;
        }
        if (u == '"' || u == '\\')
        {
            out += QLatin1Char('\\');
        }
        out += ch;
        afterHexEscape = false;
    }
    out += QLatin1Char('"');
    return Utf8Of(out);
}

} // namespace

std::string NormalSettingsKey(std::string_view key)
{
    std::string out;
    for (char c : key)
    {
        c = c == '\\' ? '/' : c;
        if (c == '/' && (out.empty() || out.back() == '/'))
        {
            continue;
        }
        out.push_back(c);
    }
    if (!out.empty() && out.back() == '/')
    {
        out.pop_back();
    }
    return out;
}

SettingsMap ParseSettingsText(std::string_view text)
{
    if (text.substr(0, 3) == "\xEF\xBB\xBF")
    {
        text.remove_prefix(3);
    }
    SettingsMap settings;
    std::string section;
    for (const std::string& fullLine : LogicalLines(text))
    {
        const std::string_view line = TrimAny(fullLine, SettingsBlanks);
        if (line.empty() || line.front() == ';' || line.front() == '#')
        {
            continue;
        }
        if (line.front() == '[')
        {
            const std::string_view name = line.substr(1, line.find(']') - 1);
            section = name == TopLevelSection      ? std::string()
                      : name == GeneralAreaSection ? std::string(TopLevelSection)
                                                   : UnescapeKey(name);
            continue;
        }
        const std::size_t equals = line.find('=');
        if (equals == std::string_view::npos)
        {
            continue;
        }
        const std::string name = UnescapeKey(TrimAny(line.substr(0, equals), SettingsBlanks));
        const std::string key = NormalSettingsKey(section + "/" + name);
        if (!NormalSettingsKey(name).empty())
        {
            settings[key] = ValueBytes(UnescapeValueText(TrimAny(line.substr(equals + 1), SettingsBlanks)));
        }
    }
    return settings;
}

std::string FormatSettingsText(const SettingsMap& settings)
{
    std::map<std::string, std::string> sections;
    for (const auto& [key, value] : settings)
    {
        const std::size_t slash = key.find('/');
        const bool topLevel = slash == std::string::npos;
        const std::string area = topLevel ? std::string() : key.substr(0, slash);
        std::string header = topLevel                  ? std::string(TopLevelSection)
                             : area == TopLevelSection ? std::string(GeneralAreaSection)
                                                       : EscapeKey(area);
        std::string& lines = sections["[" + header + "]\n"];
        lines += EscapeKey(topLevel ? key : key.substr(slash + 1)) + "=" + EscapeValue(value) + "\n";
    }
    std::string text;
    const auto append = [&text](const std::string& header, const std::string& lines)
    { text += (text.empty() ? "" : "\n") + header + lines; };
    const auto topLevel = sections.find("[" + std::string(TopLevelSection) + "]\n");
    if (topLevel != sections.end())
    {
        append(topLevel->first, topLevel->second);
        sections.erase(topLevel);
    }
    for (const auto& [header, lines] : sections)
    {
        append(header, lines);
    }
    return text;
}

} // namespace rv
