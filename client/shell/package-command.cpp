#include "client/shell/package-command.h"

#include "client/pages/package-builder.h"
#include "platform/server-control.h"
#include "store/archive-error.h"
#include "store/ascii-text.h"

#include <QString>
#include <cstdio>

namespace rv
{

namespace
{

int Usage()
{
    std::fprintf(stderr, "usage: RVClient --package OUT.rvd BRIEF.brf\n"
                         "       RVClient --package OUT.rvd ARCHIVE.rvd ENTRY...\n");
    return 2;
}

int Fail(const std::string& message)
{
    std::fprintf(stderr, "RVClient: %s\n", message.c_str());
    return 1;
}

// The section an ENTRY argument names: by name first, else by its place.
const SummarySection* FindSection(const std::vector<SummarySection>& sections, const std::string& wanted)
{
    for (const SummarySection& section : sections)
        if (section.Name == wanted)
            return &section;
    const std::optional<std::int64_t> place = ParseDecimal(wanted);
    if (place && *place >= 1 && static_cast<std::size_t>(*place) <= sections.size())
        return &sections[static_cast<std::size_t>(*place - 1)];
    return nullptr;
}

std::string EntryList(const std::vector<SummarySection>& sections)
{
    std::string list;
    for (std::size_t i = 0; i < sections.size(); ++i)
        list += "\n  " + std::to_string(i + 1) + "  " + sections[i].Name;
    return list.empty() ? "\n  (none)" : list;
}

} // namespace

int RunPackageCommand(const std::vector<std::string>& arguments)
{
    if (arguments.size() < 2 || !EndsWithNoCase(arguments[0], ".rvd"))
        return Usage();
    const std::filesystem::path target = arguments[0];
    const std::filesystem::path source = arguments[1];
    const bool custom = EndsWithNoCase(arguments[1], ".rvd");
    if (custom == (arguments.size() == 2))
        return Usage();
    std::error_code error;
    if (std::filesystem::exists(target, error) && !std::filesystem::is_regular_file(target, error))
        return Fail(target.string() + " exists and is not an archive file.");

    PackageInput input;
    if (custom)
    {
        std::vector<SummarySection> sections;
        try
        {
            sections = ArchiveSections(source);
        }
        catch (const ArchiveError& failure)
        {
            return Fail("The archive " + source.string() + " cannot be read: " + failure.what());
        }
        std::vector<SummarySection> chosen;
        for (std::size_t i = 2; i < arguments.size(); ++i)
        {
            const SummarySection* section = FindSection(sections, arguments[i]);
            if (!section)
                return Fail("The archive " + source.string() + " has no entry \"" + arguments[i] +
                            "\". Its entries are:" + EntryList(sections));
            chosen.push_back(*section);
        }
        input = CustomSources(source, chosen);
    }
    else
    {
        std::string problem;
        if (!OrganizerSources(source, input, problem))
            return Fail(problem);
    }

    PackageOptions options;
    options.BeforeReplace = [](const std::filesystem::path& path)
    { ServerCloseFile(QString::fromStdString(std::filesystem::absolute(path).string())); };
    const PackageResult result = BuildPackage(target, input, options);
    if (!result.Written)
        return Fail(result.Error);
    std::printf("%s: %d %s packaged", target.string().c_str(), result.EntriesWritten,
                result.EntriesWritten == 1 ? "entry" : "entries");
    if (result.EntriesSkipped > 0)
        std::printf(", %d without a surviving archive left out", result.EntriesSkipped);
    std::printf("\n");
    return 0;
}

} // namespace rv
