#include "client/briefs/brief-text.h"

#include "client/briefs/brief-file.h"
#include "store/ascii-text.h"

#include <charconv>
#include <cstdio>
#include <iterator>
#include <limits>
#include <optional>
#include <type_traits>
#include <variant>

namespace rv
{

namespace
{

// Numbers stored in a brief file as one word.
constexpr std::int32_t WordLow = std::numeric_limits<std::int16_t>::min();
constexpr std::int32_t WordHigh = std::numeric_limits<std::int16_t>::max();

template <class Record> using Member = std::variant<bool Record::*, std::int32_t Record::*, std::string Record::*>;

template <class Record> struct Field
{
    std::string_view Key;
    Member<Record> Value;
    std::int32_t Low = WordLow;
    std::int32_t High = WordHigh;
    bool Credential = false; // kept scrambled in the brief file
};

// In the order they are written.
const Field<TBrief> BriefFields[] = {
    {"active", &TBrief::BriefActive},
    {"tag-3", &TBrief::BriefTag3Text},
    {"timers-locked", &TBrief::TimersLocked},
    {"locked-timers-text", &TBrief::LockedTimersText, 0, 0, true},
    {"locked-timers-font-size", &TBrief::LockedTimersFontSize},
    {"size-limit-megs", &TBrief::NumMegs},
    {"time-limit-hours", &TBrief::MaxHours},
    {"time-limit-minutes", &TBrief::MaxMins},
    {"kept-archives", &TBrief::NumArchives},
};

const Field<TWebPage> EntryFields[] = {
    {"name", &TWebPage::EntryName},
    {"name-set", &TWebPage::NameSet},
    {"url", &TWebPage::URL},
    {"active", &TWebPage::Active},
    {"spider-depth", &TWebPage::SpiderDepth, MinSpiderDepth, MaxSpiderDepth},
    {"external-depth", &TWebPage::ExternalDepth, MinExternalDepth, MaxExternalDepth},
    {"local-only", &TWebPage::LocalOnly},
    {"stay-in-directory", &TWebPage::StayInSubdir},
    {"images", &TWebPage::Images},
    {"plug-ins", &TWebPage::PlugIns},
    {"applets", &TWebPage::Applets},
    {"activex", &TWebPage::ActiveX},
    {"other", &TWebPage::Other},
    {"frames", &TWebPage::Frames},
    {"full-retrieval", &TWebPage::FullRetrieval},
    {"mark-differences", &TWebPage::MarkDiffs},
    {"keep-unfiltered-page", &TWebPage::KeepUnfilteredPage},
    {"smart-search", &TWebPage::SmartSearch},
    {"search-for", &TWebPage::SearchFor},
    {"case-sensitive", &TWebPage::CaseSensitive},
    {"check-header", &TWebPage::CheckHeader},
    {"search-html", &TWebPage::SearchHTML},
    {"preserve-only", &TWebPage::PreserveOnly},
    {"user-agent", &TWebPage::UserAgent},
    {"bypass-proxy-cache", &TWebPage::BypassProxyCache},
    {"exclusion-lists", &TWebPage::ExclusionLists},
    {"search-directory", &TWebPage::SearchYahoo},
    {"locked", &TWebPage::EntryLocked},
    {"locked-text", &TWebPage::LockedText, 0, 0, true},
    {"locked-font-size", &TWebPage::LockedFontSize},
    {"lock-code", &TWebPage::LockCode, 0, 0, true},
    {"user-name", &TWebPage::UserName, 0, 0, true},
    {"password", &TWebPage::Password, 0, 0, true},
};

const Field<TWebPage>* FindEntryField(std::string_view key)
{
    for (const Field<TWebPage>& field : EntryFields)
    {
        if (field.Key == key)
        {
            return &field;
        }
    }
    return nullptr;
}

struct KindName
{
    EntryKind Kind;
    std::string_view Line;
};

constexpr KindName KindLines[] = {
    {EntryKind::Web, "[web]"},
    {EntryKind::Search, "[search]"},
    {EntryKind::Yahoo, "[directory]"},
};

// ---- writing ----------------------------------------------------------------

std::string Escaped(std::string_view text)
{
    std::string out;
    out.reserve(text.size());
    for (std::size_t i = 0; i < text.size(); ++i)
    {
        const auto byte = static_cast<unsigned char>(text[i]);
        const bool endBlank = byte == ' ' && (i == 0 || i + 1 == text.size());
        if (byte == '\\')
        {
            out += "\\\\";
        }
        else if (byte == '\n')
        {
            out += "\\n";
        }
        else if (byte == '\r')
        {
            out += "\\r";
        }
        else if (byte == '\t')
        {
            out += "\\t";
        }
        else if (byte < 0x20 || byte == 0x7F || endBlank)
        {
            char hex[5];
            std::snprintf(hex, sizeof hex, "\\x%02X", byte);
            out += hex;
        }
        else
        {
            out += static_cast<char>(byte);
        }
    }
    return out;
}

class TextWriter
{
public:
    explicit TextWriter(bool withCredentials) : withCredentials_(withCredentials) {}

