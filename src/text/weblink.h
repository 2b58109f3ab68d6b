// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once
// Opens web pages in the user's default browser. The product's own pages ship with the
// program, in the folder "tsm" beside the executable, so they open without a network and
// nobody learns that they were read.
#include <QString>
#include <QUrl>
#include <functional>

namespace weblink {

// Hands a URL to the system; true when a program took it.
using UrlOpener = std::function<bool(const QUrl&)>;

// Replaces the launcher (tests); an empty function restores QDesktopServices::openUrl.
void setUrlOpener(UrlOpener opener);

// The message shown when the browser cannot be started.
QString launchFailureTitle();
QString launchFailurePrompt();

// Opens url with the program associated with it; tells the user when that fails.
// Returns whether it was opened.
bool OpenWebPage(const QUrl& url);

// The product's page: English for language 0, German otherwise.
QUrl ProductPageUrl(int language);

// What the main window's web page button does. A page missing from the installation is
// reported as such, not as a browser failure. Returns whether the page was opened.
bool OpenProductPage(int language);

} // namespace weblink
