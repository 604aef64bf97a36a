#include "client/pages/package-builder.h"

#include "client/pages/date-texts.h"
#include "client/pages/summary-page.h"
#include "store/archive-reader.h"
#include "store/archive-writer.h"
#include "store/ascii-text.h"
#include "store/local-stamp.h"

#include <limits>
#include <memory>
#include <random>

namespace rv
{

namespace
{

// New entry numbers are 16-bit and -1 belongs to the summary page.
constexpr std::size_t MaxPackageEntries = std::numeric_limits<std::int16_t>::max() + std::size_t{1};

// An entry number longer than this cannot name an entry of any archive.
constexpr std::size_t MaxNumberDigits = 9;

constexpr std::string_view Placeholder = ArchivePlaceholder;

std::size_t DigitsAt(std::string_view text, std::size_t from)
{
    std::size_t end = from;
    while (end < text.size() && IsDigit(text[end]))
        ++end;
    return end - from;
}

bool ArchiveExists(const std::string& path)
{
    std::error_code ignored;
    return !path.empty() && std::filesystem::is_regular_file(path, ignored);
}

// A name beside the target that no other file has, with the archive
// extension so that the writer's working files get names of their own.
std::filesystem::path TemporaryBeside(const std::filesystem::path& target)
{
    std::random_device seed;
    std::mt19937_64 random(seed());
    for (;;)
    {
        const std::filesystem::path candidate = target.parent_path() / ("." + target.stem().string() + ".packing-" +
                                                                        std::to_string(random() % 1000000000) + ".rvd");
        std::error_code ignored;
        if (!std::filesystem::exists(candidate, ignored))
            return candidate;
    }
}

class PackageFailure : public std::runtime_error
{
    using std::runtime_error::runtime_error;
};

// Each source archive is opened and its index read once, however many of
// its entries the package takes.
struct SourceArchive
{
    std::string Path;
    ArchiveReader Reader;
    std::vector<IndexRecord> Records;
};

class PackageWriter
{
public:
    PackageWriter(const PackageInput& input, const PackageOptions& options, TKSDB& db)
        : input_(input), options_(options), db_(db)
    {
    }

    void WriteSummary(PackageResult& result)
    {
        const std::tm now = options_.Clock ? options_.Clock() : LocalNow();
        SummaryInput summary;
        summary.BriefName = input_.Title;
        summary.StartDate = ShortDateText(now);
        summary.StartTime = StampTimeText(now);
        summary.Information = input_.Information;
        std::string page = SummaryPageStart(summary);
        for (const PackageSource& source : input_.Entries)
        {
            const SummaryFragment* newest = nullptr;
            for (const SummaryFragment& fragment : source.Fragments)
                if (ArchiveExists(fragment.ArchiveFile))
                    newest = &fragment;
            if (!newest)
            {
                ++result.EntriesSkipped;
                continue;
            }
            if (result.EntriesWritten > 0)
                page += "<hr size=1>\r\n";
            std::string renumbered;
            if (!RenumberFragment(newest->Fragment, newest->ArchiveFile, numbers_, renumbered))
                throw PackageFailure("A package holds at most " + std::to_string(MaxPackageEntries) + " entries.");
            page += renumbered;
            ++result.EntriesWritten;
        }
        page += SummaryPageEnd();
        if (!db_.BeginPage("index", "text/html", nullptr, 0, input_.Title, -1) || !db_.Append(page) || !db_.EndPage())
            throw PackageFailure("The package's summary page could not be written.");
    }

    void CopyEntries(PackageResult& result)
    {
        for (std::size_t i = 0; i < numbers_.Count(); ++i)
        {
            const auto& [archive, entry] = numbers_.At(i);
            CopyEntry(Source(archive), entry, static_cast<std::int16_t>(i));
            result.PairsCopied = i + 1;
            if (options_.Progress)
                options_.Progress(static_cast<int>((i + 1) * 100 / numbers_.Count()));
        }
    }

private:
    SourceArchive& Source(const std::string& path)
    {
        auto found = sources_.find(path);
        if (found != sources_.end())
            return *found->second;
        try
        {
            ArchiveReader reader = ArchiveReader::OpenFile(path);
            std::vector<IndexRecord> records = reader.ReadIndex();
            auto source = std::make_unique<SourceArchive>(SourceArchive{path, std::move(reader), std::move(records)});
            return *sources_.emplace(path, std::move(source)).first->second;
        }
        catch (const ArchiveError& error)
        {
            throw PackageFailure("The archive " + path + " cannot be packaged: " + error.what());
        }
    }

    void CopyEntry(SourceArchive& source, std::int32_t entry, std::int16_t newNumber)
    {
        // Where each page of the source went in the package: aliases of a
        // page share the copy instead of copying its bytes again.
        std::map<std::int32_t, std::int32_t> copied;
        for (const IndexRecord& record : source.Records)
        {
            if (record.Number != entry)
                continue;
            const std::string key = PackagedKey(record.Key, newNumber);
            auto done = record.Offset > 0 ? copied.find(record.Offset) : copied.end();
            if (record.Offset <= 0 || done != copied.end())
            {
                const std::int32_t offset = record.Offset <= 0 ? record.Offset : done->second;
                if (!db_.AddRecord(key, offset, record.Length, record.Flags, record.Caption, newNumber, record.ContentType))
                    throw PackageFailure("The package could not be written.");
                continue;
            }
            copied[record.Offset] = CopyPage(source, record, key, newNumber);
        }
    }

