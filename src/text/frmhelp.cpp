// SPDX-License-Identifier: GPL-3.0-or-later
#include "text/frmhelp.h"

#include "mainwindow/application.h"
#include "support/accessibleroles.h"
#include "support/twips.h"
#include "text/programtext.h"
#include "text/weblink.h"

#include <QGuiApplication>
#include <QKeyEvent>
#include <QLabel>
#include <QPushButton>
#include <QScreen>
#include <QTextEdit>
#include <QVBoxLayout>

namespace {

QString joinParagraphs(const QStringList& paragraphs) {
    QString text;
    for (const QString& p : paragraphs)
        text += p + QStringLiteral("\r\n\r\n");
    return text;
}

QString englishHelp(const QString& pageAddress) {
    return joinParagraphs({
        QStringLiteral("An illustrated version of this help is on the Tessamail web page, "
                       "which the 'Web page' button in the main window opens in your web "
                       "browser. Its address is:\r\n") +
            pageAddress +
            QStringLiteral("\r\nYou can resize this window, or minimize it and keep it at hand "
                           "while you work."),

        QStringLiteral("Tessamail encrypts a message before you send it by e-mail, and "
                       "decrypts an encrypted message that you have received by e-mail. It is "
                       "not a mail program: it works beside any mail program you like, through "
                       "the clipboard."),

        QStringLiteral("Tessamail uses a symmetric key: the same key encrypts and decrypts a "
                       "message. So you and the recipient both need the key, and you must give "
                       "it to the recipient some other way than by e-mail, for example in "
                       "person or by telephone. The four-digit checksum that 'Show key "
                       "details' shows lets you both check that you typed the same key."),

        QStringLiteral("The key list keeps one key for each recipient or group of recipients, "
                       "so that you never have to type a key twice. 'Add key' adds one, "
                       "together with the e-mail address or name it is for. You can also give "
                       "the date on which the key is first used; it helps you keep track when "
                       "you and a recipient change to a new key."),

        QStringLiteral("The key list itself must stay secret, so Tessamail encrypts it under a "
                       "master key before it stores it in the keyfile ('Encrypt keys & "
                       "store'). The master key is not stored anywhere: remember it, or write "
                       "it down and keep it in a safe place. 'Get keys & decrypt' reads the "
                       "key list back, and only with the master key. This way you have to "
                       "remember just one key."),

        QStringLiteral("Make a backup copy of the keyfile from time to time, for example on a "
                       "USB stick. The web page tells you more, including how to read the "
                       "keyfile with the standard tool age."),

        QStringLiteral("To send a message, first select 'Encrypt message to be sent'."),

        QStringLiteral("A message is made of a text portion and up to three attached files "
                       "('Append file'). To send more files, pack them into one archive file "
                       "(a ZIP file, for example) and attach that."),

        QStringLiteral("There are three ways to fill the text box: type the text; load a text "
                       "file with 'Load file into textbox' (plain text only, not a document "
                       "in a word processor's own format); or paste from the clipboard with Ctrl+V "
                       "or 'Copy from clipboard'."),

        QStringLiteral("To encrypt, choose the recipient's key in the key list (or add it "
                       "first) and press 'Encrypt message using current key and copy to "
                       "clipboard'. Paste the result into your mail with Ctrl+V. You may write "
                       "plain text before or after the encrypted block, as long as a blank "
                       "line separates it from the block above and below. Then address and "
                       "send the mail as usual."),

        QStringLiteral("To decrypt a message you have received, copy the whole mail to the "
                       "clipboard with Ctrl+C (Ctrl+A first selects all of it). You need not "
                       "pick out the encrypted part: Tessamail finds it. The line that tells "
                       "how many characters the clipboard holds follows the clipboard."),

        QStringLiteral("Please note: Tessamail decrypts what is on the clipboard, not what is "
                       "in the text box. So do not paste the encrypted text into the text "
                       "box."),

        QStringLiteral("Then select 'Decrypt message on clipboard', choose the key you share "
                       "with the sender and press 'Copy message from clipboard and decrypt "
                       "using current key'. The text portion appears in the text box, and the "
                       "names of attached files appear beside their 'Save file' buttons, with "
                       "which you can save each file under any name and in any folder."),

        QStringLiteral("With a wrong key you only see an error message, and nothing is put "
                       "into the text box. Nothing is lost: choose the right key and try "
                       "again."),

        QStringLiteral("Keyboard: Ctrl+E encrypts and Ctrl+D decrypts, as the two message "
                       "commands do. Ctrl+F goes to the key search: type any part of an "
                       "address or name to find its key. Alt+1, Alt+2 and Alt+3 press the "
                       "buttons of the three file slots, F1 opens this help and Ctrl+Q quits. "
                       "Every other command is pressed with Alt and its underlined letter."),
    });
}

QString germanHelp(const QString& pageAddress) {
    return joinParagraphs({
        QStringLiteral("Eine bebilderte Fassung dieser Hilfe finden Sie auf der Webseite von "
                       "Tessamail, die die Schaltfläche 'Webseite' im Hauptfenster in Ihrem "
                       "Browser öffnet. Ihre Adresse lautet:\r\n") +
            pageAddress +
            QStringLiteral("\r\nSie können die Größe dieses Fensters ändern oder es minimieren "
                           "und so beim Arbeiten griffbereit halten."),

        QStringLiteral("Tessamail verschlüsselt eine Nachricht, bevor Sie sie per E-Mail "
                       "senden, und entschlüsselt eine verschlüsselte Nachricht, die Sie per "
                       "E-Mail erhalten haben. Tessamail ist kein E-Mail-Programm: Es arbeitet "
                       "über die Zwischenablage mit jedem E-Mail-Programm zusammen."),

        QStringLiteral("Tessamail verwendet einen symmetrischen Schlüssel: Derselbe Schlüssel "
                       "verschlüsselt und entschlüsselt eine Nachricht. Sie und der Empfänger "
                       "brauchen also beide den Schlüssel, und Sie müssen ihn dem Empfänger "
                       "auf einem anderen Weg als per E-Mail geben, zum Beispiel persönlich "
                       "oder am Telefon. Mit der vierstelligen Prüfsumme, die "
                       "'Schlüsseldetails anzeigen' zeigt, können Sie beide prüfen, ob Sie "
                       "denselben Schlüssel eingegeben haben."),

        QStringLiteral("Die Schlüsselliste enthält einen Schlüssel für jeden Empfänger oder "
                       "jede Gruppe von Empfängern, damit Sie keinen Schlüssel zweimal "
                       "eingeben müssen. 'Schlüssel hinzufügen' nimmt einen Schlüssel auf, "
                       "zusammen mit der E-Mail-Adresse oder dem Namen, für den er gilt. Sie "
                       "können auch das Datum angeben, an dem der Schlüssel zum ersten Mal "
                       "verwendet wird; es hilft Ihnen, den Überblick zu behalten, wenn Sie und "
                       "ein Empfänger zu einem neuen Schlüssel wechseln."),

        QStringLiteral("Die Schlüsselliste selbst muss geheim bleiben. Deshalb verschlüsselt "
                       "Tessamail sie mit einem Hauptschlüssel, bevor sie in der "
                       "Schlüsseldatei gespeichert wird ('Schlüssel verschlüsseln & "
                       "speichern'). Der Hauptschlüssel wird nirgends gespeichert: Merken Sie "
                       "ihn sich, oder schreiben Sie ihn auf und bewahren Sie ihn an einem "
                       "sicheren Ort auf. 'Schlüssel laden & entschlüsseln' liest die "
                       "Schlüsselliste wieder ein, und zwar nur mit dem Hauptschlüssel. So "
                       "müssen Sie sich nur einen einzigen Schlüssel merken."),

        QStringLiteral("Legen Sie von Zeit zu Zeit eine Sicherungskopie der Schlüsseldatei an, "
                       "zum Beispiel auf einem USB-Stick. Mehr dazu steht auf der Webseite, "
                       "auch wie Sie die Schlüsseldatei mit dem Standardprogramm age lesen."),

        QStringLiteral("Um eine Nachricht zu senden, wählen Sie zuerst 'Nachricht "
                       "verschlüsseln'."),

        QStringLiteral("Eine Nachricht besteht aus einem Textteil und bis zu drei angehängten "
                       "Dateien ('Datei anhängen'). Wenn Sie mehr Dateien senden möchten, "
                       "packen Sie sie in eine Archivdatei (zum Beispiel eine ZIP-Datei) und "
                       "hängen Sie diese an."),

        QStringLiteral("Das Textfeld können Sie auf drei Arten füllen: Sie tippen den Text "
                       "ein; Sie laden eine Textdatei mit 'Datei in Textfeld laden' (nur "
                       "reiner Text, nicht das eigene Format einer Textverarbeitung); oder Sie "
                       "fügen den Text aus der Zwischenablage ein, mit Strg+V oder 'Aus "
                       "Zwischenablage kopieren'."),

        QStringLiteral("Zum Verschlüsseln wählen Sie den Schlüssel des Empfängers in der "
                       "Schlüsselliste (oder fügen ihn zuerst hinzu) und klicken auf "
                       "'Nachricht mit aktuellem Schlüssel verschlüsseln und in "
                       "Zwischenablage kopieren'. Fügen Sie das Ergebnis mit Strg+V in Ihre "
                       "E-Mail ein. Vor oder nach dem verschlüsselten Block dürfen Sie "
                       "unverschlüsselten Text schreiben, wenn ihn oben und unten eine "
                       "Leerzeile vom Block trennt. Dann adressieren und senden Sie die E-Mail "
                       "wie gewohnt."),

        QStringLiteral("Um eine empfangene Nachricht zu entschlüsseln, kopieren Sie die ganze "
                       "E-Mail mit Strg+C in die Zwischenablage (Strg+A markiert vorher "
                       "alles). Den verschlüsselten Teil müssen Sie nicht heraussuchen, "
                       "Tessamail findet ihn selbst. Die Zeile, die angibt, wie viele Zeichen "
                       "die Zwischenablage enthält, folgt der Zwischenablage."),

        QStringLiteral("Bitte beachten Sie: Tessamail entschlüsselt den Inhalt der "
                       "Zwischenablage, nicht den des Textfelds. Fügen Sie den verschlüsselten "
                       "Text deshalb nicht in das Textfeld ein."),

        QStringLiteral("Wählen Sie dann 'Nachricht aus der Zwischenablage entschlüsseln', "
                       "wählen Sie den Schlüssel, den Sie mit dem Absender teilen, und klicken "
                       "Sie auf 'Nachricht aus Zwischenablage mit aktuellem Schlüssel "
                       "entschlüsseln'. Der Textteil erscheint im Textfeld, und die Namen "
                       "angehängter Dateien erscheinen neben ihren Schaltflächen 'Datei "
                       "speichern', mit denen Sie jede Datei unter einem beliebigen Namen in "
                       "einem beliebigen Ordner speichern können."),

        QStringLiteral("Mit einem falschen Schlüssel sehen Sie nur eine Fehlermeldung, und in "
                       "das Textfeld kommt nichts. Es geht nichts verloren: Wählen Sie den "
                       "richtigen Schlüssel und versuchen Sie es noch einmal."),

        QStringLiteral("Tastatur: Strg+E verschlüsselt und Strg+D entschlüsselt, wie die beiden "
                       "Nachrichtenbefehle. Strg+F springt in die Schlüsselsuche: Tippen Sie "
                       "einen beliebigen Teil einer Adresse oder eines Namens, um den "
                       "Schlüssel zu finden. Alt+1, Alt+2 und Alt+3 betätigen die "
                       "Schaltflächen der drei Dateifelder, F1 öffnet diese Hilfe und Strg+Q "
                       "beendet das Programm. Jeden anderen Befehl lösen Sie mit Alt und "
                       "seinem unterstrichenen Buchstaben aus."),
    });
}

// Size of the window when there is no main window to place it over.
constexpr int kDefaultWidth = 9000;  // twips
constexpr int kDefaultHeight = 7000; // twips

} // namespace

