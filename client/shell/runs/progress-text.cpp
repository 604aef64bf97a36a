#include "client/shell/runs/progress-text.h"

#include <QFontMetrics>

namespace rv
{
namespace
{

// The start of a long text that stays in view, ahead of the "...".
constexpr int KeptStart = 20;

bool IsBlank(QChar c)
{
    return c == u' ' || c == u'\t' || c == u'\r' || c == u'\n';
}

} // namespace

QString ProgressLine(const QString& text)
{
    qsizetype from = 0;
    while (from < text.size() && IsBlank(text[from]))
        ++from;
    qsizetype to = from;
    while (to < text.size() && text[to] != u'\r' && text[to] != u'\n' && text[to] != u'\t')
        ++to;
    QString line = text.mid(from, to - from);
    line.replace(QStringLiteral("&quot"), QStringLiteral("\""));
    return line;
}

QString ShortenedProgressText(const QString& text, const QFontMetrics& metrics, int width)
{
    const QString line = ProgressLine(text);
    if (metrics.horizontalAdvance(line) <= width || line.size() <= KeptStart)
        return line;
    const QString start = line.left(KeptStart) + QStringLiteral("...");
    for (qsizetype dropped = 1; KeptStart + dropped < line.size(); ++dropped)
    {
        const QString shown = start + line.mid(KeptStart + dropped);
        if (metrics.horizontalAdvance(shown) <= width)
            return shown;
    }
    return start;
}

} // namespace rv
