// Builds brief file and catalogue bytes record by record, so that tests can
// state the expected bytes in the terms of the format.
#pragma once

#include "client/briefs/scrambled-text.h"

#include <cstdint>
#include <string>
#include <string_view>

namespace rv::test
{

class BriefBytes
{
public:
    BriefBytes& Raw(std::string_view bytes)
    {
        bytes_.append(bytes);
        return *this;
    }
    BriefBytes& Word(std::int32_t value)
    {
        bytes_ += char(value & 0xFF);
        bytes_ += char((value >> 8) & 0xFF);
        return *this;
    }
    // Magic and the five header words a writer puts out.
    BriefBytes& Header() { return Raw("KSBF-MWR").Word(1).Word(0).Word(2).Word(1).Word(1); }
    BriefBytes& Text(std::uint16_t tag, std::string_view text)
    {
        Word(tag).Word(static_cast<std::int32_t>(text.size()));
        return Raw(text);
    }
    BriefBytes& Value(std::uint16_t tag, std::int32_t value) { return Word(tag).Word(2).Word(value); }
    BriefBytes& Scrambled(std::uint16_t tag, std::string_view plain) { return Text(tag, ScrambleText(plain)); }
    // A catalogue text: length word and bytes.
    BriefBytes& CatText(std::string_view text)
    {
        Word(static_cast<std::int32_t>(text.size()));
        return Raw(text);
    }

    const std::string& Bytes() const { return bytes_; }
    operator const std::string&() const { return bytes_; }

private:
    std::string bytes_;
};

// The brief-level records of a brief with every field at its default.
inline BriefBytes& DefaultBriefRecords(BriefBytes& b, std::string_view name, int entries)
{
    return b.Text(0, name)
        .Value(2, 0)
        .Text(3, "")
        .Value(4, 1)
        .Value(5, 0)
        .Value(32, 0)
        .Value(49, -1)
        .Value(45, -1)
        .Value(46, -1)
        .Value(47, -1)
        .Value(7, entries);
}

} // namespace rv::test
