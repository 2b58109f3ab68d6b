// SPDX-License-Identifier: GPL-3.0-or-later
// Tests only: failures injected into the cipher entries, so that every failure text of the
// program can be reached through its real commands. Nothing outside the program's own code
// (no environment variable, no file) can switch it on.
#include "backends/cipher/cipher.h"
#include "backends/cipher/injection.h"

#include <new>
#include <stdexcept>

namespace Cipher {
namespace {

constexpr int kEntries = int(Entry::cci) + 1;
InjectedFailure g_injected[kEntries];

} // namespace

void injectFailure(Entry entry, InjectedFailure failure) {
    g_injected[int(entry)] = failure;
}

void clearInjectedFailures() {
    for (InjectedFailure& f : g_injected)
        f = {};
}

std::optional<int> Injection::check(Entry entry) {
    const InjectedFailure& f = g_injected[int(entry)];
    switch (f.kind) {
    case InjectedFailure::None:
        return std::nullopt;
    case InjectedFailure::Result:
        return f.result;
    case InjectedFailure::OutOfMemory:
        throw std::bad_alloc();
    case InjectedFailure::RunTimeFailure:
        throw std::runtime_error("injected run-time failure");
    }
    return std::nullopt;
}

} // namespace Cipher