    void Line(std::string_view key, std::string_view value)
    {
        out_.append(key) += ':';
        if (!value.empty())
        {
            out_.append(" ").append(Escaped(value));
        }
        out_ += '\n';
    }
    void Raw(std::string_view line) { out_.append(line) += '\n'; }

    template <class Record> void Fields(const Record& record, const Field<Record>* begin, const Field<Record>* end)
    {
        for (const Field<Record>* field = begin; field != end; ++field)
        {
            if (field->Credential && !withCredentials_)
            {
                continue;
            }
            std::visit(
                [&](auto member)
                {
                    const auto& value = record.*member;
                    using Value = std::decay_t<decltype(value)>;
                    if constexpr (std::is_same_v<Value, bool>)
                    {
                        Line(field->Key, value ? "yes" : "no");
                    }
                    else if constexpr (std::is_same_v<Value, std::int32_t>)
                    {
                        Line(field->Key, std::to_string(value));
                    }
                    else
                    {
                        Line(field->Key, value);
                    }
                },
                field->Value);
        }
    }

    // A packed list (a length byte, then the name, repeated) as one line per
    // name, or as its raw bytes when it does not split into whole names.
    void PackedList(std::string_view key, std::string_view bytesKey, std::string_view packed)
    {
        std::size_t position = 0;
        while (position < packed.size() && position + 1 + static_cast<unsigned char>(packed[position]) <= packed.size())
        {
            position += 1 + static_cast<unsigned char>(packed[position]);
        }
        if (position != packed.size())
        {
            Line(bytesKey, packed);
            return;
        }
        for (position = 0; position < packed.size();)
        {
            const std::size_t length = static_cast<unsigned char>(packed[position]);
            Line(key, packed.substr(position + 1, length));
            position += 1 + length;
        }
    }

    std::string Take() { return std::move(out_); }

private:
    bool withCredentials_;
    std::string out_;
};

bool HoldsHiddenTexts(const TBrief& brief)
{
    if (brief.LockedTimersText != TBrief().LockedTimersText)
    {
        return true;
    }
    const TWebPage fresh;
    for (int i = 0; i < brief.Entries.Count(); ++i)
    {
        const TWebPage& e = brief.Entries[i];
        if (!e.UserName.empty() || !e.Password.empty() || !e.LockCode.empty() || e.LockedText != fresh.LockedText)
        {
            return true;
        }
    }
    return false;
}

// ---- reading ----------------------------------------------------------------

constexpr std::string_view Blanks = " \t\r";

std::string_view Trimmed(std::string_view text)
{
    return TrimAny(text, Blanks);
}

std::optional<std::string> Unescaped(std::string_view text)
{
    std::string out;
    out.reserve(text.size());
    for (std::size_t i = 0; i < text.size(); ++i)
    {
        if (text[i] != '\\')
        {
            out += text[i];
            continue;
        }
        if (++i == text.size())
        {
            return std::nullopt;
        }
        switch (text[i])
        {
        case '\\':
            out += '\\';
            break;
        case 'n':
            out += '\n';
            break;
        case 'r':
            out += '\r';
            break;
        case 't':
            out += '\t';
            break;
        case 'x':
        {
            const int high = i + 1 < text.size() ? HexDigitValue(text[i + 1]) : -1;
            const int low = i + 2 < text.size() ? HexDigitValue(text[i + 2]) : -1;
            if (high < 0 || low < 0)
            {
                return std::nullopt;
            }
            out += static_cast<char>(high * 16 + low);
            i += 2;
            break;
        }
        default:
            return std::nullopt;
        }
    }
    return out;
}

class TextReader
{
public:
    explicit TextReader(TBrief& brief) : brief_(brief) {}

