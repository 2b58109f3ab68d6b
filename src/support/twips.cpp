// SPDX-License-Identifier: GPL-3.0-or-later
#include "support/twips.h"

#include <QGuiApplication>
#include <QScreen>
#include <cmath>

namespace {
double logicalDpi() {
    const QScreen* screen = QGuiApplication::primaryScreen();
    return screen ? screen->logicalDotsPerInchY() : 96.0;
}
} // namespace

int twipsToPixels(int twips) { return int(std::lround(twips * logicalDpi() / 1440.0)); }
int pixelsToTwips(int pixels) { return int(std::lround(pixels * 1440.0 / logicalDpi())); }
