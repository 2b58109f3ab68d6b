// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once
// Scripted stand-ins for the platform seams, for tests: each records what the program
// asked for and answers from a queue. Constructing one installs it; destroying it
// restores the real implementation.
#include "support/seams.h"

#include <QList>
#include <QQueue>
#include <functional>

namespace Seams {

class ScriptedMessageBoxes final : public MessageBoxes {
public:
    ScriptedMessageBoxes();
    ~ScriptedMessageBoxes() override;

    // Answers given in order; when the queue is empty a box is answered with its
    // default button.
    void answer(Answer a) { answers.enqueue(a); }
    Answer show(const MessageBoxRequest& request) override;

    // Convenience for checks: the prompt of the last box, or empty.
    QString lastPrompt() const { return shown.isEmpty() ? QString() : shown.last().prompt; }

    QList<MessageBoxRequest> shown;
    QQueue<Answer> answers;
    // Called while a box is "open" (after it is recorded), e.g. to inspect state.
    std::function<void(const MessageBoxRequest&)> onShow;
};

class ScriptedFileDialogs final : public FileDialogs {
public:
    ScriptedFileDialogs();
    ~ScriptedFileDialogs() override;

    void answer(const QString& path) { answers.enqueue(path); } // empty: cancel
    QString run(const FileDialogRequest& request) override;

    QList<FileDialogRequest> shown;
    QQueue<QString> answers;
};

// Runs each modal dialog as a non-blocking window and hands it to the next queued script,
// which types and clicks as a user would. A dialog the script leaves open is rejected.
class ScriptedModals final : public ModalRunner {
public:
    using Script = std::function<void(QDialog*)>;
    ScriptedModals();
    ~ScriptedModals() override;

    void script(Script s) { scripts.enqueue(std::move(s)); }
    int exec(QDialog* dialog) override;

    QStringList shown; // objectName of every dialog shown, in order
    QQueue<Script> scripts;
    // Offered the next dialog only, before the queue; true when it answered the dialog (the
    // key fixtures answer a repeated master key there, when the program asks for one).
    std::function<bool(QDialog*)> answerNext;
    int answeredByNext = 0; // such dialogs are not in shown

    // The progress window of a wait for a worker (frmProgress) shows only when the work
    // takes a while, so it neither takes a script from the queue nor counts in shown: it
    // goes to onProgress when set (which may click Cancel), and otherwise stays until the
    // work is done, as a user who waits would leave it.
    Script onProgress;
    int progressShown = 0;
};

} // namespace Seams