    BriefTextResult Read(std::string_view text)
    {
        BriefTextResult result;
        for (std::size_t start = 0; start < text.size(); ++result.Line)
        {
            std::size_t end = text.find('\n', start);
            if (end == std::string_view::npos)
            {
                end = text.size();
            }
            const std::string_view line = Trimmed(text.substr(start, end - start));
            start = end + 1;
            if (line.empty() || line[0] == '#')
            {
                continue;
            }
            if (!ReadLine(line))
            {
                ++result.Line;
                result.Message = std::move(error_);
                return result;
            }
        }
        FinishEntry();
        result.Ok = true;
        result.Line = 0;
        return result;
    }

private:
    bool Fail(std::string message)
    {
        error_ = std::move(message);
        return false;
    }

    bool ReadLine(std::string_view line)
    {
        if (line.front() == '[')
        {
            for (const KindName& kind : KindLines)
            {
                if (line == kind.Line)
                {
                    return StartEntry(kind.Kind);
                }
            }
            return Fail("unknown entry kind \"" + std::string(line) + "\"");
        }
        const std::size_t colon = line.find(':');
        if (colon == std::string_view::npos)
        {
            return Fail("not a \"key: value\" line");
        }
        const std::string key(Trimmed(line.substr(0, colon)));
        const std::string_view raw = Trimmed(line.substr(colon + 1));
        if (key == "entry")
        {
            return OldEntry(raw);
        }
        const std::optional<std::string> value = Unescaped(raw);
        if (!value)
        {
            return Fail("bad escape in the value of " + key);
        }
        if (entry_ >= 0 && ReadEntryKey(key, *value))
        {
            return error_.empty();
        }
        if (!error_.empty())
        {
            return false;
        }
        return ReadBriefKey(key, *value);
    }

    bool Number(const std::string& key, const std::string& value, std::int32_t low, std::int32_t high, std::int32_t& out)
    {
        std::int64_t number = 0;
        const char* end = value.data() + value.size();
        const auto [stop, error] = std::from_chars(value.data(), end, number);
        if (value.empty() || error != std::errc() || stop != end)
        {
            return Fail("bad number \"" + value + "\" for " + key);
        }
        if (number < low || number > high)
        {
            return Fail(key + " " + value + " is out of range (" + std::to_string(low) + " to " + std::to_string(high) + ")");
        }
        out = static_cast<std::int32_t>(number);
        return true;
    }

    bool Flag(const std::string& key, const std::string& value, bool& out)
    {
        if (value != "yes" && value != "no")
        {
            return Fail("\"" + value + "\" for " + key + " is neither yes nor no");
        }
        out = value == "yes";
        return true;
    }

    template <class Record> bool Set(const Field<Record>& field, Record& record, const std::string& value)
    {
        const std::string key(field.Key);
        return std::visit(
            [&](auto member)
            {
                auto& target = record.*member;
                using Value = std::decay_t<decltype(target)>;
                if constexpr (std::is_same_v<Value, bool>)
                {
                    return Flag(key, value, target);
                }
                else if constexpr (std::is_same_v<Value, std::int32_t>)
                {
                    return Number(key, value, field.Low, field.High, target);
                }
                else
                {
                    target = value;
                    return true;
                }
            },
            field.Value);
    }

