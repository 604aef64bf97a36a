// The sources of a responsive or lazily loaded image: the candidates of a
// srcset value, and whether an element's own src is only a stand-in that a
// script replaces with its data-src.
//
// Pure functions; any thread.
#pragma once

#include <functional>
#include <string>
#include <string_view>

namespace rv
{

// More candidates than this in one srcset are left as they are.
inline constexpr std::size_t MaxSrcsetCandidates = 256;

// The srcset value with every candidate's address replaced by what
// `rewrite` gives for it; descriptors ("2x", "480w") and the separators
// around them are kept as written.
std::string RewriteSrcset(std::string_view value, const std::function<std::string(std::string_view)>& rewrite);

// True when an src value (entities decoded) shows nothing of its own: empty,
// a data: address or "about:blank".
bool IsPlaceholderSource(std::string_view value);

} // namespace rv
