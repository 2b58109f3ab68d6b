// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once
// The start-up probes end themselves as soon as their first window is painted, without the
// program's own way out.
namespace Bench {

// Runs after the marker is printed (so it is not timed), just before the probe ends: what
// the program's own way out would have done that the next start depends on.
void setBeforeExit(void (*action)());

} // namespace Bench
