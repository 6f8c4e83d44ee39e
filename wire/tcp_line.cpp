// TCP connections to an instrument (the remote host and port settings).
#include <fcntl.h>
#include <netdb.h>
#include <netinet/in.h>
#include <netinet/tcp.h>
#include <poll.h>
#include <sys/socket.h>
#include <unistd.h>

#include <cerrno>
#include <cstring>

#include "wire/fd_line.h"

namespace tarvos::wire {
namespace {

class AddressList {
public:
    explicit AddressList(addrinfo* list) : list_(list) {}
    ~AddressList() {
        if (list_ != nullptr) ::freeaddrinfo(list_);
    }
    AddressList(const AddressList&) = delete;
    AddressList& operator=(const AddressList&) = delete;
    addrinfo* get() const { return list_; }

private:
    addrinfo* list_;
};

// A connected socket to one address within the timeout, or the reason.
Result<int> ConnectTo(const addrinfo& a, std::chrono::milliseconds timeout) {
    const int fd = ::socket(a.ai_family, a.ai_socktype | SOCK_NONBLOCK | SOCK_CLOEXEC, a.ai_protocol);
    if (fd < 0) return Error{std::string("no socket: ") + std::strerror(errno), errno};
    int error = 0;
    if (::connect(fd, a.ai_addr, a.ai_addrlen) != 0) {
        error = errno;
        if (error == EINPROGRESS) {
            pollfd p{fd, POLLOUT, 0};
            const int ready = ::poll(&p, 1, static_cast<int>(timeout.count()));
            socklen_t size = sizeof error;
            if (ready <= 0) error = ETIMEDOUT;
            else if (::getsockopt(fd, SOL_SOCKET, SO_ERROR, &error, &size) != 0) error = errno;
        }
    }
    if (error != 0) {
        ::close(fd);
        return Error{std::strerror(error), error};
    }
    // Commands are short lines: each goes out at once.
    const int one = 1;
    ::setsockopt(fd, IPPROTO_TCP, TCP_NODELAY, &one, sizeof one);
    return fd;
}

}  // namespace

Result<std::unique_ptr<Line>> OpenTcpLine(const std::string& host, int port, std::chrono::milliseconds timeout) {
    if (port < 1 || port > 65535) return Error{"no such TCP port: " + std::to_string(port)};
    addrinfo hints{};
    hints.ai_socktype = SOCK_STREAM;
    addrinfo* found = nullptr;
    if (const int rc = ::getaddrinfo(host.c_str(), std::to_string(port).c_str(), &hints, &found); rc != 0)
        return Error{host + ": " + ::gai_strerror(rc)};
    const AddressList list(found);
    Error last{host + ": no address"};
    for (const addrinfo* a = list.get(); a != nullptr; a = a->ai_next) {
        const Result<int> fd = ConnectTo(*a, timeout);
        if (fd) return std::unique_ptr<Line>(std::make_unique<FdLine>(fd.value()));
        last = Error{host + ":" + std::to_string(port) + ": " + fd.error().message, fd.error().systemError};
    }
    return last;
}

}  // namespace tarvos::wire
