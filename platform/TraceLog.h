#pragma once

#include <QLoggingCategory>

namespace kestrin {

// The program's trace as a Qt logging category, off unless the user turns it on:
//   QT_LOGGING_RULES="kestrin.trace.debug=true" kestrin
Q_DECLARE_LOGGING_CATEGORY(lcTrace)

// Routes the core's Trace lines into lcTrace.
void RouteTraceToQtLogging();

} // namespace kestrin
