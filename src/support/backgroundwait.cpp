// SPDX-License-Identifier: GPL-3.0-or-later
#include "support/backgroundwait.h"

#include "support/progresswindow.h"
#include "support/seams.h"
#include "text/programtext.h"

#include <QApplication>
#include <QCloseEvent>
#include <QEventLoop>
#include <QFutureWatcher>
#include <QPointer>
#include <QScopeGuard>
#include <QTimer>

namespace BackgroundWait {

struct Access {
    static Scope* current;
    static QString caption(const Scope* s) { return s->m_caption; }
    static QWidget* allowed(const Scope* s) { return s->m_allowed; }
};
Scope* Access::current = nullptr;

namespace {

int g_progressDelay = kProgressDelay;
int g_waits = 0;

bool isInput(QEvent::Type type) {
    switch (type) {
    case QEvent::MouseButtonPress:
    case QEvent::MouseButtonRelease:
    case QEvent::MouseButtonDblClick:
    case QEvent::Wheel:
    case QEvent::KeyPress:
    case QEvent::KeyRelease:
    case QEvent::ShortcutOverride:
    case QEvent::Shortcut:
    case QEvent::ContextMenu:
    case QEvent::TouchBegin:
    case QEvent::TouchUpdate:
    case QEvent::TouchEnd:
    case QEvent::TabletPress:
    case QEvent::TabletRelease:
    case QEvent::Drop:
        return true;
    default:
        return false;
    }
}

// Holds back input to every window but the allowed ones while it exists, and turns the
// close of a window into a cancel of the wait.
class InputBlocker final : public QObject {
public:
    InputBlocker(QWidget* allowed, std::function<void()> cancel)
        : m_allowed(allowed), m_cancel(std::move(cancel)) {
        qApp->installEventFilter(this);
    }
    ~InputBlocker() override {
        qApp->removeEventFilter(this);
        // Closed again now that the command is over; the close then asks what it asks.
        for (const QPointer<QWidget>& w : m_closed)
            if (w)
                QTimer::singleShot(0, w.data(), [w] { w->close(); });
    }
    void allow(QWidget* w) { m_progress = w; }
    bool cancelled() const { return !m_closed.isEmpty(); }

protected:
    bool eventFilter(QObject* object, QEvent* event) override {
        if (!object->isWidgetType())
            return false;
        auto* widget = static_cast<QWidget*>(object);
        QWidget* window = widget->window();
        if (isAllowed(window))
            return false;
        if (event->type() == QEvent::Close && widget->isWindow()) {
            event->ignore();
            if (!m_closed.contains(widget))
                m_closed.append(widget);
            m_cancel();
            return true;
        }
        return isInput(event->type());
    }

private:
    bool isAllowed(QWidget* window) const {
        return (m_progress && window == m_progress) || (m_allowed && window == m_allowed) ||
               // dialogs the allowed window opens (its message boxes) keep their input
               (m_allowed && window->parentWidget() &&
                window->parentWidget()->window() == m_allowed);
    }

    QPointer<QWidget> m_allowed;
    QPointer<QWidget> m_progress;
    std::function<void()> m_cancel;
    QList<QPointer<QWidget>> m_closed;
};

} // namespace

Scope::Scope(const QString& caption, QWidget* allowed)
    : m_outer(Access::current), m_caption(caption), m_allowed(allowed) {
    Access::current = this;
}

Scope::~Scope() {
    Access::current = m_outer;
}

void setProgressDelay(int ms) {
    g_progressDelay = ms;
}

bool waiting() {
    return g_waits > 0;
}

bool waitFor(const QFuture<void>& work, const QString& text) {
    if (work.isFinished())
        return true;
    if (!qobject_cast<QApplication*>(QCoreApplication::instance())) {
        QFuture<void>(work).waitForFinished();
        return true;
    }

    const Scope* scope = Access::current;
    QWidget* allowed = scope ? Access::allowed(scope) : nullptr;
    const QString caption = scope && !Access::caption(scope).isEmpty()
                                ? Access::caption(scope)
                                : QApplication::applicationDisplayName();

    ++g_waits;
    const auto done = qScopeGuard([] { --g_waits; });
    QEventLoop loop;
    QPointer<frmProgress> progress;
    bool cancelled = false;
    const auto cancel = [&] {
        cancelled = true;
        loop.quit();
        if (progress)
            progress->reject();
    };
    InputBlocker blocker(allowed, cancel);
    QFutureWatcher<void> watcher;
    QObject::connect(&watcher, &QFutureWatcherBase::finished, &loop, &QEventLoop::quit);
    watcher.setFuture(work);
    QApplication::setOverrideCursor(Qt::BusyCursor);

    // A moment first, without a window: most waits end here.
    QTimer delay;
    delay.setSingleShot(true);
    QObject::connect(&delay, &QTimer::timeout, &loop, &QEventLoop::quit);
    if (!allowed)
        delay.start(g_progressDelay);
    while (!cancelled && !work.isFinished() && (allowed || delay.isActive()))
        loop.exec();

    if (!cancelled && !work.isFinished()) {
        frmProgress window(caption, text.isEmpty() ? GetText(583) : text, Seams::dialogParent());
        progress = &window;
        blocker.allow(&window);
        QObject::connect(&watcher, &QFutureWatcherBase::finished, &window, &QDialog::accept);
        QApplication::restoreOverrideCursor(); // Cancel must look clickable
        if (work.isFinished())
            window.setResult(QDialog::Accepted);
        else if (Seams::ShowModal(&window) != QDialog::Accepted)
            cancelled = true;
        QApplication::setOverrideCursor(Qt::BusyCursor);
        progress = nullptr;
    }
    QApplication::restoreOverrideCursor();
    return !cancelled && work.isFinished();
}

} // namespace BackgroundWait
