// SPDX-License-Identifier: GPL-3.0-or-later
#include "keys/frmkeydetails.h"

#include "keys/datepr2.h"
#include "keys/keyfrom.h"
#include "keys/keyrules.h"
#include "message/encdecmsg.h"
#include "support/accesskeys.h"
#include "support/twips.h"
#include "text/programtext.h"

#include <QFontDatabase>
#include <QGridLayout>
#include <QHBoxLayout>
#include <QLabel>
#include <QPushButton>
#include <QScreen>
#include <QVBoxLayout>

namespace KeyDetails {

namespace {

QString withoutTrailingSpaces(QString s) {
    while (s.endsWith(QLatin1Char(' ')))
        s.chop(1);
    return s;
}

} // namespace

QString BreakLongRuns(const QString& text, int width) {
    QString out;
    out.reserve(text.size() + text.size() / qMax(width, 1) + 1);
    int run = 0;
    for (const QChar c : text) {
        if (c == QLatin1Char(' ')) {
            run = 0;
        } else if (run == width) {
            out += QLatin1Char('\n');
            run = 0;
        }
        if (c != QLatin1Char(' '))
            ++run;
        out += c;
    }
    return out;
}

QString RemoveSpaces(const QString& text) {
    QString s = text;
    s.remove(QLatin1Char(' '));
    return s;
}

Parts TakeApart(const QString& entry, qint32 dateAdded, const QString& notSpecified) {
    Parts parts;
    parts.target = notSpecified;
    parts.date = notSpecified;
    const qsizetype p = entry.indexOf(QChar(0x00AB)); // «
    const qsizetype q = entry.indexOf(QChar(0x00BB)); // »
    if (p >= 0 && q > p) {
        // The entry was trimmed before " «" was put behind the target, so the spaces in front
        // of "«" are exactly that one separator.
        const QString target = withoutTrailingSpaces(entry.left(p));
        if (!target.isEmpty())
            parts.target = target;
        const QString date = entry.mid(p + 1, q - p - 1);
        if (!date.isEmpty())
            parts.date = date;
    }
    parts.key = EncDecMsg::CurrentKey(entry);
    parts.count = QString::number(RemoveSpaces(parts.key).size());
    parts.checksum = KeyRules::KeyChecksum(KeyRules::ReducedKey(parts.key));
    parts.dateAdded = DatePr2::JdnToText(dateAdded);
    return parts;
}

} // namespace KeyDetails

frmKeyDetails::frmKeyDetails(QWidget* parent) : QDialog(parent) {
    setObjectName(QStringLiteral("frmKeyDetails"));
    setWindowTitle(QStringLiteral("Key details"));

    const std::pair<std::array<QLabel*, 2>*, const char*> named[] = {
        {&lblTarget, "lblTarget"},     {&lblDate, "lblDate"},
        {&lblKey, "lblKey"},           {&lblNumChars, "lblNumChars"},
        {&lblChecksum, "lblChecksum"}, {&lblKeyAddedOn, "lblKeyAddedOn"},
    };
    auto* grid = new QGridLayout;
    grid->setColumnStretch(1, 1);
    grid->setColumnMinimumWidth(0, 12);
    grid->setHorizontalSpacing(0);
    int row = 0;
    for (const auto& [pair, name] : named) {
        for (int i = 0; i < 2; ++i) {
            (*pair)[i] = new QLabel(this);
            (*pair)[i]->setObjectName(QLatin1String(name) + QLatin1Char('_') + QString::number(i));
        }
        QLabel* value = (*pair)[1];
        value->setTextInteractionFlags(Qt::TextSelectableByMouse | Qt::TextSelectableByKeyboard);
        value->setTextFormat(Qt::PlainText);
        value->setWordWrap(true);
        // Each value below its caption: beside it, the long German captions and a long key
        // together would be wider than a small screen.
        grid->addWidget((*pair)[0], row, 0, 1, 2, Qt::AlignLeft | Qt::AlignTop);
        grid->addWidget(value, row + 1, 1, Qt::AlignTop);
        row += 2;
    }
    // The key as in the key entry box: fixed-pitch, so that 0 and O, 1 and l stand apart.
    QFont fixed = QFontDatabase::systemFont(QFontDatabase::FixedFont);
    fixed.setPointSizeF(font().pointSizeF());
    lblKey[1]->setFont(fixed);

    cmdClose = new QPushButton(QStringLiteral("Close"), this);
    cmdClose->setObjectName(QStringLiteral("cmdClose"));
    cmdClose->setDefault(true);
    connect(cmdClose, &QPushButton::clicked, this, &QDialog::accept);

    auto* buttons = new QHBoxLayout;
    buttons->addStretch(1);
    buttons->addWidget(cmdClose);

    auto* root = new QVBoxLayout(this);
    root->addLayout(grid);
    root->addSpacing(6);
    root->addLayout(buttons);
    root->setSizeConstraint(QLayout::SetMinimumSize);
    setMinimumWidth(fontMetrics().averageCharWidth() * 80);

    SetLanguageDependentText();
}