frmHelp::frmHelp(QWidget* mainWindow) : QWidget(nullptr, Qt::Window), mainWindow_(mainWindow) {
    setObjectName(QStringLiteral("frmHelp"));
    // An open help window must not keep the program running once the main window is gone.
    setAttribute(Qt::WA_QuitOnClose, false);

    for (int language : {ProgramText::English, ProgramText::German})
        strHelpText[language] = HelpText(language);

    txbHelpScreen = new QTextEdit(this);
    txbHelpScreen->setObjectName(QStringLiteral("txbHelpScreen"));
    txbHelpScreen->setReadOnly(true);
    txbHelpScreen->setAcceptRichText(false);
    // A caret lets keyboard users move through the text and select from it.
    txbHelpScreen->setTextInteractionFlags(Qt::TextSelectableByMouse |
                                           Qt::TextSelectableByKeyboard);
    txbHelpScreen->setLineWrapMode(QTextEdit::WidgetWidth);

    lblVersion = new QLabel(this);
    lblVersion->setObjectName(QStringLiteral("lblVersion"));
    lblVersion->setWordWrap(true);
    lblVersion->setTextFormat(Qt::PlainText);
    lblVersion->setTextInteractionFlags(Qt::TextSelectableByMouse);

    cmdClose = new QPushButton(this);
    cmdClose->setObjectName(QStringLiteral("cmdClose"));
    cmdClose->setMinimumWidth(twipsToPixels(1200));
    connect(cmdClose, &QPushButton::clicked, this, &frmHelp::cmdClose_Click);

    auto* layout = new QVBoxLayout(this);
    layout->addWidget(txbHelpScreen, 1);
    layout->addWidget(lblVersion);
    layout->addWidget(cmdClose, 0, Qt::AlignHCenter);

    setMinimumSize(twipsToPixels(intMinWidth), twipsToPixels(intMinHeight));
    resize(twipsToPixels(kDefaultWidth), twipsToPixels(kDefaultHeight));
    setFocusProxy(txbHelpScreen);
}

