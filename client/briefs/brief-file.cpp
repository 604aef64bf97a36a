#include "client/briefs/brief-file.h"

#include "client/briefs/scrambled-text.h"
#include "client/briefs/word-stream.h"

#include <algorithm>

namespace rv
{

namespace
{

// Record tags of the brief file.
enum Tag : std::uint16_t
{
    BriefNameTag = 0,
    CommentsTag = 1,
    Flag2Tag = 2,
    Tag3TextTag = 3,
    BriefActiveTag = 4,
    ScheduleCountTag = 5,
    ScheduleTag = 6,
    EntryCountTag = 7,
    NewEntryTag = 8,
    EntryNameTag = 9,
    UrlTag = 10,
    FullRetrievalTag = 11,
    OldSpiderDepthTag = 12,
    ImagesTag = 13,
    OtherTag = 14,
    PlainUserNameTag = 15,
    PlainPasswordTag = 16,
    SearchForTag = 17,
    LocalOnlyTag = 18,
    NameSetTag = 19,
    OldIgnoredTag = 20,
    SmartSearchTag = 21,
    EngineLengthTag = 22,
    EngineListTag = 23,
    PlugInsTag = 24,
    AppletsTag = 25,
    MarkDiffsTag = 26,
    FramesTag = 27,
    CaseSensitiveTag = 28,
    PasswordTag = 29,
    UserNameTag = 30,
    EntryLockedTag = 31,
    TimersLockedTag = 32,
    LockCodeTag = 33,
    LockedTextTag = 34,
    LockedFontSizeTag = 35,
    LockedTimersTextTag = 36,
    LockedTimersFontSizeTag = 37,
    CheckHeaderTag = 38,
    SearchYahooTag = 39,
    EntryKindTag = 40,
    CategoryLengthTag = 41,
    CategoryListTag = 42,
    YahooSearchTag = 43,
    PreserveOnlyTag = 44,
    NumMegsTag = 45,
    MaxMinsTag = 46,
    MaxHoursTag = 47,
    StayInSubdirTag = 48,
    NumArchivesTag = 49,
    ActiveXTag = 50,
    KeepUnfilteredTag = 51,
    ExclusionListsTag = 52,
    PageRefsTag = 53,
    PageRefTag = 54,
    InListTag = 55,
    InItemTag = 56,
    ExListTag = 57,
    ExItemTag = 58,
    SpiderDepthTag = 59,
    ExternalDepthTag = 60,
    UserAgentTag = 61,
    BypassProxyCacheTag = 64,
    SearchHtmlTag = 66,
};

constexpr std::uint16_t HeaderWords[] = {1, 0, 2, 1, 1};

// ---- writing ----------------------------------------------------------------

class RecordWriter
{
public:
    void Record(std::uint16_t tag, std::string_view payload)
    {
        const std::string_view kept = payload.substr(0, MaxRecordPayload);
        out_.Word(tag);
        out_.Word(static_cast<std::uint16_t>(kept.size()));
        out_.Bytes(kept);
    }
    void Word(std::uint16_t tag, std::int32_t value)
    {
        out_.Word(tag);
        out_.Word(2);
        out_.LowWord(value);
    }
    void Flag(std::uint16_t tag, bool value) { Word(tag, value ? 1 : 0); }
    void Scrambled(std::uint16_t tag, std::string_view plain)
    {
        Record(tag, ScrambleText(plain.substr(0, MaxPlainLengthForScrambled(MaxRecordPayload))));
    }
    // A count record and one text record per item, cut to what the count holds.
    void List(std::uint16_t countTag, std::uint16_t itemTag, const std::vector<std::string>& items)
    {
        const std::size_t count = std::min<std::size_t>(items.size(), 0xFFFF);
        Word(countTag, static_cast<std::int32_t>(count));
        for (std::size_t i = 0; i < count; ++i)
        {
            Record(itemTag, items[i]);
        }
    }
    WordWriter& Raw() { return out_; }

private:
    WordWriter out_;
};

void WriteBriefRecords(RecordWriter& out, const TBrief& brief)
{
    out.Record(BriefNameTag, brief.BriefName);
    if (brief.BriefComments)
    {
        out.Record(CommentsTag, *brief.BriefComments);
    }
    const std::string_view tag3 = std::string_view(brief.BriefTag3Text).substr(0, MaxBriefTag3Length);
    out.Word(Flag2Tag, brief.BriefFlag2 | static_cast<std::int32_t>(tag3.size() << 8));
    out.Record(Tag3TextTag, tag3);
    out.Flag(BriefActiveTag, brief.BriefActive);
    out.Word(ScheduleCountTag, static_cast<std::int32_t>(brief.Schedule.size()));
    for (const std::string& item : brief.Schedule)
    {
        out.Record(ScheduleTag, item);
    }
    out.Flag(TimersLockedTag, brief.TimersLocked);
    out.Word(NumArchivesTag, brief.NumArchives);
    out.Word(NumMegsTag, brief.NumMegs);
    out.Word(MaxMinsTag, brief.MaxMins);
    out.Word(MaxHoursTag, brief.MaxHours);
    out.Word(EntryCountTag, brief.Entries.Count());
}

// A packed list's stored length: its buffer size, cut to what a signed word
// holds; -1 (engines not chosen yet) is kept.
std::int32_t PackedLength(std::int32_t declared, const std::string& buffer)
{
    if (declared < 0 && buffer.empty())
    {
        return -1;
    }
    return static_cast<std::int32_t>(std::min(buffer.size(), MaxPackedListBytes));
}

void WriteEntryRecords(RecordWriter& out, const TWebPage& entry, const TBrief& brief)
{
    out.Word(EntryKindTag, static_cast<std::int32_t>(entry.Kind));
    out.Flag(NewEntryTag, entry.Active);
    out.Record(EntryNameTag, entry.EntryName);
    out.Record(UrlTag, entry.URL);
    out.Flag(FullRetrievalTag, entry.FullRetrieval);
    out.Word(OldSpiderDepthTag, entry.SpiderDepth);
    out.Flag(ImagesTag, entry.Images);
    out.Flag(OtherTag, entry.Other);
    out.Record(SearchForTag, entry.SearchFor);
    out.Flag(LocalOnlyTag, entry.LocalOnly);
    out.Flag(NameSetTag, entry.NameSet);
    out.Flag(SmartSearchTag, entry.SmartSearch);
    const std::int32_t engineLength = PackedLength(entry.EngineListLength, entry.EngineList);
    out.Word(EngineLengthTag, engineLength);
    if (engineLength > 0)
    {
        out.Record(EngineListTag, std::string_view(entry.EngineList).substr(0, std::size_t(engineLength)));
    }
    out.Flag(PlugInsTag, entry.PlugIns);
    out.Flag(AppletsTag, entry.Applets);
    out.Flag(MarkDiffsTag, entry.MarkDiffs);
    out.Flag(FramesTag, entry.Frames);
    out.Flag(CaseSensitiveTag, entry.CaseSensitive);
    out.Scrambled(PasswordTag, entry.Password);
    out.Scrambled(UserNameTag, entry.UserName);
    out.Flag(EntryLockedTag, entry.EntryLocked);
    out.Scrambled(LockCodeTag, entry.LockCode);
    if (entry.LockedText != "Locked Entry")
    {
        out.Scrambled(LockedTextTag, entry.LockedText);
    }
    if (entry.LockedFontSize != 18)
    {
        out.Word(LockedFontSizeTag, entry.LockedFontSize);
    }
    if (brief.LockedTimersText != "Locked Timers")
    {
        out.Scrambled(LockedTimersTextTag, brief.LockedTimersText);
    }
    if (brief.LockedTimersFontSize != 24)
    {
        out.Word(LockedTimersFontSizeTag, brief.LockedTimersFontSize);
    }
    out.Flag(CheckHeaderTag, entry.CheckHeader);
    out.Flag(SearchYahooTag, entry.SearchYahoo);
    const std::int32_t categoryLength = PackedLength(0, entry.CategoryList);
    out.Word(CategoryLengthTag, categoryLength);
    if (categoryLength > 0)
    {
        out.Record(CategoryListTag, std::string_view(entry.CategoryList).substr(0, std::size_t(categoryLength)));
    }
    if (entry.YahooSearch)
    {
        out.Record(YahooSearchTag, *entry.YahooSearch);
    }
    out.Flag(PreserveOnlyTag, entry.PreserveOnly);
    out.Flag(StayInSubdirTag, entry.StayInSubdir);
    out.Flag(ActiveXTag, entry.ActiveX);
    out.Flag(KeepUnfilteredTag, entry.KeepUnfilteredPage);
    out.Flag(ExclusionListsTag, entry.ExclusionLists);
    if (!entry.PageRefs.empty())
    {
        out.List(PageRefsTag, PageRefTag, entry.PageRefs);
    }
    if (!entry.InList.empty())
    {
        out.List(InListTag, InItemTag, entry.InList);
    }
    if (!entry.ExList.empty())
    {
        out.List(ExListTag, ExItemTag, entry.ExList);
    }
    out.Word(SpiderDepthTag, entry.SpiderDepth);
    out.Word(ExternalDepthTag, entry.ExternalDepth);
    if (!entry.UserAgent.empty())
    {
        out.Record(UserAgentTag, entry.UserAgent);
    }
    out.Flag(BypassProxyCacheTag, entry.BypassProxyCache);
    out.Flag(SearchHtmlTag, entry.SearchHTML);
}

// ---- reading ----------------------------------------------------------------

bool IsWordTag(std::uint16_t tag)
{
    switch (tag)
    {
    case Flag2Tag:
    case BriefActiveTag:
    case ScheduleCountTag:
    case EntryCountTag:
    case NewEntryTag:
    case FullRetrievalTag:
    case OldSpiderDepthTag:
    case ImagesTag:
    case OtherTag:
    case LocalOnlyTag:
    case NameSetTag:
    case OldIgnoredTag:
    case SmartSearchTag:
    case EngineLengthTag:
    case PlugInsTag:
    case AppletsTag:
    case MarkDiffsTag:
    case FramesTag:
    case CaseSensitiveTag:
    case EntryLockedTag:
    case TimersLockedTag:
    case LockedFontSizeTag:
    case LockedTimersFontSizeTag:
    case CheckHeaderTag:
    case SearchYahooTag:
    case EntryKindTag:
    case CategoryLengthTag:
    case PreserveOnlyTag:
    case NumMegsTag:
    case MaxMinsTag:
    case MaxHoursTag:
    case StayInSubdirTag:
    case NumArchivesTag:
    case ActiveXTag:
    case KeepUnfilteredTag:
    case ExclusionListsTag:
    case PageRefsTag:
    case InListTag:
    case ExListTag:
    case SpiderDepthTag:
    case ExternalDepthTag:
    case BypassProxyCacheTag:
    case SearchHtmlTag:
        return true;
    default:
        return false;
    }
}

// Records that belong to an entry group and need an entry to apply to.
bool IsEntryTag(std::uint16_t tag)
{
    if (tag == EntryKindTag || tag == NewEntryTag || tag == TimersLockedTag || tag == NumArchivesTag)
    {
        return false;
    }
    if (tag >= NumMegsTag && tag <= MaxHoursTag)
    {
        return false;
    }
    return (tag >= EntryNameTag && tag <= SearchHtmlTag) && tag != 62 && tag != 63 && tag != 65;
}

std::int32_t Clamp(std::int32_t value, std::int32_t low, std::int32_t high)
{
    return std::max(low, std::min(value, high));
}

class BriefFileReader
{
public:
    BriefFileReader(std::string_view bytes, TBrief& brief) : in_(bytes), brief_(brief) {}

