// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once
// Roles that Qt cannot tell from the widget class: the main and help windows are plain
// widgets made windows, which Qt reports as a "filler"; a screen reader needs a frame
// (a proper application window) to announce and list them. Lines between the parts of a
// window are separators, and scroll bars are named after what they scroll.

class QAbstractScrollArea;

namespace AccessibleRoles {

// Registers the roles with Qt's accessibility; once is enough, more calls do nothing.
void Install();

// Names the scroll bars of a text box after the box they scroll (set its name first).
void NameScrollBars(QAbstractScrollArea* area);

} // namespace AccessibleRoles
