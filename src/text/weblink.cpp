// SPDX-License-Identifier: GPL-3.0-or-later
#include "text/weblink.h"

#include "support/seams.h"
#include "text/programtext.h"

#include <QCoreApplication>
#include <QDesktopServices>
#include <QDir>
#include <QFileInfo>

namespace weblink {
namespace {

// The pages' place relative to the executable's folder. To serve them from a web site
// instead, this and ProductPageUrl are the only things to change.
constexpr QLatin1StringView kPagesBase("/tsm/");
constexpr QLatin1StringView kEnglishPage("tsm.htm");
constexpr QLatin1StringView kGermanPage("tsm_g.htm");

UrlOpener& opener() {
    static UrlOpener current;
    return current;
}

bool launch(const QUrl& url) {
    const UrlOpener& o = opener();
    return o ? o(url) : QDesktopServices::openUrl(url);
}

} // namespace

void setUrlOpener(UrlOpener o) {
    opener() = std::move(o);
}

QString launchFailureTitle() {
    return GetTextOr(543, QStringLiteral("Cannot launch web browser"));
}

QString launchFailurePrompt() {
    const QString crlf = QStringLiteral("\r\n");
    return GetTextOr(544, QStringLiteral("Error launching web browser.")) + crlf + crlf +
           GetTextOr(545, QStringLiteral(
                              "Please make sure that your web browser is correctly installed,")) +
           crlf +
           GetTextOr(
               546, QStringLiteral("that '.htm' files are associated with it, and that there is")) +
           crlf + GetTextOr(547, QStringLiteral("sufficient memory available."));
}

bool OpenWebPage(const QUrl& url) {
    if (launch(url))
        return true;
    Seams::MsgBox(launchFailurePrompt(), Seams::Buttons::OK, Seams::Icon::Exclamation,
                  launchFailureTitle());
    return false;
}

QUrl ProductPageUrl(int language) {
    const QLatin1StringView page = language == ProgramText::English ? kEnglishPage : kGermanPage;
    return QUrl::fromLocalFile(QCoreApplication::applicationDirPath() + kPagesBase + page);
}

bool OpenProductPage(int language) {
    const QUrl url = ProductPageUrl(language);
    if (!QFileInfo(url.toLocalFile()).isFile()) {
        Seams::MsgBox(GetText(490) + QStringLiteral(":\r\n") +
                          QDir::toNativeSeparators(url.toLocalFile()) + QStringLiteral("\r\n\r\n") +
                          GetText(491),
                      Seams::Buttons::OK, Seams::Icon::Exclamation, GetText(13));
        return false;
    }
    return OpenWebPage(url);
}

} // namespace weblink
