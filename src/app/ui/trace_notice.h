// How the desktop program tells that its packet trace could not be written.
#pragma once

#include <string>

#include "link/packet_trace.h"

namespace karvelm {

constexpr const char* kTraceNoticeName = "TraceNotice";

// The failure report for the trace at path: a warning that does not wait for the user. The
// trace fails while the link works, often inside an exchange that must go on, so the box is
// shown once the event loop runs and holds nothing up.
TTraceFailure TraceFailureNotice(const std::string& path);

}  // namespace karvelm
