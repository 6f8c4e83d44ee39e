// kvr-instrument's lines: a pseudo-terminal (its slave path printed and optionally linked) and a
// loopback TCP port, each served with the instrument session. On the pseudo-terminal the line
// settings of the program at the other end are read from the master side: characters sent with
// other settings than the instrument's are garbage to it and get no answer, as on a real line.
// Replies take the time the characters need at the baud rate. Faults of the line itself: drop it
// after N commands, stop answering after N, answer slowly, garble every Nth reply.
#pragma once

#include <termios.h>

#include <atomic>
#include <chrono>
#include <filesystem>
#include <optional>
#include <ostream>
#include <string>

#include "platform/result.h"
#include "wire/instrument_session.h"

namespace tarvos::wire {

struct LineFaults {
    long dropAfter = 0;    // commands after which the line is dropped (and a new one opened)
    long hangAfter = 0;    // commands after which nothing is answered any more
    int slowMs = 0;        // extra time before each reply
    long garbleEvery = 0;  // every Nth reply has a damaged character
    bool silent = false;   // answers nothing at all (an instrument that refuses every connection)
};

struct ServerOptions {
    bool pty = true;
    std::optional<std::filesystem::path> link;
    std::optional<int> tcpPort;  // 0: a free port
    termios line{};              // the instrument's own line settings
    LineFaults faults;
};

class InstrumentServer {
public:
    InstrumentServer(InstrumentSession& session, ServerOptions options, std::ostream& log);
    ~InstrumentServer();
    InstrumentServer(const InstrumentServer&) = delete;
    InstrumentServer& operator=(const InstrumentServer&) = delete;

    // Opens the lines and prints where they are ("pty: PATH", "link: PATH", "tcp: HOST:PORT").
    Status Open();
    // Serves until `stop` is set (checked at least every 100 ms).
    void Run(const std::atomic<int>& stop);

    const std::string& SlavePath() const { return slavePath_; }
    int TcpPort() const { return tcpPort_; }
    long Commands() const { return commands_; }

private:
    struct Client {
        int fd = -1;
        bool pty = false;
        std::string pending;
    };
    Status OpenPty();
    void ClosePty();
    Status OpenTcp();
    // False when the client's line is gone.
    bool ReadFrom(Client& client);
    void Answer(Client& client, const std::string& command);
    void Drop(Client& client);
    bool SettingsMatch() const;

    InstrumentSession& session_;
    ServerOptions options_;
    std::ostream& log_;
    Client pty_;
    Client tcp_;
    int listener_ = -1;
    std::string slavePath_;
    int tcpPort_ = 0;
    long commands_ = 0;
    long replies_ = 0;
    bool dropped_ = false;
    bool hanging_ = false;
    std::chrono::steady_clock::time_point ptyIdleUntil_{};
};

}  // namespace tarvos::wire
