#include "client/pages/package-sources.h"

#include "client/briefs/archive-catalogue.h"
#include "client/pages/summary-page.h"
#include "store/archive-reader.h"
#include "store/ascii-text.h"

#include <array>
#include <fstream>
#include <iterator>

namespace rv
{

namespace
{

// A catalogue holds at most 65535 archives and as many fragments per entry;
// one far larger than any real brief keeps is refused rather than read.
constexpr std::uintmax_t MaxCatalogueBytes = std::uintmax_t{64} << 20;

bool ReadSmallFile(const std::filesystem::path& path, std::string& bytes)
{
    std::error_code error;
    if (!std::filesystem::is_regular_file(path, error))
        return false;
    const std::uintmax_t size = std::filesystem::file_size(path, error);
    if (error || size > MaxCatalogueBytes)
        return false;
    std::ifstream in(path, std::ios::binary);
    bytes.assign(std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>());
    return !in.bad();
}

struct EntryLabel
{
    std::string_view Label;
    bool SkipTag; // a web entry's caption sits inside the link that follows the label
};

constexpr std::array<EntryLabel, 3> EntryLabels = {{
    {"Web Entry:", true},
    {"Search Engine Query:", false},
    {"Yahoo! Entry:", false},
}};

std::string SectionName(std::string_view section)
{
    const EntryLabel* found = nullptr;
    std::size_t at = std::string_view::npos;
    for (const EntryLabel& label : EntryLabels)
    {
        const std::size_t position = section.find(label.Label);
        if (position < at)
        {
            at = position;
            found = &label;
        }
    }
    if (!found)
        return {};
    std::size_t position = at + found->Label.size();
    // Past the blanks and tags between the label and its text ("</b>", and
    // for a web entry the link around its caption).
    for (;;)
    {
        while (position < section.size() && IsSpaceOrLineBreak(section[position]))
            ++position;
        if (position >= section.size() || section[position] != '<')
            break;
        const std::size_t close = section.find('>', position);
        if (close == std::string_view::npos)
            break;
        position = close + 1;
    }
    std::size_t end = section.find('<', position);
    const std::string_view text =
        TrimSpaceOrLineBreak(section.substr(position, end == std::string_view::npos ? end : end - position));
    if (!text.empty())
        return std::string(text);
    return std::string(found->Label.substr(0, found->Label.size() - 1));
}

// Puts the placeholder in front of every link target of the section.
std::string WithPlaceholders(std::string_view section)
{
    constexpr std::string_view Href = "a href=";
    std::string out;
    std::size_t from = 0;
    for (;;)
    {
        const std::size_t at = FindNoCase(section, Href, from);
        if (at == std::string_view::npos)
            break;
        std::size_t target = at + Href.size();
        if (target < section.size() && section[target] == '"')
            ++target;
        out.append(section.substr(from, target - from));
        out += ArchivePlaceholder;
        out += '/';
        from = target;
    }
    out.append(section.substr(from));
    return out;
}

} // namespace

bool OrganizerSources(const std::filesystem::path& briefFile, PackageInput& input, std::string& error)
{
    std::string bytes;
    const std::filesystem::path during = CataloguePath(briefFile.string(), true);
    const std::filesystem::path kept = CataloguePath(briefFile.string(), false);
    std::error_code ignored;
    const std::filesystem::path catalogue = std::filesystem::exists(during, ignored) ? during : kept;
    if (!ReadSmallFile(catalogue, bytes))
    {
        error = "The brief's catalogue " + catalogue.string() + " cannot be read.";
        return false;
    }
    std::optional<CatalogueFragments> read = ReadCatalogueFragments(bytes);
    if (!read)
    {
        error = "The brief's catalogue " + catalogue.string() + " is damaged.";
        return false;
    }
    input = PackageInput{};
    input.Title = std::move(read->BriefName);
    input.Information = std::move(read->Comments);
    const std::filesystem::path folder = catalogue.parent_path();
    for (auto& fragments : read->Entries)
    {
        PackageSource& source = input.Entries.emplace_back();
        for (SummaryFragment& fragment : fragments)
        {
            if (!fragment.ArchiveFile.empty())
                fragment.ArchiveFile = (folder / fragment.ArchiveFile).string();
            source.Fragments.push_back(std::move(fragment));
        }
    }
    return true;
}

std::vector<SummarySection> SummarySections(std::string_view summaryPage)
{
    constexpr std::string_view Rule = "<hr size";
    std::vector<SummarySection> sections;
    std::size_t rule = FindNoCase(summaryPage, Rule);
    while (rule != std::string_view::npos)
    {
        const std::size_t start = summaryPage.find('>', rule);
        if (start == std::string_view::npos)
            break;
        const std::size_t next = FindNoCase(summaryPage, Rule, start + 1);
        if (next == std::string_view::npos)
            break;
        const std::string_view section = summaryPage.substr(start + 1, next - start - 1);
        std::string name = SectionName(section);
        if (!name.empty())
            sections.push_back({std::move(name), WithPlaceholders(section)});
        rule = next;
    }
    return sections;
}

std::vector<SummarySection> ArchiveSections(const std::filesystem::path& archive)
{
    const ArchiveReader reader = ArchiveReader::OpenFile(archive);
    IndexRecord summary;
    bool found = false;
    reader.ReadIndex(
        [&](IndexRecord&& record)
        {
            // The finished run stores the summary again; the later one is whole.
            if (record.Key == "index")
            {
                summary = std::move(record);
                found = true;
            }
        });
    if (!found)
        return {};
    return SummarySections(reader.ReadPage(summary));
}

PackageInput CustomSources(const std::filesystem::path& archive, const std::vector<SummarySection>& chosen)
{
    PackageInput input;
    input.Title = std::string(CustomPackageTitle);
    for (const SummarySection& section : chosen)
        input.Entries.push_back(PackageSource{{SummaryFragment{section.Fragment, archive.string()}}});
    return input;
}

} // namespace rv
