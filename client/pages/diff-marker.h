// Difference markers: what a stored entry page shows at the start of each
// changed block. Marker n is an anchor named "RavelinDiffMarker" + n and the
// marker image (the local server answers any name holding
// "RavelinDiffMarker" with it); every marker but the last links to the next
// one, so the user can step through the changes.
//
// Pure functions; any thread.
#pragma once

#include <cstddef>
#include <string>
#include <string_view>
#include <vector>

namespace rv
{

inline constexpr std::string_view DiffMarkerName = "RavelinDiffMarker";

// The markup of marker `number` on the page fetched from `pageAddress` (with
// or without scheme); `last` leaves out the link to the next marker. The
// link names the page by its stored address, so that it still works under
// the base tag the local server puts in front of stored pages.
std::string DiffMarkerMarkup(std::string_view pageAddress, std::size_t number, bool last);

// The page with marker n written in front of the byte at positions[n]
// (ascending offsets; one past the end writes at the end).
std::string InsertDiffMarkers(std::string_view page, const std::vector<std::size_t>& positions, std::string_view pageAddress);

} // namespace rv