    std::int32_t CopyPage(SourceArchive& source, const IndexRecord& record, const std::string& key, std::int16_t newNumber)
    {
        if (!db_.BeginPage(key, record.ContentType, nullptr, record.Flags, record.Caption, newNumber))
            throw PackageFailure("The package could not be written.");
        const std::int32_t offset = db_.PageOffset();
        bool written = true;
        try
        {
            if (source.Reader.Header().Compressed())
            {
                // Every block must expand before its bytes are taken as they are.
                source.Reader.ForEachPageBlock(record, [](std::string_view) {});
                std::string stored = source.Reader.ReadStoredBytes(record);
                // The writer closes the page with its own 16-bit 0.
                stored.resize(stored.size() - 2);
                written = db_.AppendRaw(stored);
            }
            else
            {
                source.Reader.ForEachPageBlock(record, [&](std::string_view plain) { written = written && db_.Append(plain); });
            }
        }
        catch (const ArchiveError& error)
        {
            throw PackageFailure("The archive " + source.Path + " cannot be packaged: its page " + record.Key +
                                 " is damaged (" + error.what() + ").");
        }
        db_.SetHead(record.HeadOffset, record.HeadLength);
        db_.SetValue(record.Value);
        db_.SetExtra(record.Extra1);
        if (!written || !db_.EndPage())
            throw PackageFailure("The package could not be written.");
        return offset;
    }

    const PackageInput& input_;
    const PackageOptions& options_;
    TKSDB& db_;
    PackageNumbers numbers_;
    std::map<std::string, std::unique_ptr<SourceArchive>> sources_;
};

} // namespace

std::int32_t PackageNumbers::NumberOf(const std::string& archive, std::int32_t entry)
{
    auto [found, added] = numbers_.try_emplace({archive, entry}, static_cast<std::int32_t>(order_.size()));
    if (added)
    {
        if (order_.size() >= MaxPackageEntries)
        {
            numbers_.erase(found);
            return -1;
        }
        order_.emplace_back(archive, entry);
    }
    return found->second;
}

bool RenumberFragment(std::string_view fragment, const std::string& archive, PackageNumbers& numbers, std::string& out)
{
    out.clear();
    std::size_t from = 0;
    for (;;)
    {
        const std::size_t at = fragment.find(Placeholder, from);
        if (at == std::string_view::npos)
            break;
        out.append(fragment.substr(from, at - from));
        std::size_t position = at + Placeholder.size();
        if (position < fragment.size() && (fragment[position] == '/' || fragment[position] == '\\'))
            ++position;
        const std::size_t digits = DigitsAt(fragment, position);
        if (digits == 0 || digits > MaxNumberDigits)
        {
            // Not an entry's link: keep the text as it was.
            out.append(fragment.substr(at, position - at));
            from = position;
            continue;
        }
        const std::int32_t entry = static_cast<std::int32_t>(*ParseDecimal(fragment.substr(position, digits)));
        const std::int32_t number = numbers.NumberOf(archive, entry);
        if (number < 0)
            return false;
        const std::string newNumber = std::to_string(number);
        out += newNumber;
        position += digits;
        for (std::string_view page : {std::string_view("/TOC"), std::string_view("/Match")})
        {
            if (fragment.substr(position, page.size()) == page)
            {
                out.append(page);
                position += page.size();
                const std::size_t pageDigits = DigitsAt(fragment, position);
                if (pageDigits > 0)
                {
                    out += newNumber;
                    position += pageDigits;
                }
                break;
            }
        }
        from = position;
    }
    out.append(fragment.substr(from));
    return true;
}

std::string PackagedKey(std::string_view key, std::int32_t newNumber)
{
    for (std::string_view name : {std::string_view("TOC"), std::string_view("Match")})
    {
        if (key.size() > name.size() && StartsWithNoCase(key, name) && DigitsAt(key, name.size()) == key.size() - name.size())
            return std::string(name) + std::to_string(newNumber);
    }
    return std::string(key);
}

PackageResult BuildPackage(const std::filesystem::path& target, const PackageInput& input, const PackageOptions& options)
{
    PackageResult result;
    const std::filesystem::path temporary = TemporaryBeside(target);
    auto db = std::make_unique<TKSDB>(options.Clock ? TKSDB::Clock(options.Clock) : TKSDB::Clock(LocalNow));
    auto discard = [&]
    {
        // Destroying an open writer keeps its working files; a package has
        // no server to complete it, so they go with the temporary archive.
        db.reset();
        std::error_code ignored;
        for (const char* extension : {".rvd", ".ndx", ".nd2"})
            std::filesystem::remove(std::filesystem::path(temporary).replace_extension(extension), ignored);
    };
    if (!db->Open(temporary, ""))
    {
        discard();
        result.Error = "The package " + target.string() + " cannot be created.";
        return result;
    }
    try
    {
        PackageWriter writer(input, options, *db);
        writer.WriteSummary(result);
        writer.CopyEntries(result);
        if (!db->Close())
            throw PackageFailure("The package could not be finished.");
    }
    catch (const std::exception& error)
    {
        // PackageFailure, or ArchiveError from the writer's own files.
        discard();
        result = PackageResult{};
        result.Error = error.what();
        return result;
    }
    std::error_code error;
    if (std::filesystem::exists(target, error) && options.BeforeReplace)
        options.BeforeReplace(target);
    std::filesystem::rename(temporary, target, error);
    if (error)
    {
        discard();
        result = PackageResult{};
        result.Error = "The package could not be moved to " + target.string() + ": " + error.message();
        return result;
    }
    result.Written = true;
    return result;
}

} // namespace rv