    BriefReadResult Read()
    {
        BriefReadResult result;
        result.Status = ReadHeader();
        if (result.Status != BriefReadStatus::Loaded)
        {
            return result;
        }
        ResetBrief(brief_, brief_.FilePath);
        result.Status = ReadRecords() ? BriefReadStatus::Loaded : BriefReadStatus::Corrupt;
        FinishEntry();
        brief_.ScheduleState.assign(brief_.Schedule.size(), "-1");
        result.PlainCredentials = plainCredentials_;
        return result;
    }

private:
    BriefReadStatus ReadHeader()
    {
        std::string_view magic;
        if (!in_.Bytes(BriefFileMagic.size(), magic) || magic != BriefFileMagic)
        {
            return BriefReadStatus::Corrupt;
        }
        std::uint16_t major = 0;
        std::uint16_t minor = 0;
        std::uint16_t count = 0;
        if (!in_.Word(major) || !in_.Word(minor) || !in_.Word(count))
        {
            return BriefReadStatus::Corrupt;
        }
        const bool newer = major > 1 || minor > 0;
        if (count < 2)
        {
            return BriefReadStatus::Refused;
        }
        std::uint16_t compatible = 0;
        if (!in_.Word(compatible))
        {
            return BriefReadStatus::Corrupt;
        }
        if (compatible == 0 && newer)
        {
            return BriefReadStatus::Corrupt;
        }
        std::string_view skipped;
        if (!in_.Bytes(2 * std::size_t(count - 1), skipped))
        {
            return BriefReadStatus::Corrupt;
        }
        return BriefReadStatus::Loaded;
    }

