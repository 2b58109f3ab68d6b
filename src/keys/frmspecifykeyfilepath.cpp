// SPDX-License-Identifier: GPL-3.0-or-later
#include "keys/frmspecifykeyfilepath.h"

#include "keys/keyentry.h"
#include "support/accesskeys.h"
#include "support/diskproc.h"
#include "support/folder.h"
#include "support/seams.h"
#include "text/programtext.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QHBoxLayout>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QShowEvent>
#include <QVBoxLayout>

namespace {

const QString CRLF = QStringLiteral("\r\n");

QString shown(const QString& path) {
    return QDir::toNativeSeparators(path);
}

} // namespace

namespace KeyfilePath {

QString NormaliseDriveCase(const QString& s) {
    if (s.size() < 2 || s[1] != QLatin1Char(':'))
        return s;
    return s.left(1).toUpper() + s.mid(1).toLower();
}

QString FolderOfPath(const QString& path) {
    const qsizetype i =
        qMax(path.lastIndexOf(QLatin1Char('\\')), path.lastIndexOf(QLatin1Char('/')));
    if (i < 0)
        return QString();
    return NormaliseDriveCase(path.left(i + 1));
}

bool SameFile(const QString& a, const QString& b) {
    const QFileInfo fa(a);
    const QFileInfo fb(b);
    if (QDir::cleanPath(fa.absoluteFilePath()) == QDir::cleanPath(fb.absoluteFilePath()))
        return true;
    // Another spelling of the same file (letter case on Windows, a link): copying it onto
    // itself and then deleting "the old one" would delete the keyfile.
    const QString ca = fa.canonicalFilePath();
    return !ca.isEmpty() && ca == fb.canonicalFilePath();
}

} // namespace KeyfilePath

frmSpecifyKeyfilePath::frmSpecifyKeyfilePath(KeyfilePathOwner& owner, QWidget* parent)
    : QDialog(parent), m_owner(owner) {
    setObjectName(QStringLiteral("frmSpecifyKeyfilePath"));
    setWindowTitle(QStringLiteral("Specify keyfile path"));

    lblThePathTo =
        new QLabel(QStringLiteral("The path to the keyfile is currently specified as"), this);
    txbKeyfilePath = new QLineEdit(this);
    lblThereIs = new QLabel(this);
    lblGetStoreOps = new QLabel(
        QStringLiteral("'Get' and 'Store' operations on the keyfile currently use this file path."),
        this);
    cmdChangeKFP = new QPushButton(QStringLiteral("Change keyfile path"), this);
    cmdClose = new QPushButton(QStringLiteral("Keep this keyfile path"), this);

    const std::pair<QWidget*, const char*> names[] = {
        {lblThePathTo, "lblThePathTo"}, {txbKeyfilePath, "txbKeyfilePath"},
        {lblThereIs, "lblThereIs"},     {lblGetStoreOps, "lblGetStoreOps"},
        {cmdChangeKFP, "cmdChangeKFP"}, {cmdClose, "cmdClose"},
    };
    for (const auto& [widget, name] : names)
        widget->setObjectName(QLatin1String(name));

    txbKeyfilePath->setReadOnly(true);
    lblThePathTo->setBuddy(txbKeyfilePath);
    for (QLabel* label : {lblThePathTo, lblThereIs, lblGetStoreOps})
        label->setWordWrap(true);
    // The whole of a usual path fits without scrolling.
    txbKeyfilePath->setMinimumWidth(txbKeyfilePath->fontMetrics().averageCharWidth() * 72);

    auto* buttons = new QHBoxLayout;
    buttons->addWidget(cmdChangeKFP);
    buttons->addStretch(1);
    buttons->addWidget(cmdClose);

    auto* root = new QVBoxLayout(this);
    root->addWidget(lblThePathTo);
    root->addWidget(txbKeyfilePath);
    root->addWidget(lblThereIs);
    root->addSpacing(6);
    root->addWidget(lblGetStoreOps);
    root->addSpacing(6);
    root->addLayout(buttons);
    root->setSizeConstraint(QLayout::SetMinimumSize);

    setTabOrder(cmdClose, cmdChangeKFP);
    setTabOrder(cmdChangeKFP, txbKeyfilePath);
    // Enter keeps the path, the safe answer.
    cmdClose->setDefault(true);
    cmdChangeKFP->setAutoDefault(false);

    connect(cmdChangeKFP, &QPushButton::clicked, this, &frmSpecifyKeyfilePath::cmdChangeKFP_Click);
    connect(cmdClose, &QPushButton::clicked, this, &QDialog::accept);

    SetLanguageDependentText();
}

