// SPDX-License-Identifier: GPL-3.0-or-later
#include "support/seams.h"

#include "text/programtext.h"

#include <QApplication>
#include <QDialog>
#include <QFileDialog>
#include <QMessageBox>
#include <QPushButton>

namespace Seams {
namespace {

QMessageBox::Icon qtIcon(Icon icon) {
    switch (icon) {
    case Icon::Critical:
        return QMessageBox::Critical;
    case Icon::Question:
        return QMessageBox::Question;
    case Icon::Exclamation:
        return QMessageBox::Warning;
    case Icon::Information:
        return QMessageBox::Information;
    case Icon::None:
        break;
    }
    return QMessageBox::NoIcon;
}

QString buttonCaption(Answer a, bool german) {
    switch (a) {
    case Answer::OK:
        return QStringLiteral("OK");
    case Answer::Cancel:
        return german ? QStringLiteral("Abbrechen") : QStringLiteral("Cancel");
    case Answer::Yes:
        return german ? QStringLiteral("&Ja") : QStringLiteral("&Yes");
    case Answer::No:
        return german ? QStringLiteral("&Nein") : QStringLiteral("&No");
    }
    return {};
}

void (*g_beforeDialog)() = nullptr;

void beforeDialog() {
    if (g_beforeDialog)
        g_beforeDialog();
}

class QtMessageBoxes final : public MessageBoxes {
public:
    Answer show(const MessageBoxRequest& r) override {
        beforeDialog();
        QMessageBox box(qtIcon(r.icon), r.title, r.prompt, QMessageBox::NoButton, dialogParent());
        if (r.title.isEmpty())
            box.setWindowTitle(QApplication::applicationDisplayName());
        QList<QPair<QMessageBox::StandardButton, Answer>> order;
        switch (r.buttons) {
        case Buttons::OK:
            order = {{QMessageBox::Ok, Answer::OK}};
            break;
        case Buttons::OKCancel:
            order = {{QMessageBox::Ok, Answer::OK}, {QMessageBox::Cancel, Answer::Cancel}};
            break;
        case Buttons::YesNo:
            order = {{QMessageBox::Yes, Answer::Yes}, {QMessageBox::No, Answer::No}};
            break;
        case Buttons::YesNoCancel:
            order = {{QMessageBox::Yes, Answer::Yes},
                     {QMessageBox::No, Answer::No},
                     {QMessageBox::Cancel, Answer::Cancel}};
            break;
        }
        QMessageBox::StandardButtons set;
        for (const auto& p : order)
            set |= p.first;
        box.setStandardButtons(set);
        // The buttons speak the program's language, not the system's: prompts tell the user
        // which button to press by its caption.
        const bool german = ProgramText::language() == ProgramText::German;
        for (const auto& p : order)
            box.button(p.first)->setText(buttonCaption(p.second, german));
        const int def = qBound(1, r.defaultButton, int(order.size())) - 1;
        box.setDefaultButton(order[def].first);
        if (r.buttons == Buttons::YesNo)
            box.setEscapeButton(QMessageBox::No);
        const auto pressed = static_cast<QMessageBox::StandardButton>(box.exec());
        for (const auto& p : order)
            if (p.first == pressed)
                return p.second;
        return order.size() > 1 ? order.last().second : order.first().second;
    }
};

class QtFileDialogs final : public FileDialogs {
public:
    QString run(const FileDialogRequest& r) override {
        beforeDialog();
        QString start = r.fileName;
        if (!r.directory.isEmpty() && !r.fileName.contains(QLatin1Char('/')))
            start = r.directory + QLatin1Char('/') + r.fileName;
        if (r.kind == FileDialogRequest::Open)
            return QFileDialog::getOpenFileName(dialogParent(), r.title, start, r.filter);
        QFileDialog::Options options;
        if (!r.confirmOverwrite)
            options |= QFileDialog::DontConfirmOverwrite;
        return QFileDialog::getSaveFileName(dialogParent(), r.title, start, r.filter, nullptr,
                                            options);
    }
};

class QtModalRunner final : public ModalRunner {
public:
    int exec(QDialog* dialog) override {
        beforeDialog();
        return dialog->exec();
    }
};

QtMessageBoxes g_qtBoxes;
QtFileDialogs g_qtDialogs;
QtModalRunner g_qtModal;
MessageBoxes* g_boxes = &g_qtBoxes;
FileDialogs* g_dialogs = &g_qtDialogs;
ModalRunner* g_modal = &g_qtModal;

} // namespace

Answer MsgBox(const QString& prompt, Buttons buttons, Icon icon, const QString& title,
              int defaultButton) {
    return g_boxes->show({prompt, buttons, icon, title, defaultButton});
}

QString ShowFileDialog(const FileDialogRequest& request) {
    return g_dialogs->run(request);
}

int ShowModal(QDialog* dialog) {
    return g_modal->exec(dialog);
}

void setMessageBoxes(MessageBoxes* impl) {
    g_boxes = impl ? impl : &g_qtBoxes;
}
void setFileDialogs(FileDialogs* impl) {
    g_dialogs = impl ? impl : &g_qtDialogs;
}
void setModalRunner(ModalRunner* impl) {
    g_modal = impl ? impl : &g_qtModal;
}
void setBeforeDialog(void (*hook)()) {
    g_beforeDialog = hook;
}

QWidget* dialogParent() {
    return QApplication::activeWindow();
}

} // namespace Seams
