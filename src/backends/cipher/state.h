// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once
// Library state shared by the files of the cipher backend.

namespace Cipher::State {

// True between alb and dalb.
bool started();

} // namespace Cipher::State
