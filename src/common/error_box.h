#pragma once

namespace trellane {

// A system-modal error box with no owner window; returns when the user dismisses it.
// Each platform layer defines it.
void showErrorBox(const char* caption, const char* text);

}  // namespace trellane
