// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once
// What mail programs do to a mail that carries an armoured block: one table, used where the
// cleaning is tested alone (tst_cleaning) and where a whole decryption must get through it
// (tst_encdecmsg).
#include <QList>
#include <QString>
#include <QStringList>

namespace TestSupport::MangledMail {

// A mail, line by line: what stands before the block, the block, what follows it.
struct Mail {
    QStringList before;
    QStringList block;
    QStringList after;
};

// One way a mail arrives: a name for the table row, and the whole text as received. The
// first case is the mail as sent, named "unmangled"; every other one breaks the block's
// lines.
struct Case {
    QString name;
    QString received;
};

QList<Case> cases(const Mail& mail);

} // namespace TestSupport::MangledMail