    // False on a read error or an impossible value; true at the end of the
    // records or at an entry record with no entry to apply it to.
    bool ReadRecords()
    {
        while (!in_.AtEnd())
        {
            std::uint16_t tag = 0;
            std::uint16_t length = 0;
            if (!in_.Word(tag) || !in_.Word(length))
            {
                return false;
            }
            if (entry_ == nullptr && IsEntryTag(tag))
            {
                return true;
            }
            const bool ok = IsWordTag(tag) ? ReadWordRecord(tag) : ReadPayloadRecord(tag, length);
            if (!ok)
            {
                return false;
            }
        }
        return true;
    }

    // Word records hold two bytes whatever their length word says.
    bool ReadWordRecord(std::uint16_t tag)
    {
        std::uint16_t word = 0;
        if (!in_.Word(word))
        {
            return false;
        }
        if (tag == PageRefsTag || tag == InListTag || tag == ExListTag)
        {
            return ReadList(tag, word);
        }
        if (entry_ == nullptr || tag == NewEntryTag || tag == EntryKindTag)
        {
            return ApplyBriefWord(tag, word);
        }
        ApplyEntryWord(tag, word);
        return true;
    }

    bool ApplyBriefWord(std::uint16_t tag, std::uint16_t word)
    {
        switch (tag)
        {
        case Flag2Tag:
            brief_.BriefFlag2 = static_cast<std::uint8_t>(word & 0xFF);
            break;
        case BriefActiveTag:
            brief_.BriefActive = word != 0;
            break;
        case TimersLockedTag:
            brief_.TimersLocked = word != 0;
            break;
        case NumArchivesTag:
            brief_.NumArchives = SignExtend(word);
            break;
        case NumMegsTag:
            brief_.NumMegs = SignExtend(word);
            break;
        case MaxMinsTag:
            brief_.MaxMins = SignExtend(word);
            break;
        case MaxHoursTag:
            brief_.MaxHours = SignExtend(word);
            break;
        case EntryKindTag:
            if (word > LastEntryKindValue)
            {
                return false;
            }
            pendingKind_ = static_cast<EntryKind>(word);
            break;
        case NewEntryTag:
            return StartEntry(word != 0);
        default:
            break; // counts and older forms that carry nothing we keep
        }
        return true;
    }

