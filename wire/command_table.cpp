#include "wire/command_table.h"

#include <algorithm>
#include <charconv>
#include <fstream>
#include <sstream>

namespace tarvos::wire {
namespace {

bool SameText(std::string_view a, std::string_view b) {
    return std::equal(a.begin(), a.end(), b.begin(), b.end(), [](char x, char y) {
        return std::tolower(static_cast<unsigned char>(x)) == std::tolower(static_cast<unsigned char>(y));
    });
}

constexpr std::string_view kBlanks = " \t\r";

std::string_view Trim(std::string_view s) {
    const auto first = s.find_first_not_of(kBlanks);
    if (first == std::string_view::npos) return {};
    return s.substr(first, s.find_last_not_of(kBlanks) - first + 1);
}

// The next blank-separated word of `rest`, which keeps what follows it.
std::string_view NextWord(std::string_view& rest) {
    rest = Trim(rest);
    const auto end = std::min(rest.find_first_of(kBlanks), rest.size());
    const std::string_view word = rest.substr(0, end);
    rest = rest.substr(end);
    return word;
}

bool ParseKind(std::string_view word, CallKind* kind) {
    for (CallKind k : {CallKind::Get, CallKind::Put, CallKind::Call})
        if (SameText(word, CallKindName(k))) return *kind = k, true;
    return false;
}

bool ParseType(std::string_view word, ReplyType* type) {
    for (ReplyType t : {ReplyType::None, ReplyType::Int16, ReplyType::Int32, ReplyType::Real, ReplyType::Bool,
                        ReplyType::String})
        if (SameText(word, ReplyTypeName(t))) return *type = t, true;
    return false;
}

// The longest a reply may be waited for: an instrument that needs longer is a hung one.
constexpr long kLongestTimeoutMs = 600000;

}  // namespace

const char* CallKindName(CallKind kind) {
    switch (kind) {
        case CallKind::Get: return "get";
        case CallKind::Put: return "put";
        case CallKind::Call: return "call";
    }
    return "?";
}

const char* ReplyTypeName(ReplyType type) {
    switch (type) {
        case ReplyType::None: return "none";
        case ReplyType::Int16: return "int16";
        case ReplyType::Int32: return "int32";
        case ReplyType::Real: return "real";
        case ReplyType::Bool: return "bool";
        case ReplyType::String: return "string";
    }
    return "?";
}

Result<CommandTable> CommandTable::Parse(std::string_view text) {
    CommandTable table;
    std::size_t number = 0;
    while (!text.empty()) {
        ++number;
        const auto end = std::min(text.find('\n'), text.size());
        std::string_view line = text.substr(0, end);
        text = text.substr(std::min(end + 1, text.size()));
        if (const auto hash = line.find('#'); hash != std::string_view::npos) line = line.substr(0, hash);
        line = Trim(line);
        if (line.empty()) continue;
        const auto fail = [&](const std::string& why) {
            return Error{"line " + std::to_string(number) + ": " + why};
        };
        std::string_view rest = line;
        const std::string_view first = NextWord(rest);
        if (SameText(first, "timeout")) {
            const std::string_view value = Trim(rest);
            long ms = 0;
            const auto [ptr, ec] = std::from_chars(value.data(), value.data() + value.size(), ms);
            if (ec != std::errc() || ptr != value.data() + value.size() || ms < 1 || ms > kLongestTimeoutMs)
                return fail("timeout needs milliseconds from 1 to " + std::to_string(kLongestTimeoutMs));
            table.timeout_ = std::chrono::milliseconds(ms);
            continue;
        }
        CommandEntry entry;
        entry.member = std::string(first);
        if (!ParseKind(NextWord(rest), &entry.kind)) return fail("the kind must be get, put or call");
        if (!ParseType(NextWord(rest), &entry.type))
            return fail("the reply type must be none, int16, int32, real, bool or string");
        entry.command = std::string(Trim(rest));
        if (entry.command.empty()) return fail("no command for " + entry.member);
        if (table.Find(entry.member, entry.kind) != nullptr)
            return fail(entry.member + " " + CallKindName(entry.kind) + " is given twice");
        if (entry.type != ReplyType::None && !ExpectsReply(entry.command))
            return fail(entry.member + ": a reply of type " + ReplyTypeName(entry.type) + " needs a query ('?')");
        table.entries_.push_back(std::move(entry));
    }
    return table;
}

Result<CommandTable> CommandTable::Load(const std::filesystem::path& file) {
    std::ifstream in(file, std::ios::binary);
    if (!in) return Error{"cannot read the command table " + file.string()};
    std::ostringstream text;
    text << in.rdbuf();
    // A table is a page of text: a file far beyond that is not one.
    if (text.tellp() > (1 << 20)) return Error{file.string() + " is too large for a command table"};
    Result<CommandTable> table = Parse(text.str());
    if (!table) return Error{file.string() + ": " + table.error().message};
    return table;
}

const CommandTable& CommandTable::BuiltIn() {
    static const CommandTable table = [] {
        Result<CommandTable> parsed = Parse(BuiltInTableText());
        return parsed ? std::move(parsed).value() : CommandTable();
    }();
    return table;
}

const CommandEntry* CommandTable::Find(std::string_view member, CallKind kind) const {
    for (const CommandEntry& e : entries_)
        if (e.kind == kind && SameText(e.member, member)) return &e;
    return nullptr;
}

bool CommandTable::Knows(std::string_view member) const {
    return std::any_of(entries_.begin(), entries_.end(), [&](const CommandEntry& e) { return SameText(e.member, member); });
}

const CommandEntry* CommandTable::FindByHeader(std::string_view header) const {
    for (const CommandEntry& e : entries_)
        if (SameText(HeaderOf(e.command), header)) return &e;
    return nullptr;
}

std::string_view HeaderOf(std::string_view command) {
    command = Trim(command);
    return command.substr(0, std::min(command.find_first_of(" ;"), command.size()));
}

bool ExpectsReply(std::string_view command) {
    // Quoted text may hold any character; a '?' there asks nothing.
    bool quoted = false;
    for (char c : command) {
        if (c == '"') quoted = !quoted;
        else if (c == '?' && !quoted) return true;
    }
    return false;
}

Result<std::string> ExpandCommand(std::string_view command, const std::vector<std::string>& args) {
    std::string out;
    for (std::size_t i = 0; i < command.size(); ++i) {
        const auto close = command.find('}', i);
        if (command[i] != '{' || close == std::string_view::npos) {
            out += command[i];
            continue;
        }
        const std::string_view name = command.substr(i + 1, close - i - 1);
        if (name == "*") {
            std::string all;
            for (const std::string& a : args) all += (all.empty() ? "" : ",") + a;
            if (all.empty() && !out.empty() && out.back() == ' ') out.pop_back();
            out += all;
        } else {
            std::size_t n = 0;
            const auto [ptr, ec] = std::from_chars(name.data(), name.data() + name.size(), n);
            if (ec != std::errc() || ptr != name.data() + name.size()) {
                out += command[i];
                continue;
            }
            if (n >= args.size()) return Error{"the command " + std::string(command) + " needs argument " + std::to_string(n)};
            out += args[n];
        }
        i = close;
    }
    return out;
}

}  // namespace tarvos::wire
