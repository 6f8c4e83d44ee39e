// kvr-instrument: the simulated receiver as an instrument of its own, on a pseudo-terminal (and
// a loopback TCP port), speaking the line protocol. Its receiver, faults and line settings come
// from the simulator's configuration file (KVR_SIM_CONFIG); the options override the line
// settings and add faults of the line. SIGTERM and Ctrl-C end it and remove its link.
#include <signal.h>

#include <atomic>
#include <iostream>
#include <string>

#include <CLI/CLI.hpp>

#include "platform/clock.h"
#include "simdriver/sim_config.h"
#include "simdriver/sim_receiver.h"
#include "wire/instrument_server.h"
#include "wire/line_settings.h"

namespace {

using namespace tarvos;

// Set by the stop signals; the serving loop looks at it between its polls.
std::atomic<int> stopRequested{0};
static_assert(std::atomic<int>::is_always_lock_free);

void OnStop(int) { stopRequested.store(1); }

void InstallStopHandlers() {
    struct sigaction action {};
    action.sa_handler = OnStop;
    ::sigemptyset(&action.sa_mask);
    for (int signal : {SIGTERM, SIGINT, SIGHUP}) ::sigaction(signal, &action, nullptr);
    struct sigaction ignore {};
    ignore.sa_handler = SIG_IGN;
    ::sigaction(SIGPIPE, &ignore, nullptr);
}

struct Options {
    std::string config;
    std::string link;
    std::optional<int> tcp;
    bool noPty = false;
    std::optional<int> baud;
    std::optional<std::string> parity;
    std::optional<int> dataBits;
    std::optional<int> stopBits;
    std::optional<double> timeScale;
    wire::LineFaults faults;
};

void AddOptions(CLI::App& app, Options& o) {
    app.add_option("--config", o.config, "The simulator's configuration file (default: KVR_SIM_CONFIG)")->type_name("FILE");
    app.add_option("--link", o.link, "Make PATH a symbolic link to the pseudo-terminal")->type_name("PATH");
    app.add_option("--tcp", o.tcp, "Also serve on this loopback TCP port (0: a free one)")->type_name("PORT")->check(CLI::Range(0, 65535));
    app.add_flag("--no-pty", o.noPty, "No pseudo-terminal (with --tcp)");
    app.add_option("--baud", o.baud, "Baud rate of the line (default: the configuration's)")->type_name("N");
    app.add_option("--parity", o.parity, "Parity: N, E or O")->check(CLI::IsMember({"N", "E", "O"}));
    app.add_option("--data-bits", o.dataBits, "Data bits: 7 or 8")->check(CLI::IsMember({7, 8}));
    app.add_option("--stop-bits", o.stopBits, "Stop bits: 1 or 2")->check(CLI::IsMember({1, 2}));
    app.add_option("--time-scale", o.timeScale,
                   "Run the receiver's clock as tarvos --time-scale X does, following the controller's waits")
        ->type_name("X")->check(CLI::NonNegativeNumber);
    app.add_option("--drop-after", o.faults.dropAfter, "Drop the line after N commands (a new one takes the link)")->type_name("N")->check(CLI::NonNegativeNumber);
    app.add_option("--hang-after", o.faults.hangAfter, "Stop answering after N commands, until restarted")->type_name("N")->check(CLI::NonNegativeNumber);
    app.add_option("--slow", o.faults.slowMs, "Answer each command MS milliseconds late")->type_name("MS")->check(CLI::Range(0, 600000));
    app.add_option("--garble-every", o.faults.garbleEvery, "Damage a character of every Nth reply")->type_name("N")->check(CLI::NonNegativeNumber);
}

}  // namespace

int main(int argc, char** argv) {
    CLI::App app{"kvr-instrument: the simulated KVR receiver on a serial line (pseudo-terminal) or loopback TCP"};
    Options o;
    AddOptions(app, o);
    CLI11_PARSE(app, argc, argv);
    if (o.noPty && !o.tcp) {
        std::cerr << "kvr-instrument: with --no-pty, --tcp is needed\n";
        return 1;
    }
    InstallStopHandlers();
    if (o.timeScale) Clock::Instance().SetRealTime(*o.timeScale);

    sim::SimConfig config = o.config.empty() ? sim::LoadSimConfig() : sim::LoadSimConfig(o.config);
    const sim::InterfaceConfig& i = config.iface;
    wire::ServerOptions server;
    server.pty = !o.noPty;
    if (!o.link.empty()) server.link = o.link;
    server.tcpPort = o.tcp;
    const std::string parity = o.parity.value_or(i.parity);
    if (Status made = wire::MakeTermios(o.baud.value_or(i.baudRate), o.dataBits.value_or(i.dataBits),
                                        parity.empty() ? 'N' : parity[0], o.stopBits.value_or(i.stopBits), "NO",
                                        &server.line);
        !made.ok()) {
        std::cerr << "kvr-instrument: " << made.error().message << '\n';
        return 1;
    }
    // Linux keeps every pseudo-terminal at 8 data bits without parity, whatever is set: an
    // instrument that wanted others could never be reached on one.
    if (server.pty && (o.dataBits.value_or(i.dataBits) != 8 || (parity != "N" && !parity.empty()))) {
        std::cerr << "kvr-instrument: a pseudo-terminal carries 8 data bits without parity only\n";
        return 1;
    }
    server.faults = o.faults;
    // The configuration's faults of the connection act on the line as well.
    if (server.faults.dropAfter == 0) server.faults.dropAfter = config.faults.disconnectAfterCalls;
    server.faults.silent = config.faults.refuseConnection;

    sim::SimReceiver receiver(std::move(config));
    wire::InstrumentSession session(receiver, wire::CommandTable::BuiltIn());
    wire::InstrumentServer instrument(session, std::move(server), std::cout);
    if (Status opened = instrument.Open(); !opened.ok()) {
        std::cerr << "kvr-instrument: " << opened.error().message << '\n';
        return 1;
    }
    std::cout << "ready" << std::endl;
    instrument.Run(stopRequested);
    std::cout << "stopped after " << instrument.Commands() << " commands" << std::endl;
    return 0;
}