std::array<std::array<QLabel*, 2>*, 6> frmKeyDetails::pairs() {
    return {&lblTarget, &lblDate, &lblKey, &lblNumChars, &lblChecksum, &lblKeyAddedOn};
}

void frmKeyDetails::SetLanguageDependentText() {
    setWindowTitle(AccessKeys::plain(GetText(163)));
    lblTarget[0]->setText(GetText(131));
    lblDate[0]->setText(GetText(132));
    lblKey[0]->setText(GetText(110) + QLatin1Char(':'));
    lblNumChars[0]->setText(GetText(135));
    lblChecksum[0]->setText(GetText(136));
    lblKeyAddedOn[0]->setText(GetText(134));
    cmdClose->setText(GetText(101));
    NameValues();
    AccessKeys::Assign(this);
}

void frmKeyDetails::NameValues() {
    // A screen reader reads a label by its name: the caption with the value, so that the
    // checksum can be read aloud and compared.
    for (std::array<QLabel*, 2>* pair : pairs()) {
        QString caption = (*pair)[0]->text();
        if (caption.endsWith(QLatin1Char(':')))
            caption.chop(1);
        // The value without the line breaks put in for the screen.
        const QString value = (*pair)[1]->text().remove(QLatin1Char('\n')).trimmed();
        (*pair)[1]->setAccessibleName(value.isEmpty() ? caption
                                                      : caption + QStringLiteral(": ") + value);
    }
}

void frmKeyDetails::ShowEntry(const QString& entry, qint32 dateAdded) {
    const QString notSpecified = QLatin1Char('[') + GetText(133) + QLatin1Char(']');
    const KeyDetails::Parts parts = KeyDetails::TakeApart(entry, dateAdded, notSpecified);
    // A key or address without spaces cannot be wrapped at a word: it is broken in lines of
    // its own, so the window fits a small screen. The names read out keep it whole.
    lblTarget[1]->setText(KeyDetails::BreakLongRuns(parts.target, kValueColumnChars));
    lblDate[1]->setText(parts.date);
    lblKey[1]->setText(KeyDetails::BreakLongRuns(parts.key, kValueColumnChars));
    lblNumChars[1]->setText(parts.count);
    // Written as the key entry dialog writes it.
    lblChecksum[1]->setText(QLatin1Char(' ') + QString::number(parts.checksum));
    lblKeyAddedOn[1]->setText(parts.dateAdded);
    NameValues();
    frmKeyFrom::instance().intKeyChecksum = parts.checksum;
}

void frmKeyDetails::placeBelow(const QWidget* mainWindow) {
    ensurePolished();
    adjustSize();
    const QRect main = mainWindow->frameGeometry();
    const QRect inner = mainWindow->geometry();
    const QMargins frame(inner.left() - main.left(), inner.top() - main.top(),
                         main.right() - inner.right(), main.bottom() - inner.bottom());
    QRect outer = QRect(QPoint(0, 0), size()).marginsAdded(frame);
    outer.moveTopLeft(QPoint(main.left(), main.top() + twipsToPixels(3775)));
    // Low on the screen the window would hang over the edge: lift it just enough.
    if (const QScreen* screen = mainWindow->screen()) {
        const QRect avail = screen->availableGeometry();
        outer.moveBottom(qMin(outer.bottom(), avail.bottom()));
        outer.moveRight(qMin(outer.right(), avail.right()));
        outer.moveTop(qMax(outer.top(), avail.top()));
        outer.moveLeft(qMax(outer.left(), avail.left()));
    }
    move(outer.topLeft());
}
