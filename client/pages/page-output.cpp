#include "client/pages/page-output.h"

#include "store/archive-writer.h"

#include <algorithm>

namespace rv
{

PageOutput::PageOutput(TKSDB* archive, std::string_view body) : archive_(archive), body_(body)
{
    buffer_.reserve(BufferBytes);
}

void PageOutput::Flush()
{
    if (buffer_.empty())
        return;
    if (archive_ && ok_ && !archive_->Append(buffer_))
        ok_ = false;
    written_ += buffer_.size();
    buffer_.clear();
}

void PageOutput::Write(std::string_view bytes)
{
    if (buffer_.size() + bytes.size() > BufferBytes)
    {
        Flush();
        if (bytes.size() >= BufferBytes)
        {
            if (archive_ && ok_ && !archive_->Append(bytes))
                ok_ = false;
            written_ += bytes.size();
            return;
        }
    }
    buffer_.append(bytes);
}

void PageOutput::WriteAttributeValue(std::string_view value, char quote)
{
    std::size_t plain = 0;
    for (std::size_t i = 0; i < value.size(); ++i)
    {
        const char c = value[i];
        std::string_view reference;
        if (c == '&')
            reference = "&amp;";
        else if (c == '<')
            reference = "&lt;";
        else if (c == '>')
            reference = "&gt;";
        else if (c == '"' && quote != '\'')
            reference = "&quot;";
        else if (c == '\'' && quote != '"')
            reference = "&#39;";
        else
            continue;
        Write(value.substr(plain, i - plain));
        Write(reference);
        plain = i + 1;
    }
    Write(value.substr(plain));
}

void PageOutput::Blank(std::size_t start, std::size_t end)
{
    end = std::min(end, body_.size());
    if (start >= end)
        return;
    // Ranges are kept sorted and disjoint: the new one swallows every range
    // it touches.
    auto first = std::partition_point(blanked_.begin(), blanked_.end(), [&](const Range& r) { return r.End < start; });
    auto last = first;
    while (last != blanked_.end() && last->Start <= end)
    {
        start = std::min(start, last->Start);
        end = std::max(end, last->End);
        ++last;
    }
    first = blanked_.erase(first, last);
    blanked_.insert(first, Range{start, end});
}

void PageOutput::SetMarkers(const std::vector<std::size_t>* positions, MarkerMarkup markup)
{
    markers_ = positions;
    nextMarker_ = 0;
    markup_ = std::move(markup);
}

void PageOutput::WriteMarker()
{
    const bool last = nextMarker_ + 1 >= markers_->size();
    if (markup_)
        Write(markup_(nextMarker_, last));
    ++nextMarker_;
}

void PageOutput::CopyPlain(std::size_t start, std::size_t end)
{
    while (markers_ && nextMarker_ < markers_->size() && (*markers_)[nextMarker_] < end)
    {
        const std::size_t at = std::clamp((*markers_)[nextMarker_], start, end);
        if (start < at)
            Write(body_.substr(start, at - start));
        start = at;
        WriteMarker();
    }
    if (start < end)
        Write(body_.substr(start, end - start));
}

void PageOutput::CopyTo(std::size_t end)
{
    end = std::min(end, body_.size());
    std::size_t from = copied_;
    auto range = std::partition_point(blanked_.begin(), blanked_.end(), [&](const Range& r) { return r.End <= from; });
    for (; range != blanked_.end() && range->Start < end && from < end; ++range)
    {
        CopyPlain(from, std::max(from, range->Start));
        from = std::max(from, range->End);
    }
    if (from < end)
        CopyPlain(from, end);
    copied_ = std::max(copied_, end);
    if (end == body_.size())
        while (markers_ && nextMarker_ < markers_->size())
            WriteMarker();
}

void PageOutput::SkipTo(std::size_t position)
{
    copied_ = std::max(copied_, std::min(position, body_.size()));
}

} // namespace rv