    bool ReadBriefKey(const std::string& key, const std::string& value)
    {
        if (key == "name")
        {
            brief_.BriefName = value;
        }
        else if (key == "information")
        {
            brief_.BriefComments = value;
        }
        else if (key == "flag-2")
        {
            std::int32_t flag = 0;
            if (!Number(key, value, 0, 255, flag))
            {
                return false;
            }
            brief_.BriefFlag2 = static_cast<std::uint8_t>(flag);
        }
        else if (key == "schedule")
        {
            brief_.Schedule.push_back(value);
            brief_.ScheduleState.emplace_back("-1");
        }
        else if (key == "schedule-state")
        {
            if (brief_.Schedule.empty() || brief_.ScheduleState.size() != brief_.Schedule.size())
            {
                return Fail("schedule-state with no schedule line before it");
            }
            brief_.ScheduleState.back() = value;
        }
        else if (key == "archive")
        {
            brief_.ArchiveFiles.push_back(value);
            brief_.ArchiveCaptions.emplace_back();
        }
        else if (key == "archive-caption")
        {
            if (brief_.ArchiveFiles.empty() || brief_.ArchiveCaptions.size() != brief_.ArchiveFiles.size())
            {
                return Fail("archive-caption with no archive line before it");
            }
            brief_.ArchiveCaptions.back() = value;
        }
        else
        {
            for (const Field<TBrief>& field : BriefFields)
            {
                if (field.Key == key)
                {
                    if (!Set(field, brief_, value))
                    {
                        return false;
                    }
                    if (brief_.BriefTag3Text.size() > MaxBriefTag3Length)
                    {
                        return Fail("tag-3 is longer than " + std::to_string(MaxBriefTag3Length) + " bytes");
                    }
                    return true;
                }
            }
            if (FindEntryField(key) != nullptr || IsEntryListKey(key))
            {
                return Fail(key + " outside an entry: start one with [web], [search] or [directory]");
            }
            return Fail("unknown key \"" + key + "\"");
        }
        return true;
    }

    static bool IsEntryListKey(const std::string& key)
    {
        for (const char* list : {"exclude", "exclude-all-except", "page-ref", "engine", "engine-bytes", "engines-chosen",
                                 "category", "category-bytes", "directory-search", "summary", "summary-archive"})
        {
            if (key == list)
            {
                return true;
            }
        }
        return false;
    }

    // True when the key is an entry key (error_ then tells whether its value
    // was good); false to try the brief keys.
    bool ReadEntryKey(const std::string& key, const std::string& value)
    {
        TWebPage& e = brief_.Entries[entry_];
        if (const Field<TWebPage>* field = FindEntryField(key))
        {
            Set(*field, e, value);
        }
        else if (key == "exclude")
        {
            e.ExList.push_back(value);
        }
        else if (key == "exclude-all-except")
        {
            e.InList.push_back(value);
        }
        else if (key == "page-ref")
        {
            e.PageRefs.push_back(value);
        }
        else if (key == "engine" || key == "category")
        {
            AddPacked(key, key == "engine" ? e.EngineList : e.CategoryList, value, true);
        }
        else if (key == "engine-bytes" || key == "category-bytes")
        {
            AddPacked(key, key == "engine-bytes" ? e.EngineList : e.CategoryList, value, false);
        }
        else if (key == "engines-chosen")
        {
            Flag(key, value, enginesChosen_);
        }
        else if (key == "directory-search")
        {
            e.YahooSearch = value;
        }
        else if (key == "summary")
        {
            e.SummaryFragments.push_back({value, {}});
        }
        else if (key == "summary-archive")
        {
            if (e.SummaryFragments.empty())
            {
                Fail("summary-archive with no summary line before it");
            }
            else
            {
                e.SummaryFragments.back().ArchiveFile = value;
            }
        }
        else
        {
            return false;
        }
        return true;
    }

    void AddPacked(const std::string& key, std::string& packed, const std::string& value, bool name)
    {
        if (name && value.size() > 255)
        {
            Fail(key + " is longer than 255 bytes");
            return;
        }
        if (packed.size() + value.size() + (name ? 1 : 0) > MaxPackedListBytes)
        {
            Fail(key + " list is longer than " + std::to_string(MaxPackedListBytes) + " bytes");
            return;
        }
        if (name)
        {
            packed += static_cast<char>(value.size());
        }
        packed += value;
    }

    bool StartEntry(EntryKind kind)
    {
        FinishEntry();
        entry_ = brief_.Entries.Insert(MakeEntry(kind), -1);
        if (entry_ < 0)
        {
            return Fail("more than " + std::to_string(MaxEntries) + " entries");
        }
        enginesChosen_ = true;
        return true;
    }

    // The engine list's length follows its buffer; an entry whose engines
    // were never chosen has none.
    void FinishEntry()
    {
        if (entry_ >= 0)
        {
            TWebPage& e = brief_.Entries[entry_];
            e.EngineListLength = !enginesChosen_ && e.EngineList.empty() ? -1 : static_cast<std::int32_t>(e.EngineList.size());
        }
    }

