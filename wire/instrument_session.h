// The instrument's side of the line protocol: one message (a line of units separated by ';')
// executed on the simulated receiver, and the reply line it gives. The IEEE 488.2 common
// commands are built in; every other header comes from the command table.
#pragma once

#include <optional>
#include <string>
#include <string_view>

#include "simdriver/driver_members.h"
#include "simdriver/sim_receiver.h"
#include "wire/command_table.h"

namespace tarvos::wire {

// Error codes of the ERR reply, as SCPI numbers them.
inline constexpr int kUndefinedHeader = -113;
inline constexpr int kDataTypeError = -104;
inline constexpr int kParameterCountError = -109;
inline constexpr int kExecutionError = -200;

class InstrumentSession {
public:
    InstrumentSession(sim::SimReceiver& receiver, const CommandTable& table);

    // The reply line (without its LF): the replies of the message's queries joined by ';', or
    // an ERR reply for the first unit that failed (the units after it are not executed). None
    // for a message without a query, as a SCPI instrument gives no reply to settings.
    std::optional<std::string> Execute(std::string_view message);

    sim::Family CurrentFamily() const { return family_; }

private:
    // The unit's reply (empty for a setting), or an ERR reply.
    std::string ExecuteUnit(std::string_view unit, bool* failed);
    std::string ExecuteMember(const CommandEntry& entry, std::vector<automation::Variant>& args, bool* failed);
    std::string Protocol(const CommandEntry& entry, const std::vector<automation::Variant>& args, bool* failed);

    sim::SimReceiver& receiver_;
    const CommandTable& table_;
    sim::Family family_ = sim::kQam;
};

}  // namespace tarvos::wire
