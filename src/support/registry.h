// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once
// The one "registry" write of the program: a string value under a key path. On Windows it
// is the registry; elsewhere an INI file of QSettings (the user's config folder,
// Tessamail/registry.ini) with the key path as nested groups, holding only the
// HKEY_CURRENT_USER branch. Returns a status text in the current language, never shows
// anything.
#include <QString>

namespace Registry {

constexpr quint32 HKEY_CURRENT_USER_ROOT = 0x80000001u;

// "0 New key created." when the key held nothing before, "0 Key already exists." otherwise,
// then two spaces and the system text for code 0. When nothing could be written:
// "<code> Unable to create (or find) key." and the text for the code: 5 "Access is denied."
// (the file or key cannot be written), 13 "The data is invalid." (a malformed settings
// file), 6 "The handle is invalid." (a root this platform lacks). An empty value name is
// the key's unnamed value.
QString WriteRegistryString(quint32 root, const QString& keyPath, const QString& valueName,
                            const QString& data);

// Reads a value back (tests only; the program never reads the registry).
QString ReadRegistryString(quint32 root, const QString& keyPath, const QString& valueName);

// Tests redirect the settings file; empty restores the default.
void setSettingsFileOverride(const QString& path);

} // namespace Registry
