// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once
// The key details window: one key entry taken apart into target, date of first use, key,
// number of non-space characters, checksum and the day the entry was added.
#include <QDialog>
#include <QString>
#include <array>

class QLabel;
class QPushButton;

namespace KeyDetails {

struct Parts {
    QString target;    // "[not specified]" (in the current language) when there is none
    QString date;      // likewise
    QString key;       // the key as written in the entry, the one the cipher is given
    QString count;     // characters of the key other than spaces, decimal
    int checksum = 0;  // as the key entry dialog showed it
    QString dateAdded; // year-month-day
};

// The entry "target «date» key" taken apart. An entry without target starts with "«"; one
// without date has "«»". The key is the text after the first "»" (the whole entry when there
// is none), exactly as messages are encrypted with it; an entry lacking "«" or "»" shows
// neither target nor date. notSpecified stands in for a missing target or date.
Parts TakeApart(const QString& entry, qint32 dateAdded, const QString& notSpecified);

// text with a line break after every width characters of a run without spaces.
QString BreakLongRuns(const QString& text, int width);

// text without any space character (code 32); everything else, in its case, stays.
QString RemoveSpaces(const QString& text);

} // namespace KeyDetails

class frmKeyDetails : public QDialog {
    Q_OBJECT
public:
    explicit frmKeyDetails(QWidget* parent = nullptr);

    // Element 0 is the caption, element 1 the value; the object names end in "_0" and "_1".
    std::array<QLabel*, 2> lblTarget;
    std::array<QLabel*, 2> lblDate;
    std::array<QLabel*, 2> lblKey;
    std::array<QLabel*, 2> lblNumChars;
    std::array<QLabel*, 2> lblChecksum;
    std::array<QLabel*, 2> lblKeyAddedOn;
    QPushButton* cmdClose;

    // Captions from the program text table in the current language.
    void SetLanguageDependentText();

    // Fills the values from a key entry and its date added; stores the key's checksum in the
    // key module (intKeyChecksum) as the key entry dialog does.
    void ShowEntry(const QString& entry, qint32 dateAdded);

    // Places the window at the main window's left edge, 3,775 twips below its top.
    void placeBelow(const QWidget* mainWindow);

    // The most characters of a key or address without spaces on one line.
    static constexpr int kValueColumnChars = 32;

private:
    std::array<std::array<QLabel*, 2>*, 6> pairs();
    void NameValues();
};
