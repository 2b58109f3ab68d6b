// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once
// Waiting for work that runs on a worker thread, the way a desktop program should: the
// GUI thread keeps its event loop (windows repaint, timers fire), input to the windows is
// held back meanwhile, and a wait longer than a moment shows a progress window with the
// command's caption, a busy indicator and Cancel. The progress window is shown through
// Seams::ShowModal, so a test can drive it.
//
// A cancelled wait leaves the work running to its end: the work must own everything it
// touches, and its result is for the caller to drop. A window closed during the wait
// cancels it and is closed again once the wait is over, so the close runs its usual course
// (offers to store the keys...) instead of pulling the window away under the command.
#include <QFuture>
#include <QString>

class QWidget;

namespace BackgroundWait {

// How the waits of one command show themselves; in force while it exists (nested: the
// innermost counts).
class Scope {
public:
    // caption: the command's caption (the progress window's title). allowed: a window that
    // keeps its input during the wait (the self-test's, whose Stop and Close must work); the
    // wait then shows no progress window, that window shows the progress itself.
    explicit Scope(const QString& caption, QWidget* allowed = nullptr);
    ~Scope();
    Scope(const Scope&) = delete;
    Scope& operator=(const Scope&) = delete;

private:
    Scope* m_outer;
    QString m_caption;
    QWidget* m_allowed;
    friend struct Access;
};

// Waits until work has finished: true; false when the user cancelled (Cancel, Escape, or
// closing a window). Without a running application it simply blocks. text: the progress
// window's line when it is not the usual one.
bool waitFor(const QFuture<void>& work, const QString& text = QString());

// True while a wait is under way (work that starts on its own, such as a key derived ahead,
// holds back meanwhile).
bool waiting();

// Tests: how long a wait goes on before the progress window shows (default 400 ms).
void setProgressDelay(int ms);
constexpr int kProgressDelay = 400;

} // namespace BackgroundWait
