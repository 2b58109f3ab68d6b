// SPDX-License-Identifier: GPL-3.0-or-later
#include "backends/digest/md5.h"

#include <cstring>

void MD5Init2(MD5Context& context) { context.hash.reset(); }

void MD5Update2(MD5Context& context, const char* bytes, qsizetype count) {
    context.hash.addData(QByteArrayView(bytes, count));
}

void MD5Final2(unsigned char digest[16], MD5Context& context) {
    const QByteArray r = context.hash.result();
    std::memcpy(digest, r.constData(), 16);
}
