#include "wire/instrument_server.h"

#include <arpa/inet.h>
#include <fcntl.h>
#include <netinet/in.h>
#include <poll.h>
#include <sys/socket.h>
#include <unistd.h>

#include <cerrno>
#include <cstring>
#include <thread>
#include <vector>

#include "wire/line_settings.h"

namespace tarvos::wire {
namespace {

using Steady = std::chrono::steady_clock;

// How long the pseudo-terminal is left alone while no program has its slave open: the master
// reports a hang-up until one does.
constexpr auto kNoClientPause = std::chrono::milliseconds(20);
// The longest a reply waits for room on the line before it is dropped.
constexpr int kWriteLimitMs = 2000;
// The longest command line taken; a longer run of bytes without a line feed is garbage.
constexpr std::size_t kLongestCommand = 1 << 16;

Error SystemError(const std::string& what) { return Error{what + ": " + std::strerror(errno), errno}; }

void WriteAll(int fd, const std::string& text) {
    std::size_t done = 0;
    while (done < text.size()) {
        pollfd p{fd, POLLOUT, 0};
        if (::poll(&p, 1, kWriteLimitMs) <= 0) return;
        const ssize_t n = ::write(fd, text.data() + done, text.size() - done);
        if (n < 0 && (errno == EINTR || errno == EAGAIN)) continue;
        if (n <= 0) return;
        done += static_cast<std::size_t>(n);
    }
}

}  // namespace

InstrumentServer::InstrumentServer(InstrumentSession& session, ServerOptions options, std::ostream& log)
    : session_(session), options_(std::move(options)), log_(log) {}

InstrumentServer::~InstrumentServer() {
    ClosePty();
    if (tcp_.fd >= 0) ::close(tcp_.fd);
    if (listener_ >= 0) ::close(listener_);
}

Status InstrumentServer::Open() {
    if (options_.pty) {
        if (Status opened = OpenPty(); !opened.ok()) return opened;
    }
    if (options_.tcpPort) {
        if (Status opened = OpenTcp(); !opened.ok()) return opened;
    }
    log_ << std::flush;
    return {};
}

Status InstrumentServer::OpenPty() {
    const int master = ::posix_openpt(O_RDWR | O_NOCTTY | O_NONBLOCK | O_CLOEXEC);
    if (master < 0) return SystemError("no pseudo-terminal");
    pty_.fd = master;
    pty_.pty = true;
    pty_.pending.clear();
    if (::grantpt(master) != 0 || ::unlockpt(master) != 0) return SystemError("cannot unlock the pseudo-terminal");
    char name[128];
    if (::ptsname_r(master, name, sizeof name) != 0) return SystemError("no name for the pseudo-terminal");
    slavePath_ = name;
    // The line starts with the instrument's own settings in raw mode: a program that opens it
    // without setting anything talks as the instrument does, and nothing is echoed back.
    const int slave = ::open(name, O_RDWR | O_NOCTTY | O_CLOEXEC);
    if (slave < 0) return SystemError("cannot open " + slavePath_);
    const int set = ::tcsetattr(slave, TCSANOW, &options_.line);
    ::close(slave);
    if (set != 0) return SystemError("cannot set up " + slavePath_);
    log_ << "pty: " << slavePath_ << '\n';
    if (options_.link) {
        // Replaced in one step: a link left by an instrument that was killed points here now.
        const std::filesystem::path temporary = options_.link->string() + ".new";
        std::error_code error;
        std::filesystem::remove(temporary, error);
        std::filesystem::create_symlink(slavePath_, temporary, error);
        if (!error) std::filesystem::rename(temporary, *options_.link, error);
        if (error) return Error{"cannot link " + options_.link->string() + ": " + error.message()};
        log_ << "link: " << options_.link->string() << '\n';
    }
    ptyIdleUntil_ = {};
    return {};
}

void InstrumentServer::ClosePty() {
    if (pty_.fd < 0) return;
    ::close(pty_.fd);
    pty_.fd = -1;
    if (options_.link) {
        // Only our own link goes: a newer instrument may have taken the name meanwhile.
        std::error_code error;
        if (std::filesystem::read_symlink(*options_.link, error) == slavePath_) std::filesystem::remove(*options_.link, error);
    }
}

Status InstrumentServer::OpenTcp() {
    listener_ = ::socket(AF_INET, SOCK_STREAM | SOCK_NONBLOCK | SOCK_CLOEXEC, 0);
    if (listener_ < 0) return SystemError("no socket");
    const int one = 1;
    ::setsockopt(listener_, SOL_SOCKET, SO_REUSEADDR, &one, sizeof one);
    sockaddr_in address{};
    address.sin_family = AF_INET;
    address.sin_addr.s_addr = htonl(INADDR_LOOPBACK);
    address.sin_port = htons(static_cast<std::uint16_t>(*options_.tcpPort));
    if (::bind(listener_, reinterpret_cast<sockaddr*>(&address), sizeof address) != 0)
        return SystemError("cannot use TCP port " + std::to_string(*options_.tcpPort));
    if (::listen(listener_, 4) != 0) return SystemError("cannot listen");
    socklen_t size = sizeof address;
    ::getsockname(listener_, reinterpret_cast<sockaddr*>(&address), &size);
    tcpPort_ = ntohs(address.sin_port);
    log_ << "tcp: 127.0.0.1:" << tcpPort_ << '\n';
    return {};
}

bool InstrumentServer::SettingsMatch() const {
    // On Linux the master side's termios calls reach the slave's settings: those the program at
    // the other end set.
    termios client{};
    if (::tcgetattr(pty_.fd, &client) != 0) return false;
    return SameLineSettings(client, options_.line);
}

void InstrumentServer::Run(const std::atomic<int>& stop) {
    while (stop.load() == 0) {
        std::vector<pollfd> fds;
        const bool ptyListening = pty_.fd >= 0 && Steady::now() >= ptyIdleUntil_;
        if (ptyListening) fds.push_back({pty_.fd, POLLIN, 0});
        if (listener_ >= 0 && tcp_.fd < 0) fds.push_back({listener_, POLLIN, 0});
        if (tcp_.fd >= 0) fds.push_back({tcp_.fd, POLLIN, 0});
        const int wait = ptyListening || pty_.fd < 0 ? 100 : static_cast<int>(kNoClientPause.count());
        const int ready = ::poll(fds.data(), fds.size(), wait);
        if (ready <= 0) continue;
        for (const pollfd& p : fds) {
            if (p.revents == 0) continue;
            if (p.fd == pty_.fd) {
                // POLLHUP without data: no program has the slave open.
                if (!(p.revents & POLLIN) || !ReadFrom(pty_)) ptyIdleUntil_ = Steady::now() + kNoClientPause;
            } else if (p.fd == listener_) {
                tcp_.fd = ::accept4(listener_, nullptr, nullptr, SOCK_NONBLOCK | SOCK_CLOEXEC);
                tcp_.pending.clear();
            } else if (p.fd == tcp_.fd && !ReadFrom(tcp_)) {
                ::close(tcp_.fd);
                tcp_.fd = -1;
            }
        }
    }
}

bool InstrumentServer::ReadFrom(Client& client) {
    char buffer[4096];
    const ssize_t n = ::read(client.fd, buffer, sizeof buffer);
    if (n < 0 && (errno == EINTR || errno == EAGAIN)) return true;
    if (n <= 0) return false;
    if (client.pty && !SettingsMatch()) {
        // Characters at another baud rate, size, parity or stop bits arrive as garbage.
        client.pending.clear();
        return true;
    }
    client.pending.append(buffer, static_cast<std::size_t>(n));
    std::size_t end;
    while (client.fd >= 0 && (end = client.pending.find('\n')) != std::string::npos) {
        std::string command = client.pending.substr(0, end);
        client.pending.erase(0, end + 1);
        if (!command.empty() && command.back() == '\r') command.pop_back();
        Answer(client, command);
    }
    if (client.pending.size() > kLongestCommand) client.pending.clear();
    return true;
}

void InstrumentServer::Answer(Client& client, const std::string& command) {
    ++commands_;
    const LineFaults& f = options_.faults;
    if (f.silent || hanging_) return;
    if (f.hangAfter > 0 && commands_ > f.hangAfter) {
        hanging_ = true;
        log_ << "hanging after " << f.hangAfter << " commands\n" << std::flush;
        return;
    }
    std::optional<std::string> reply = session_.Execute(command);
    if (reply) {
        if (f.garbleEvery > 0 && ++replies_ % f.garbleEvery == 0 && !reply->empty()) (*reply)[reply->size() / 2] ^= 0x80;
        auto delay = std::chrono::duration<double>(f.slowMs / 1000.0);
        if (client.pty) {
            // The characters of the command and of the reply, one after the other on the line.
            const double characters = static_cast<double>(command.size() + reply->size() + 2);
            delay += std::chrono::duration<double>(characters * BitsPerCharacter(options_.line) /
                                                   std::max(BaudRateOf(options_.line), 1));
        }
        std::this_thread::sleep_for(delay);
        WriteAll(client.fd, *reply + "\n");
    }
    if (f.dropAfter > 0 && commands_ >= f.dropAfter && !dropped_) Drop(client);
}

void InstrumentServer::Drop(Client& client) {
    dropped_ = true;
    log_ << "line dropped after " << commands_ << " commands\n";
    if (client.pty) {
        // The cable is pulled and put back: the old line is gone, a new one takes the link.
        ClosePty();
        if (Status reopened = OpenPty(); !reopened.ok()) log_ << "kvr-instrument: " << reopened.error().message << '\n';
    } else {
        ::close(client.fd);
        client.fd = -1;
    }
    log_ << std::flush;
}

}  // namespace tarvos::wire
