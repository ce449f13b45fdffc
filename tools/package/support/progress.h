// What the command tells while it works: one line per step on standard error (none with
// --quiet), and warnings, which --quiet keeps.
#pragma once

namespace trellane {

void setQuiet(bool quiet);

// "trellane-package: " and the formatted line.
void progress(const char* format, ...) __attribute__((format(printf, 1, 2)));

// "trellane-package: warning: " and the formatted line, whatever --quiet says.
void warn(const char* format, ...) __attribute__((format(printf, 1, 2)));

// Seconds on a clock that only goes forward: for how long a run or a step took.
double monotonicSeconds();

}  // namespace trellane