    bool StartEntry(bool active)
    {
        FinishEntry();
        const int position = brief_.Entries.Insert(MakeEntry(pendingKind_), -1);
        if (position < 0)
        {
            return false;
        }
        entry_ = &brief_.Entries[position];
        entry_->Active = active;
        pendingKind_ = EntryKind::Web;
        pendingCategoryLength_ = 0;
        return true;
    }

    // An unnamed web entry shows its address (or "New Page"). Search and
    // Yahoo entries keep their names: a search entry's name is its query.
    // A packed list's length is kept equal to what its buffer holds.
    void FinishEntry()
    {
        if (entry_ != nullptr && !entry_->NameSet && entry_->Kind == EntryKind::Web)
        {
            entry_->EntryName = UnnamedEntryName(*entry_);
        }
        if (entry_ != nullptr && entry_->EngineListLength > 0 &&
            entry_->EngineListLength != static_cast<std::int32_t>(entry_->EngineList.size()))
        {
            entry_->EngineListLength = static_cast<std::int32_t>(entry_->EngineList.size());
        }
        if (entry_ != nullptr && entry_->EngineListLength < 0)
        {
            entry_->EngineListLength = -1;
            entry_->EngineList.clear();
        }
    }

    void ApplyEntryWord(std::uint16_t tag, std::uint16_t word)
    {
        TWebPage& e = *entry_;
        const bool flag = word != 0;
        switch (tag)
        {
        case FullRetrievalTag:
            e.FullRetrieval = flag;
            break;
        case OldSpiderDepthTag:
            e.SpiderDepth = Clamp(SignExtend(word), MinSpiderDepth, MaxSpiderDepth);
            e.ExternalDepth = 1;
            break;
        case ImagesTag:
            e.Images = flag;
            break;
        case OtherTag:
            e.Other = flag;
            break;
        case LocalOnlyTag:
            e.LocalOnly = flag;
            break;
        case NameSetTag:
            e.NameSet = flag;
            break;
        case SmartSearchTag:
            e.SmartSearch = flag;
            break;
        case EngineLengthTag:
            e.EngineListLength = SignExtend(word);
            e.EngineList.clear();
            if (e.EngineListLength != 0 && e.Kind == EntryKind::Web)
            {
                e.Kind = EntryKind::Search;
            }
            break;
        case PlugInsTag:
            e.PlugIns = flag;
            break;
        case AppletsTag:
            e.Applets = flag;
            break;
        case MarkDiffsTag:
            e.MarkDiffs = flag;
            break;
        case FramesTag:
            e.Frames = flag;
            break;
        case CaseSensitiveTag:
            e.CaseSensitive = flag;
            break;
        case EntryLockedTag:
            e.EntryLocked = flag;
            break;
        case LockedFontSizeTag:
            e.LockedFontSize = SignExtend(word);
            break;
        case LockedTimersFontSizeTag:
            brief_.LockedTimersFontSize = SignExtend(word);
            break;
        case CheckHeaderTag:
            e.CheckHeader = flag;
            break;
        case SearchYahooTag:
            e.SearchYahoo = flag;
            break;
        case CategoryLengthTag:
            pendingCategoryLength_ = SignExtend(word);
            e.CategoryList.clear();
            break;
        case PreserveOnlyTag:
            e.PreserveOnly = flag;
            break;
        case StayInSubdirTag:
            e.StayInSubdir = flag;
            break;
        case ActiveXTag:
            e.ActiveX = flag;
            break;
        case KeepUnfilteredTag:
            e.KeepUnfilteredPage = flag;
            break;
        case ExclusionListsTag:
            e.ExclusionLists = flag;
            break;
        case SpiderDepthTag:
            e.SpiderDepth = Clamp(SignExtend(word), MinSpiderDepth, MaxSpiderDepth);
            break;
        case ExternalDepthTag:
            e.ExternalDepth = Clamp(SignExtend(word), MinExternalDepth, MaxExternalDepth);
            break;
        case BypassProxyCacheTag:
            e.BypassProxyCache = flag;
            break;
        case SearchHtmlTag:
            e.SearchHTML = flag;
            break;
        default:
            // Brief-level words met inside an entry group still set the brief.
            ApplyBriefWord(tag, word);
            break;
        }
    }

