// The tags whose attributes carry addresses, and how their attributes are
// found in the working copy (working-copy.h).
//
// Pure functions; any thread. Names are compared on at most the first few
// bytes after the tag's marker, without regard to case.
#pragma once

#include <cstddef>
#include <optional>
#include <string_view>

namespace rv
{

enum class TagKind
{
    Other,    // copied unchanged
    Anchor,   // a: href
    Area,     // area: href
    Meta,     // meta: the "url=" of a refresh
    Image,    // img, image, use: src, srcset, usemap, href (SVG)
    Input,    // input: src
    Frame,    // frame, iframe: src
    FrameEnd, // /frame, /iframe
    Embed,    // embed: src
    Applet,   // applet: codebase, code
    Object,   // object: codebase, code
    Form,     // form: action
    Link,     // link: href (a style sheet or icon, or a related page)
    Script,   // script: src
    Style,    // style: the style sheet up to /style
    Source,   // source (in picture, audio, video), track: src, srcset
    Media,    // video, audio: src, poster
    NoFrame,  // noframe, noframes
    NoFrameEnd,
    Map, // map (an anchor right before it is a server-side map)
};

// The kind of the tag whose byte-1 marker is at `at`.
TagKind ClassifyTag(std::string_view copy, std::size_t at);

// Where an attribute value lies: [Start, End) in the page, and the quote
// character around it (0 when unquoted).
struct AttributeValue
{
    std::size_t Start = 0;
    std::size_t End = 0;
    char Quote = 0;
};

// The value of the attribute `name` (lower case) inside the tag
// [tagStart, tagEnd), tagEnd being the offset of its byte-2 marker. A name is
// recognised only after white space and when "=" follows it (white space may
// come between); the value starts after optional white space and an optional
// quote, and ends at the matching quote, at white space or at the end of the
// tag. An attribute without "=" has no value and is passed over.
std::optional<AttributeValue> FindAttribute(std::string_view copy, std::size_t tagStart, std::size_t tagEnd,
                                            std::string_view name);

// The address of a meta refresh: the text after "url=" (any case) inside
// the tag, ended by a quote, white space, ";" or the end of the tag.
std::optional<AttributeValue> FindRefreshUrl(std::string_view copy, std::size_t tagStart, std::size_t tagEnd);

// True when the tag contains the word (any case) anywhere ("ismap").
bool TagContains(std::string_view copy, std::size_t tagStart, std::size_t tagEnd, std::string_view word);

} // namespace rv
