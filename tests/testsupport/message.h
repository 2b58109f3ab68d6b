// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once
// The key-list entry the message tests encrypt under, and the armour its holder would mail.
#include <QByteArray>
#include <QString>

namespace TestSupport {

inline const QString kTestEntry =
    QString::fromUtf8("ann@example.org «01.02.2024» correct horse battery staple");

// The armour a sender holding entry would mail for package (a plaintext package as
// EncDecMsg::BuildPackage makes it), made without any message box. The cipher library must
// be started; a failure ends the test program.
QByteArray armourOf(const QByteArray& package, const QString& entry = kTestEntry);

} // namespace TestSupport
