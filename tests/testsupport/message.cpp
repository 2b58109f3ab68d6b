// SPDX-License-Identifier: GPL-3.0-or-later
#include "testsupport/message.h"

#include "keys/keyrules.h"
#include "message/encdecmsg.h"

namespace TestSupport {

QByteArray armourOf(const QByteArray& package, const QString& entry) {
    EncDecMsg::State s;
    s.blnTest = true; // no success box
    s.strPlainPackage = package;
    const QString key = KeyRules::ExtendedReducedKey(EncDecMsg::CurrentKey(entry));
    if (EncDecMsg::EncryptPackage(s, key) <= 0)
        qFatal("cannot encrypt the test package");
    return s.strCipherText;
}

} // namespace TestSupport
