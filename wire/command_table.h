// The member-to-command table of the line protocol: for each driver member and kind of call the
// command sent on the line and the type of value its reply carries. The wire driver reads it from
// a text file a lab may edit to reach its own instrument; kvr-instrument understands the commands
// of the table built into it.
#pragma once

#include <chrono>
#include <filesystem>
#include <string>
#include <string_view>
#include <vector>

#include "platform/result.h"

namespace tarvos::wire {

enum class CallKind { Get, Put, Call };
enum class ReplyType { None, Int16, Int32, Real, Bool, String };

// "get", "put", "call" and "none", "int16", "int32", "real", "bool", "string".
const char* CallKindName(CallKind kind);
const char* ReplyTypeName(ReplyType type);

struct CommandEntry {
    std::string member;
    CallKind kind = CallKind::Get;
    ReplyType type = ReplyType::None;
    std::string command;  // with {0}, {1}, ... or {*} where the arguments go
};

class CommandTable {
public:
    // Lines "Member kind type command", "timeout MS" (how long a reply may take), comments after
    // '#'. A line that does not parse is an error naming its number: a lab's typo must not turn
    // into a member that silently fails on the instrument.
    static Result<CommandTable> Parse(std::string_view text);
    static Result<CommandTable> Load(const std::filesystem::path& file);
    // The table the instrument speaks, also the wire driver's when no file is installed.
    static const CommandTable& BuiltIn();

    // Member names compare without regard to case, as automation names do.
    const CommandEntry* Find(std::string_view member, CallKind kind) const;
    bool Knows(std::string_view member) const;
    // The entry whose command starts with `header` (a query ends in '?'), case-insensitive.
    const CommandEntry* FindByHeader(std::string_view header) const;
    std::chrono::milliseconds ReplyTimeout() const { return timeout_; }
    const std::vector<CommandEntry>& Entries() const { return entries_; }

private:
    std::vector<CommandEntry> entries_;
    std::chrono::milliseconds timeout_{2000};
};

// The text of the built-in table (the file installed beside the driver module).
std::string_view BuiltInTableText();

// The header of a command: its text up to the first space or ';'.
std::string_view HeaderOf(std::string_view command);
// Whether the command expects a reply (one of its units is a query).
bool ExpectsReply(std::string_view command);
// The command with {n} replaced by argument n and {*} by all of them separated by commas; a
// space left before the end or a ';' by an empty {*} is dropped. Fails when {n} has no argument.
Result<std::string> ExpandCommand(std::string_view command, const std::vector<std::string>& args);

}  // namespace tarvos::wire