    // A count, then that many (tag, length, text) records whatever their tags.
    bool ReadList(std::uint16_t tag, std::uint16_t count)
    {
        std::vector<std::string>* list = nullptr;
        if (entry_ != nullptr)
        {
            list = tag == PageRefsTag ? &entry_->PageRefs : tag == InListTag ? &entry_->InList : &entry_->ExList;
            list->clear();
        }
        for (std::uint16_t i = 0; i < count; ++i)
        {
            std::uint16_t itemTag = 0;
            std::string_view text;
            if (!in_.Word(itemTag) || !ReadPayload(text))
            {
                return false;
            }
            if (list != nullptr)
            {
                list->emplace_back(text);
            }
        }
        return true;
    }

    bool ReadPayload(std::string_view& payload)
    {
        std::uint16_t length = 0;
        return in_.Word(length) && in_.Bytes(length, payload);
    }

    bool ReadPayloadRecord(std::uint16_t tag, std::uint16_t length)
    {
        std::string_view payload;
        if (!in_.Bytes(length, payload))
        {
            return false;
        }
        if (entry_ == nullptr)
        {
            ApplyBriefText(tag, payload);
        }
        else
        {
            ApplyEntryText(tag, payload);
        }
        return true;
    }

    void ApplyBriefText(std::uint16_t tag, std::string_view text)
    {
        switch (tag)
        {
        case BriefNameTag:
            if (!text.empty())
            {
                brief_.BriefName.assign(text);
            }
            break;
        case CommentsTag:
            if (!text.empty())
            {
                brief_.BriefComments.emplace(text);
            }
            break;
        case Tag3TextTag:
            brief_.BriefTag3Text.assign(text.substr(0, MaxBriefTag3Length));
            break;
        case ScheduleTag:
            brief_.Schedule.emplace_back(text);
            break;
        default:
            break; // unknown records are skipped
        }
    }

