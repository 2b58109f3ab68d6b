// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once
// The entries' side of injectFailure (cipher.h): each entry asks first whether it is to fail.
#include "backends/cipher/cipher.h"

#include <optional>

namespace Cipher::Injection {

// The result an injected failure dictates for entry, or nothing when none is injected.
// Throws std::bad_alloc or std::runtime_error for the two exception kinds.
std::optional<int> check(Entry entry);

} // namespace Cipher::Injection
