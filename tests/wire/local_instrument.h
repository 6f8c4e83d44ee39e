// The simulated instrument served in the test's own process: a receiver with its state in a
// folder of the test, the protocol session on it, and the server on a loopback TCP port and
// optionally a pseudo-terminal, run on a thread of its own until the object goes.
#pragma once

#include <atomic>
#include <sstream>
#include <thread>

#include "simdriver/sim_config.h"
#include "simdriver/sim_receiver.h"
#include "tests/support/temp_dir.h"
#include "wire/command_table.h"
#include "wire/instrument_server.h"
#include "wire/instrument_session.h"
#include "wire/line_settings.h"

namespace tarvos::wire {

inline sim::SimConfig LocalConfig(const testing::TempDir& dir) {
    sim::SimConfig config;
    config.seed = 7;
    config.stateFile = dir / "state.ini";
    return config;
}

class LocalInstrument {
public:
    explicit LocalInstrument(LineFaults faults = {}, bool pty = false)
        : receiver_(LocalConfig(dir_)), session_(receiver_, CommandTable::BuiltIn()), server_(session_, Options(faults, pty), log_) {
        opened_ = server_.Open();
        if (opened_.ok()) thread_ = std::thread([this] { server_.Run(stop_); });
    }
    ~LocalInstrument() {
        stop_ = 1;
        if (thread_.joinable()) thread_.join();
    }
    LocalInstrument(const LocalInstrument&) = delete;
    LocalInstrument& operator=(const LocalInstrument&) = delete;

    const Status& Opened() const { return opened_; }
    int TcpPort() const { return server_.TcpPort(); }
    const std::string& SlavePath() const { return server_.SlavePath(); }

private:
    static ServerOptions Options(const LineFaults& faults, bool pty) {
        ServerOptions o;
        o.pty = pty;
        o.tcpPort = 0;
        o.faults = faults;
        (void)MakeTermios(19200, 8, 'N', 1, "NO", &o.line);
        return o;
    }

    testing::TempDir dir_;
    sim::SimReceiver receiver_;
    InstrumentSession session_;
    std::ostringstream log_;  // written by the server's thread only
    InstrumentServer server_;
    Status opened_;
    std::atomic<int> stop_{0};
    std::thread thread_;
};

}  // namespace tarvos::wire