QString frmHelp::HelpText(int language) {
    const QString address = weblink::ProductPageUrl(language).toDisplayString();
    return language == ProgramText::German ? germanHelp(address) : englishHelp(address);
}

QString frmHelp::VersionLine() {
    return GetText(94) + QLatin1Char(' ') + versionText() + QStringLiteral(". ") + GetText(473);
}

void frmHelp::SetLanguageDependentText() {
    setWindowTitle(GetText(100));
    cmdClose->setText(GetText(101));
    txbHelpScreen->setAccessibleName(GetText(100));
    AccessibleRoles::NameScrollBars(txbHelpScreen);
    lblVersion->setText(VersionLine());
    SetHelpScreen();
}

void frmHelp::SetHelpScreen() {
    const int language =
        ProgramText::language() == ProgramText::German ? ProgramText::German : ProgramText::English;
    txbHelpScreen->setPlainText(strHelpText[language]);
}

void frmHelp::OpenHelp() {
    // Already open but perhaps behind the main window: bring it to the front.
    const bool alreadyShowing = isVisible() && !isMinimized();
    if (isMinimized())
        setWindowState(windowState() & ~Qt::WindowMinimized);
    show();
    if (alreadyShowing)
        raise();
    activateWindow();
}

void frmHelp::cmdClose_Click() {
    hide();
}

void frmHelp::keyPressEvent(QKeyEvent* event) {
    if (event->key() == Qt::Key_Escape && event->modifiers() == Qt::NoModifier) {
        cmdClose_Click();
        return;
    }
    QWidget::keyPressEvent(event);
}

void frmHelp::showEvent(QShowEvent* event) {
    // Placed when first shown rather than at creation, so it covers the main window where
    // that window is by then; afterwards it stays where the user puts it.
    if (!placed_) {
        placeOverMainWindow();
        placed_ = true;
    }
    QWidget::showEvent(event);
}

void frmHelp::placeOverMainWindow() {
    if (mainWindow_) {
        // Inset from the main window: below its caption and menu, and a little narrower, so
        // that both windows remain recognisable.
        const QPoint topLeft = mainWindow_->frameGeometry().topLeft();
        const QSize size = mainWindow_->geometry().size();
        move(topLeft + QPoint(twipsToPixels(200), twipsToPixels(480)));
        resize(size - QSize(twipsToPixels(400), twipsToPixels(680)));
        return;
    }
    if (const QScreen* screen = QGuiApplication::primaryScreen()) {
        QRect r(QPoint(), size());
        r.moveCenter(screen->availableGeometry().center());
        move(r.topLeft());
    }
}
