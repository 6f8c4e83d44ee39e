// SIGTERM, SIGINT and SIGHUP (a `kill`, Ctrl+C, a closed terminal) as a Qt signal on the window
// thread, so that the window program can end in order from its event loop: the handler itself
// only writes one byte into a pipe that a socket notifier watches.
#pragma once

#include <csignal>

#include <QObject>

#include "platform/result.h"

class QSocketNotifier;

namespace tarvos {

class QuitSignals final : public QObject {
    Q_OBJECT
public:
    // Installs the handlers; one object at a time in a process. The first of these signals asks
    // for the orderly end; a second one of the same kind ends the program at once as it would
    // have without this object (for an end that hangs).
    explicit QuitSignals(QObject* parent = nullptr);
    // Puts the previous handlers back.
    ~QuitSignals() override;
    QuitSignals(const QuitSignals&) = delete;
    QuitSignals& operator=(const QuitSignals&) = delete;

    // Whether the handlers are in place (what failed, otherwise).
    const Status& Installed() const { return installed_; }

signals:
    void quitRequested(int signalNumber);

private:
    void Drain();

    Status installed_;
    int pipe_[2] = {-1, -1};
    QSocketNotifier* notifier_ = nullptr;
    struct sigaction previous_[3] = {};
    bool replaced_[3] = {false, false, false};
};

}  // namespace tarvos
