// SPDX-License-Identifier: GPL-3.0-or-later
// Linked into the start-up probes: as soon as the first window has been exposed and painted,
// prints the marker the benchmark waits for and ends the process at once.
#include "startup_hook.h"

#include <QCoreApplication>
#include <QEvent>
#include <QTimer>

#include <cstdlib>
#include <unistd.h>

namespace {

void (*g_beforeExit)() = nullptr;

class FirstExposure : public QObject {
public:
    using QObject::QObject;

protected:
    bool eventFilter(QObject* watched, QEvent* event) override {
        if (!m_seen && event->type() == QEvent::Expose && watched->isWindowType()) {
            m_seen = true;
            // A zero timer fires once the expose event, and the paint it triggers, is done.
            QTimer::singleShot(0, [] {
                static const char marker[] = "TESSAMAIL_WINDOW_SHOWN\n";
                [[maybe_unused]] const auto n = write(STDOUT_FILENO, marker, sizeof marker - 1);
                if (g_beforeExit)
                    g_beforeExit();
                std::_Exit(0);
            });
        }
        return false;
    }

private:
    bool m_seen = false;
};

void installProbe() {
    QCoreApplication::instance()->installEventFilter(
        new FirstExposure(QCoreApplication::instance()));
}

} // namespace

void Bench::setBeforeExit(void (*action)()) {
    g_beforeExit = action;
}

Q_COREAPP_STARTUP_FUNCTION(installProbe)
