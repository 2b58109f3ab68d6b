// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once
// The main window as the message path sees it, without widgets: the text, the slots and the
// selected key going in, the decrypted text and files coming out.
#include "message/encdecmsg.h"

#include <QList>
#include <QString>

namespace Bench {

class BenchWindow final : public EncDecMsg::MessageWindow {
public:
    explicit BenchWindow(QString keyEntry) : m_keyEntry(std::move(keyEntry)) {}

    QString text() const override { return {}; }
    QString slotPath(int) const override { return {}; }
    QString selectedKeyEntry() const override { return m_keyEntry; }
    void showDecryptedText(const QString& text) override { shownText = text; }
    void showReceivedFile(int slot, const QString& name, qint32) override {
        while (fileNames.size() <= slot)
            fileNames.append(QString());
        fileNames[slot] = name;
    }
    void selectDecryptMode() override {}

    QString shownText;
    QList<QString> fileNames;

private:
    QString m_keyEntry;
};

} // namespace Bench
