#include "app/quit_signals.h"

#include <fcntl.h>
#include <unistd.h>

#include <cerrno>
#include <cstring>

#include <QSocketNotifier>

namespace tarvos {

namespace {

constexpr int kSignals[3] = {SIGTERM, SIGINT, SIGHUP};

// The write end of the pipe, for the handler: -1 while no QuitSignals object exists.
volatile std::sig_atomic_t gWakeFd = -1;

void OnQuitSignal(int signalNumber) {
    const int savedErrno = errno;
    const unsigned char byte = static_cast<unsigned char>(signalNumber);
    // Non-blocking: a full pipe already holds a request, so a lost byte loses nothing.
    [[maybe_unused]] const ssize_t written = ::write(gWakeFd, &byte, 1);
    errno = savedErrno;
}

Error SystemError(const char* what) { return Error{std::string(what) + ": " + std::strerror(errno), errno}; }

}  // namespace

QuitSignals::QuitSignals(QObject* parent) : QObject(parent) {
    if (gWakeFd != -1) {
        installed_ = Error{"the quit signals are already taken by another object"};
        return;
    }
    if (::pipe2(pipe_, O_CLOEXEC | O_NONBLOCK) != 0) {
        installed_ = SystemError("no pipe for the quit signals");
        return;
    }
    gWakeFd = pipe_[1];
    notifier_ = new QSocketNotifier(pipe_[0], QSocketNotifier::Read, this);
    connect(notifier_, &QSocketNotifier::activated, this, &QuitSignals::Drain);

    struct sigaction action = {};
    action.sa_handler = OnQuitSignal;
    sigemptyset(&action.sa_mask);
    action.sa_flags = SA_RESTART | SA_RESETHAND;
    for (int i = 0; i < 3; ++i) {
        if (::sigaction(kSignals[i], &action, &previous_[i]) != 0) {
            installed_ = SystemError("quit signal handler not installed");
            return;
        }
        replaced_[i] = true;
    }
}

QuitSignals::~QuitSignals() {
    for (int i = 0; i < 3; ++i)
        if (replaced_[i]) ::sigaction(kSignals[i], &previous_[i], nullptr);
    if (pipe_[1] != -1) gWakeFd = -1;
    delete notifier_;
    for (int fd : pipe_)
        if (fd != -1) ::close(fd);
}

void QuitSignals::Drain() {
    unsigned char bytes[16];
    ssize_t count = 0;
    int last = 0;
    while ((count = ::read(pipe_[0], bytes, sizeof bytes)) > 0) last = bytes[count - 1];
    if (last != 0) emit quitRequested(last);
}

}  // namespace tarvos
