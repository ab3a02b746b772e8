// The report generator ("ktrepgen REPORT.rpi").
//
// Reads the report information file and the report template it names, generates the HTML
// report directory "<template data directory>/<HTML style>" with an "index.html" listing the
// template's items, and records the directory in the template's HTML_REPORT_DIR list. On
// failure it writes the report's error output ("<report>.rpe") instead.
#pragma once

#include "StandinRun.h"

namespace ktpm::standin {

int RunReportGenerator(const Invocation& invocation);

}  // namespace ktpm::standin
