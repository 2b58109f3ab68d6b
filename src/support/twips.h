// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once
// Window positions and sizes are given in twips (1/1,440 inch of the screen).
class QWidget;

int twipsToPixels(int twips);
int pixelsToTwips(int pixels);
