// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once
// The enlarged text window: the main window's text in a large, resizable, modal window,
// where it can be read, edited (when the main text box is editable) and copied to the
// clipboard in part or whole. The window exists only while it is shown; whoever shows it
// takes text() back when it has closed, however it was closed.
#include <QDialog>
#include <QString>

class QPlainTextEdit;
class QPushButton;

class frmLargeTextbox : public QDialog {
    Q_OBJECT
public:
    // Takes the text, font and read-only state of mainText and places itself over
    // mainWindow: as wide, starting a little lower, and not as tall.
    frmLargeTextbox(QWidget* mainWindow, const QPlainTextEdit* mainText);

    // Lengths in twips.
    static constexpr int kMinWidth = 9000;
    static constexpr int kMinHeight = 2000;
    static constexpr int kTopOffset = 1400;
    static constexpr int kHeightLess = 1600;
    // The copy button is wider when it speaks of a selection, and wider in German.
    static int CopyButtonWidthTwips(bool selection, int language);

    // Captions in the current language. The window sets them when it is made, so a
    // language change needs nothing from it.
    void SetLanguageDependentText();
    // The copy button tells whether it copies the selection or the whole text.
    void UpdateCopyButton();

    // The text as the main window carries it (CR LF line breaks).
    QString text() const;

    QPlainTextEdit* txbText;
    QPushButton* cmdCopyToClipboard;
    QPushButton* cmdClose;

public slots:
    void cmdCopyToClipboard_Click();
    void cmdClose_Click();

protected:
    void changeEvent(QEvent* event) override;

private:
    void placeOver(const QWidget* mainWindow);
};