    void ApplyEntryText(std::uint16_t tag, std::string_view text)
    {
        TWebPage& e = *entry_;
        switch (tag)
        {
        case EntryNameTag:
            e.EntryName.assign(text);
            break;
        case UrlTag:
            e.URL.assign(text);
            break;
        case SearchForTag:
            e.SearchFor.assign(text);
            break;
        case PlainUserNameTag:
            e.UserName.assign(text);
            plainCredentials_ = true;
            break;
        case PlainPasswordTag:
            e.Password.assign(text);
            plainCredentials_ = true;
            break;
        case EngineListTag:
            if (e.EngineListLength >= 1)
            {
                e.EngineList.assign(text.substr(0, MaxPackedListBytes));
                e.EngineListLength = static_cast<std::int32_t>(e.EngineList.size());
            }
            break;
        case PasswordTag:
            e.Password = UnscrambleText(text);
            break;
        case UserNameTag:
            e.UserName = UnscrambleText(text);
            break;
        case LockCodeTag:
            e.LockCode = UnscrambleText(text);
            break;
        case LockedTextTag:
            e.LockedText = UnscrambleText(text);
            break;
        case LockedTimersTextTag:
            brief_.LockedTimersText = UnscrambleText(text);
            break;
        case CategoryListTag:
            if (pendingCategoryLength_ >= 1)
            {
                e.CategoryList.assign(text.substr(0, MaxPackedListBytes));
            }
            break;
        case YahooSearchTag:
            if (!text.empty())
            {
                e.YahooSearch.emplace(text);
            }
            break;
        case UserAgentTag:
            e.UserAgent.assign(text);
            break;
        default:
            ApplyBriefText(tag, text);
            break;
        }
    }

    WordReader in_;
    TBrief& brief_;
    TWebPage* entry_ = nullptr;
    EntryKind pendingKind_ = EntryKind::Web;
    std::int32_t pendingCategoryLength_ = 0;
    bool plainCredentials_ = false;
};

} // namespace

std::string WriteBriefFile(const TBrief& brief)
{
    RecordWriter out;
    out.Raw().Bytes(BriefFileMagic);
    for (const std::uint16_t word : HeaderWords)
    {
        out.Raw().Word(word);
    }
    WriteBriefRecords(out, brief);
    for (int i = 0; i < brief.Entries.Count(); ++i)
    {
        WriteEntryRecords(out, brief.Entries[i], brief);
    }
    return out.Raw().Take();
}

BriefReadResult ReadBriefFile(std::string_view bytes, TBrief& brief)
{
    return BriefFileReader(bytes, brief).Read();
}

} // namespace rv
