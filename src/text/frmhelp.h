// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once
// The help window: a fixed help text in English and German, shown beside the main window
// (not modal), resizable and minimizable. Closing it only hides it, so it keeps its place
// and size for the next opening.
#include <QPointer>
#include <QString>
#include <QWidget>
#include <array>

class QLabel;
class QTextEdit;
class QPushButton;

class frmHelp : public QWidget {
    Q_OBJECT
public:
    // mainWindow: the window the help is placed over when it is first shown (may be null).
    // The help window has no owner, so that it can go behind the main window; whoever
    // creates it deletes it.
    explicit frmHelp(QWidget* mainWindow = nullptr);

    // The help text of a language (0 English, 1 German): fourteen paragraphs, each followed
    // by a blank line, naming buttons by their captions in single quotes.
    static QString HelpText(int language);

    // Window caption, close button, help text and version line in the current language.
    void SetLanguageDependentText();

    // The line under the help text: product name, version and licence ("Tessamail 1.07.
    // Free software under the GNU General Public License, …").
    static QString VersionLine();

    // Puts the help text of the current language into the text box.
    void SetHelpScreen();

    // The main window's Help command (click, or F1 on it): restores the window when it is
    // minimized, otherwise shows it; either way it comes to the front.
    void OpenHelp();

    std::array<QString, 2> strHelpText; // indexed by language
    int intMinWidth = 3000;             // twips
    int intMinHeight = 3000;            // twips

    QTextEdit* txbHelpScreen = nullptr;
    QLabel* lblVersion = nullptr;
    QPushButton* cmdClose = nullptr;

public slots:
    void cmdClose_Click();

protected:
    void keyPressEvent(QKeyEvent* event) override;
    void showEvent(QShowEvent* event) override;

private:
    void placeOverMainWindow();

    QPointer<QWidget> mainWindow_;
    bool placed_ = false;
};
