// The service report as one printable HTML page: Russian headings, the styles inline, no
// outside resources, every text from the module escaped.
#pragma once

#include <string>

#include "report/module_report.h"

namespace karvelm {

// & < > " ' as entities.
std::string HtmlEscape(const std::string& text);

std::string ReportHtml(const TModuleReport& report);

}  // namespace karvelm
