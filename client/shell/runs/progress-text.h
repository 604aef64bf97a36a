// The text a progress label shows: one line of the engine's text, cut to the
// width of the window's statistics group by keeping its first 20 characters,
// "..." and as much of its end as fits.
#pragma once

#include <QString>

class QFontMetrics;

namespace rv
{

// Leading blanks, tabs, CR and LF are skipped, the text ends at the first
// CR, LF or tab, and each "&quot" becomes a double quote.
QString ProgressLine(const QString& text);

// The line shortened until it is at most width pixels wide in the font.
QString ShortenedProgressText(const QString& text, const QFontMetrics& metrics, int width);

} // namespace rv
