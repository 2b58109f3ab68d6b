// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once
// Settings of the whole process that keep secrets and files safe, made once at start.
namespace ProcessGuard {

// No core dumps (they would hold keys and decrypted text), and a file-size limit makes a
// write fail with an error the program reports instead of killing it (SIGXFSZ).
void protectProcess();

// True when the process can write no core dump.
bool coreDumpsOff();

} // namespace ProcessGuard
