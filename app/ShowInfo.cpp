#include "app/ShowInfo.h"

#include <utility>

namespace {

ShowInfoSink& Sink()
{
    static ShowInfoSink sink;
    return sink;
}

} // namespace

void ShowInfo(const QString& text, const QColor& colour)
{
    if (const ShowInfoSink& sink = Sink())
        sink(text, colour);
}

ShowInfoSink SetShowInfoSink(ShowInfoSink sink) { return std::exchange(Sink(), std::move(sink)); }
