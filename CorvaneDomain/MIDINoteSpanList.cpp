#include "CorvaneDomain/MIDINoteSpanList.hpp"

#include <algorithm>

namespace corvane {

namespace {

// Empty lists share one vector: a list made and never filled allocates nothing.
const std::shared_ptr<const std::vector<MIDINoteSpan>>& emptySpans()
{
    static const auto empty = std::make_shared<const std::vector<MIDINoteSpan>>();
    return empty;
}

} // namespace

MIDINoteSpanList::MIDINoteSpanList() : spans_(emptySpans()) {}

MIDINoteSpanList::MIDINoteSpanList(std::vector<MIDINoteSpan> spans)
    : spans_(spans.empty() ? emptySpans() : std::make_shared<const std::vector<MIDINoteSpan>>(std::move(spans)))
{
    for (const MIDINoteSpan& span : *spans_)
        longestSeconds_ = std::max(longestSeconds_, span.endSeconds - span.startSeconds);
}

} // namespace corvane
