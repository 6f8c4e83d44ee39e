// Values as the line protocol writes them: numbers in decimal, Booleans as 1 and 0, strings in
// double quotes (a quote inside doubled), and the reply that reports a failed command.
#pragma once

#include <string>
#include <string_view>
#include <vector>

#include "platform/automation/variant.h"
#include "platform/result.h"
#include "wire/command_table.h"

namespace tarvos::wire {

// The start of a reply that reports a failed command: ERR <code>,"<text>".
inline constexpr std::string_view kErrorReply = "ERR ";
std::string ErrorReply(int code, std::string_view text);

// The text of a value as an argument or a reply; fails for values that cannot travel on the
// line (objects, byte arrays, errors).
Result<std::string> ValueText(const automation::Variant& value);
std::string QuoteString(std::string_view text);

// The pieces of `text` between the separators that stand outside double quotes.
std::vector<std::string> SplitOutsideQuotes(std::string_view text, char separator);

// A reply field as the table's type says; the whole field must be the value, so that a reply
// damaged on the line is an error and not a different number.
Result<automation::Variant> ParseReply(std::string_view field, ReplyType type);
// An argument as the instrument receives it: a quoted string, a whole number or a real number.
Result<automation::Variant> ParseArgument(std::string_view text);

// Printable ASCII only: any other byte in a reply is damage on the line.
bool IsCleanLine(std::string_view line);

}  // namespace tarvos::wire