void frmSpecifyKeyfilePath::SetLanguageDependentText() {
    setWindowTitle(AccessKeys::plain(GetText(19)));
    lblThePathTo->setText(GetText(137));
    lblGetStoreOps->setText(GetText(138));
    cmdChangeKFP->setText(GetText(139));
    cmdClose->setText(GetText(172));
    txbKeyfilePath->setAccessibleName(AccessKeys::plain(lblThePathTo->text()));
    RefreshKeyfilePath();
    AccessKeys::Assign(this);
}

void frmSpecifyKeyfilePath::RefreshKeyfilePath() {
    const QString path = m_owner.keyfilePath();
    txbKeyfilePath->setText(shown(path));
    txbKeyfilePath->setCursorPosition(0);
    if (DiskProc::FileExists(path))
        lblThereIs->setText(GetText(164));
    else
        lblThereIs->setText(GetText(165) + QStringLiteral("  ") + GetText(171));
    cmdClose->setFocus();
}

void frmSpecifyKeyfilePath::showEvent(QShowEvent* event) {
    QDialog::showEvent(event);
    if (!event->spontaneous())
        RefreshKeyfilePath();
}

void frmSpecifyKeyfilePath::done(int result) {
    m_owner.WriteParametersFile();
    QDialog::done(result);
}

void frmSpecifyKeyfilePath::cmdChangeKFP_Click() {
    const QString oldPath = m_owner.keyfilePath();

    Seams::FileDialogRequest request;
    request.kind = Seams::FileDialogRequest::Save;
    request.title = GetText(166);
    const QString oldFolder = QFileInfo(oldPath).absolutePath();
    if (Folder::FolderExists(oldFolder))
        request.directory = oldFolder;
    // Choosing an existing file is how a user points the program at a keyfile kept
    // elsewhere; whether it is overwritten is asked below, with the copy.
    request.confirmOverwrite = false;
    const QString newPath = KeyEntry::TrimSpaces(Seams::ShowFileDialog(request));
    if (newPath.isEmpty()) {
        cmdClose->setFocus();
        return;
    }

    if (newPath == oldPath || KeyfilePath::SameFile(newPath, oldPath)) {
        Seams::MsgBox(GetText(360), Seams::Buttons::OK, Seams::Icon::Information, GetText(361));
        return;
    }
    const QString folder = KeyfilePath::FolderOfPath(newPath);
    if (!Folder::FolderExists(folder)) {
        Seams::MsgBox(shown(folder) + QLatin1Char(' ') + GetText(362) + CRLF, Seams::Buttons::OK,
                      Seams::Icon::Exclamation, GetText(13));
        return;
    }

    m_owner.setKeyfilePath(newPath);
    RefreshKeyfilePath();
    if (DiskProc::FileExists(oldPath))
        OfferCopy(oldPath, newPath);
    m_owner.WriteParametersFile();
    m_owner.markKeyListNotStored();
    cmdClose->setFocus();
}

void frmSpecifyKeyfilePath::OfferCopy(const QString& oldPath, const QString& newPath) {
    QString prompt = GetText(363) + CRLF + GetText(364) + QLatin1Char(' ') + shown(oldPath) + CRLF +
                     GetText(365) + QLatin1Char(' ') + shown(newPath) + QStringLiteral(" ?");
    const bool replaces = DiskProc::FileExists(newPath);
    if (replaces)
        prompt += CRLF + CRLF + GetText(366);
    // Overwriting a file that may be another keyfile is never the answer Enter gives.
    if (Seams::MsgBox(prompt, Seams::Buttons::YesNo, Seams::Icon::None, GetText(367),
                      replaces ? 2 : 1) != Seams::Answer::Yes)
        return;

    QString error;
    const bool copied = DiskProc::CopyFile(oldPath, newPath, error, true);
    RefreshKeyfilePath();
    if (!copied) {
        Seams::MsgBox(error, Seams::Buttons::OK, Seams::Icon::Exclamation, GetText(13));
        return;
    }
    if (Seams::MsgBox(GetText(368) + CRLF + shown(oldPath), Seams::Buttons::YesNo,
                      Seams::Icon::None, GetText(369)) != Seams::Answer::Yes)
        return;
    QFile old(oldPath);
    if (!old.remove())
        Seams::MsgBox(GetText(459) + CRLF + shown(oldPath) + CRLF + old.errorString(),
                      Seams::Buttons::OK, Seams::Icon::Exclamation, GetText(13));
}
