// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once
// The keyfile path dialog: shows where the keyfile is and whether one exists there, and lets
// the user choose another path. When the path changes and a keyfile exists at the old place,
// it offers to copy it to the new place and then to delete the old one.
#include <QDialog>
#include <QString>

class QLabel;
class QLineEdit;
class QPushButton;

// What the dialog reads and changes in the window that owns the path.
class KeyfilePathOwner {
public:
    virtual ~KeyfilePathOwner() = default;
    virtual QString keyfilePath() const = 0;
    // The new path is in force from now on.
    virtual void setKeyfilePath(const QString& path) = 0;
    // The path has been changed: the key list is not in the keyfile there.
    virtual void markKeyListNotStored() = 0;
    virtual void WriteParametersFile() = 0;
};

namespace KeyfilePath {

// "c:\Data\Keys\" becomes "C:\data\keys\"; anything without a drive letter is unchanged.
QString NormaliseDriveCase(const QString& s);
// The folder part of path up to and including its last separator ("\" or "/"), with the
// drive's case normalised; empty when path has no folder part.
QString FolderOfPath(const QString& path);
// True when a and b name the same file: equal when cleaned, or the same file on disk
// reached through different spellings or links.
bool SameFile(const QString& a, const QString& b);

} // namespace KeyfilePath

class frmSpecifyKeyfilePath : public QDialog {
    Q_OBJECT
public:
    explicit frmSpecifyKeyfilePath(KeyfilePathOwner& owner, QWidget* parent = nullptr);

    QLabel* lblThePathTo;
    QLineEdit* txbKeyfilePath; // read-only: long paths scroll and can be copied
    QLabel* lblThereIs;
    QLabel* lblGetStoreOps;
    QPushButton* cmdChangeKFP;
    QPushButton* cmdClose;

    // Captions from the program text table in the current language.
    void SetLanguageDependentText();
    // Shows the owner's path and whether a keyfile exists there.
    void RefreshKeyfilePath();
    void cmdChangeKFP_Click();

    // Closing, by the close command, Escape or the window's frame, writes the parameters
    // file.
    void done(int result) override;

protected:
    void showEvent(QShowEvent* event) override;

private:
    // The copy and delete offers after the path moved from oldPath to newPath.
    void OfferCopy(const QString& oldPath, const QString& newPath);

    KeyfilePathOwner& m_owner;
};
