#include "base/Trace.h"

#include <cstdarg>
#include <cstdio>
#include <mutex>

namespace kestrin {
namespace {

std::mutex& SinkMutex()
{
    static std::mutex mutex;
    return mutex;
}

TraceSink& Sink()
{
    static TraceSink sink;
    return sink;
}

} // namespace

TraceSink SetTraceSink(TraceSink sink)
{
    std::lock_guard lock(SinkMutex());
    std::swap(Sink(), sink);
    return sink;
}

void Trace(const char* format, ...)
{
    std::lock_guard lock(SinkMutex());
    if (!Sink())
        return;
    char line[1024];
    va_list args;
    va_start(args, format);
    std::vsnprintf(line, sizeof line, format, args);
    va_end(args);
    Sink()(line);
}

} // namespace kestrin
