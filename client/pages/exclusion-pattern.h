// Exclusion patterns of an entry's "Exclude just" and "Exclude all except"
// lists, and the test that decides whether an address is excluded.
//
// A pattern is either simple (byte 1, a type letter C/I/S/E for Contains, Is,
// Starts With, Ends With, then the text) or advanced (a wildcard text where "*"
// is any run of characters and "?" any one character), optionally followed by
// byte 1 and flag letters naming the kinds of content it applies to:
// G all, H HTML/Text, I Images, P Plug-ins, A ActiveX, J Java, O Other Files.
// A pattern without flag letters applies to nothing.
//
// Pure functions on byte strings; any thread. Matching takes time at most
// proportional to the product of pattern and address lengths.
#pragma once

#include <string>
#include <string_view>
#include <vector>

namespace rv
{

enum class ContentKind
{
    Html,    // links: a, area, frame, meta refresh
    Images,  // img, image, input, body background
    Java,    // applet
    PlugIns, // embed
    ActiveX, // object
    Other,   // an address whose scheme is neither http nor javascript
};

enum class PatternResult
{
    Match,
    NoMatch,
    DoesNotApply,
};

inline constexpr char kPatternMark = '\x01';

// The flag letter that names the kind.
char KindLetter(ContentKind kind);

// True when the wildcard text matches the address. Letters compare exactly.
// The whole pattern must be used up; at most the address's final character
// may be left over, and a "*" never takes that final character.
bool WildcardMatches(std::string_view wildcard, std::string_view address);

// The pattern's simple form turned into its wildcard text ("*text*", "text",
// "text*", "*text"), or the advanced text itself; flags are not included.
// An unknown type letter gives an empty result with valid set to false.
struct PatternParts
{
    std::string wildcard;
    std::string_view flags;
    bool hasFlags = false;
    bool valid = true;
};
PatternParts SplitPattern(std::string_view pattern);

// Whether one pattern matches the address for content of the given kind.
PatternResult MatchPattern(std::string_view pattern, std::string_view address, ContentKind kind);

// True when the lists exclude the address: some pattern of excludeJust that
// applies matches it, or excludeAllExcept is not empty and none of its
// patterns matches it or leaves its kind alone. An address whose next-to-last
// character is "/" or "\" is also tried without its last character.
bool IsExcluded(const std::vector<std::string>& excludeJust, const std::vector<std::string>& excludeAllExcept,
                std::string_view address, ContentKind kind);

} // namespace rv
