#include "platform/TraceLog.h"

#include "base/Trace.h"

namespace kestrin {

Q_LOGGING_CATEGORY(lcTrace, "kestrin.trace", QtInfoMsg)

void RouteTraceToQtLogging()
{
    SetTraceSink([](std::string_view line) {
        if (!lcTrace().isDebugEnabled())
            return;
        // The fixed trace texts end in "\r\n"; the logging line adds its own end.
        while (!line.empty() && (line.back() == '\n' || line.back() == '\r'))
            line.remove_suffix(1);
        qCDebug(lcTrace).noquote() << QString::fromUtf8(line.data(), qsizetype(line.size()));
    });
}

} // namespace kestrin
