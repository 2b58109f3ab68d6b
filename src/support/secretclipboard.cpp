// SPDX-License-Identifier: GPL-3.0-or-later
#include "support/secretclipboard.h"

#include <QClipboard>
#include <QGuiApplication>
#include <QMimeData>

#include <sodium.h>

#include <array>

namespace SecretClipboard {
namespace {

using Digest = std::array<unsigned char, crypto_generichash_BYTES>;

// Only a keyed digest of the secret text is kept, never the text: enough to recognise it.
struct Remembered {
    bool set = false;
    Digest digest{};
};
Remembered g_secret;

Digest digestOf(const QString& text) {
    static std::array<unsigned char, crypto_generichash_KEYBYTES> key = [] {
        std::array<unsigned char, crypto_generichash_KEYBYTES> k{};
        if (sodium_init() >= 0)
            randombytes_buf(k.data(), k.size());
        return k;
    }();
    Digest d{};
    crypto_generichash(d.data(), d.size(), reinterpret_cast<const unsigned char*>(text.utf16()),
                       std::size_t(text.size()) * sizeof(char16_t), key.data(), key.size());
    return d;
}

} // namespace

void markSecret(QMimeData& data) {
    data.setData(QLatin1String(kHintFormat), QByteArrayLiteral("secret"));
    g_secret.set = true;
    g_secret.digest = digestOf(data.text());
}

void setText(const QString& text, bool secret) {
    auto* data = new QMimeData;
    data->setText(text);
    if (secret)
        markSecret(*data);
    else
        g_secret.set = false;
    QGuiApplication::clipboard()->setMimeData(data);
}

QMimeData* SecretTextEdit::createMimeDataFromSelection() const {
    QMimeData* data = QPlainTextEdit::createMimeDataFromSelection();
    if (data && isReadOnly())
        markSecret(*data);
    return data;
}

void clearIfOurs() {
    if (!g_secret.set)
        return;
    g_secret.set = false;
    QClipboard* clipboard = QGuiApplication::clipboard();
    const QMimeData* data = clipboard->mimeData();
    if (data && data->data(QLatin1String(kHintFormat)) == "secret" &&
        sodium_memcmp(digestOf(data->text()).data(), g_secret.digest.data(),
                      g_secret.digest.size()) == 0)
        clipboard->clear();
}

} // namespace SecretClipboard
