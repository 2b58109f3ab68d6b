// SPDX-License-Identifier: GPL-3.0-or-later
#include "support/scripted.h"

#include <QCoreApplication>
#include <QDialog>
#include <QEventLoop>
#include <utility>

namespace Seams {

namespace {
Answer defaultAnswer(const MessageBoxRequest& r) {
    QList<Answer> order;
    switch (r.buttons) {
    case Buttons::OK:
        order = {Answer::OK};
        break;
    case Buttons::OKCancel:
        order = {Answer::OK, Answer::Cancel};
        break;
    case Buttons::YesNo:
        order = {Answer::Yes, Answer::No};
        break;
    case Buttons::YesNoCancel:
        order = {Answer::Yes, Answer::No, Answer::Cancel};
        break;
    }
    return order[qBound(1, r.defaultButton, int(order.size())) - 1];
}
} // namespace

ScriptedMessageBoxes::ScriptedMessageBoxes() { setMessageBoxes(this); }
ScriptedMessageBoxes::~ScriptedMessageBoxes() { setMessageBoxes(nullptr); }

Answer ScriptedMessageBoxes::show(const MessageBoxRequest& request) {
    shown.append(request);
    if (onShow)
        onShow(request);
    return answers.isEmpty() ? defaultAnswer(request) : answers.dequeue();
}

ScriptedFileDialogs::ScriptedFileDialogs() { setFileDialogs(this); }
ScriptedFileDialogs::~ScriptedFileDialogs() { setFileDialogs(nullptr); }

QString ScriptedFileDialogs::run(const FileDialogRequest& request) {
    shown.append(request);
    return answers.isEmpty() ? QString() : answers.dequeue();
}

ScriptedModals::ScriptedModals() { setModalRunner(this); }
ScriptedModals::~ScriptedModals() { setModalRunner(nullptr); }

int ScriptedModals::exec(QDialog* dialog) {
    if (dialog->objectName() == QLatin1String("frmProgress")) {
        ++progressShown;
        dialog->setResult(QDialog::Rejected);
        QEventLoop loop;
        QObject::connect(dialog, &QDialog::finished, &loop, &QEventLoop::quit);
        dialog->show();
        QCoreApplication::processEvents();
        if (onProgress)
            onProgress(dialog);
        if (dialog->isVisible())
            loop.exec();
        return dialog->result();
    }
    dialog->setResult(QDialog::Rejected);
    dialog->show();
    QCoreApplication::processEvents();
    const auto next = std::exchange(answerNext, {});
    if (next && next(dialog)) {
        ++answeredByNext;
    } else {
        shown.append(dialog->objectName());
        if (!scripts.isEmpty())
            scripts.dequeue()(dialog);
    }
    QCoreApplication::processEvents();
    if (dialog->isVisible())
        dialog->reject();
    return dialog->result();
}

} // namespace Seams
