#include "capture/StatusText.h"

#include <utility>

namespace snaplark {

namespace {

StatusTextSink& Sink()
{
    static StatusTextSink sink;
    return sink;
}

}  // namespace

void ShowStatusText(const std::string& text)
{
    if (Sink())
        Sink()(text);
}

StatusTextSink SetStatusTextSink(StatusTextSink sink)
{
    return std::exchange(Sink(), std::move(sink));
}

}  // namespace snaplark
