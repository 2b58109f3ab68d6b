// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once
// The digest library: MD5 (RFC 1321) in the three-call form the key rules use.
#include <QByteArray>
#include <QCryptographicHash>

struct MD5Context {
    QCryptographicHash hash{QCryptographicHash::Md5};
};

void MD5Init2(MD5Context& context);
void MD5Update2(MD5Context& context, const char* bytes, qsizetype count);
void MD5Final2(unsigned char digest[16], MD5Context& context);