    // CAPTION | URL | DEPTH: a web entry named by the caption.
    bool OldEntry(std::string_view text)
    {
        const std::size_t first = text.find('|');
        const std::size_t second = first == std::string_view::npos ? first : text.find('|', first + 1);
        if (second == std::string_view::npos)
        {
            return Fail("entry needs CAPTION | URL | DEPTH");
        }
        const std::optional<std::string> caption = Unescaped(Trimmed(text.substr(0, first)));
        const std::optional<std::string> url = Unescaped(Trimmed(text.substr(first + 1, second - first - 1)));
        if (!caption || !url)
        {
            return Fail("bad escape in the value of entry");
        }
        TWebPage entry = MakeEntry(EntryKind::Web);
        if (!Number("spider-depth", std::string(Trimmed(text.substr(second + 1))), MinSpiderDepth, MaxSpiderDepth,
                    entry.SpiderDepth))
        {
            return false;
        }
        entry.EntryName = *caption;
        entry.NameSet = true;
        entry.URL = *url;
        if (brief_.Entries.Insert(std::move(entry), -1) < 0)
        {
            return Fail("more than " + std::to_string(MaxEntries) + " entries");
        }
        return true;
    }

    TBrief& brief_;
    int entry_ = -1; // position of the entry that entry keys apply to
    bool enginesChosen_ = true;
    std::string error_;
};

} // namespace

std::string WriteBriefText(const TBrief& brief, bool withCredentials)
{
    TextWriter out(withCredentials);
    out.Raw("# Ravelin brief in text form: rvbrief OUT.brf THIS-FILE writes it back.");
    if (!withCredentials && HoldsHiddenTexts(brief))
    {
        out.Raw("# Credentials and lock texts are left out (rvbrief --text --with-credentials prints them).");
    }
    out.Line("name", brief.BriefName);
    if (brief.BriefComments)
    {
        out.Line("information", *brief.BriefComments);
    }
    out.Line("flag-2", std::to_string(brief.BriefFlag2));
    out.Fields(brief, std::begin(BriefFields), std::end(BriefFields));
    for (std::size_t i = 0; i < brief.Schedule.size(); ++i)
    {
        out.Line("schedule", brief.Schedule[i]);
        if (i < brief.ScheduleState.size() && brief.ScheduleState[i] != "-1")
        {
            out.Line("schedule-state", brief.ScheduleState[i]);
        }
    }
    for (std::size_t i = 0; i < brief.ArchiveFiles.size(); ++i)
    {
        out.Line("archive", brief.ArchiveFiles[i]);
        out.Line("archive-caption", i < brief.ArchiveCaptions.size() ? brief.ArchiveCaptions[i] : std::string());
    }
    for (int i = 0; i < brief.Entries.Count(); ++i)
    {
        const TWebPage& e = brief.Entries[i];
        out.Raw("");
        for (const KindName& kind : KindLines)
        {
            if (kind.Kind == e.Kind)
            {
                out.Raw(kind.Line);
            }
        }
        out.Fields(e, std::begin(EntryFields), std::end(EntryFields));
        if (e.YahooSearch)
        {
            out.Line("directory-search", *e.YahooSearch);
        }
        if (e.EngineListLength < 0 && e.EngineList.empty())
        {
            out.Line("engines-chosen", "no");
        }
        out.PackedList("engine", "engine-bytes", e.EngineList);
        out.PackedList("category", "category-bytes", e.CategoryList);
        for (const std::string& item : e.ExList)
        {
            out.Line("exclude", item);
        }
        for (const std::string& item : e.InList)
        {
            out.Line("exclude-all-except", item);
        }
        for (const std::string& item : e.PageRefs)
        {
            out.Line("page-ref", item);
        }
        for (const SummaryFragment& fragment : e.SummaryFragments)
        {
            out.Line("summary", fragment.Fragment);
            out.Line("summary-archive", fragment.ArchiveFile);
        }
    }
    return out.Take();
}

BriefTextResult ReadBriefText(std::string_view text, TBrief& brief)
{
    return TextReader(brief).Read(text);
}

} // namespace rv
