#include "cli/console_run_ui.h"

#include <algorithm>

#include "measurement/sweep_engine.h"

namespace tarvos::cli {
namespace {

constexpr int kBarWidth = 20;
// Back to the start of the line and erase it: a shorter text must not leave the tail of a
// longer one behind.
constexpr const char* kEraseLine = "\r\x1b[K";

std::string Bar(int counter, int counterMax) {
    const int filled = counterMax > 0 ? std::clamp(counter, 0, counterMax) * kBarWidth / counterMax : 0;
    return "[" + std::string(static_cast<std::size_t>(filled), '#') +
           std::string(static_cast<std::size_t>(kBarWidth - filled), '.') + "]";
}

}  // namespace

ConsoleRunUi::ConsoleRunUi(std::ostream& err, bool progressLine) : err_(err), progressLine_(progressLine) {}

// A console has no buttons, marker or diagram: the run controls, the marker, the BER range
// and the repaints have nothing to show here, and the samples reach the user in the files.
void ConsoleRunUi::SetRunControls(RunControls) {}
void ConsoleRunUi::EnableSkipAccept(bool) {}
void ConsoleRunUi::ShowMarker(double, double) {}
void ConsoleRunUi::HideMarker() {}
void ConsoleRunUi::UpdateBerRange() {}
void ConsoleRunUi::RepaintNow() {}
void ConsoleRunUi::Invalidate() {}

void ConsoleRunUi::ClearProgressLine() {
    if (!progressShown_) return;
    err_ << kEraseLine << std::flush;
    progressShown_ = false;
}

void ConsoleRunUi::PrintLine(const std::string& line) {
    ClearProgressLine();
    err_ << line << '\n' << std::flush;
}

void ConsoleRunUi::ResponseLine(const std::string& text) {
    std::lock_guard<std::mutex> lock(mutex_);
    // The idle line invites the dialog's user to start the next run; a command has none.
    if (text == kLineIdle || text == lastResponse_) return;
    lastResponse_ = text;
    PrintLine(text);
}

void ConsoleRunUi::ShowRemainingTime(bool show, const std::string& text, int counter, int counterMax) {
    std::lock_guard<std::mutex> lock(mutex_);
    if (!progressLine_) return;
    if (!show) {
        ClearProgressLine();
        return;
    }
    err_ << kEraseLine << Bar(counter, counterMax) << ' ' << text << std::flush;
    progressShown_ = true;
}

std::string ConsoleRunUi::OneLine(const std::string& text) {
    std::string line;
    std::size_t begin = 0;
    while (begin <= text.size()) {
        std::size_t end = text.find('\n', begin);
        if (end == std::string::npos) end = text.size();
        std::string part = text.substr(begin, end - begin);
        const std::size_t first = part.find_first_not_of(" \t\r");
        if (first != std::string::npos) {
            part = part.substr(first, part.find_last_not_of(" \t\r") - first + 1);
            if (!line.empty()) line += ' ';
            line += part;
        }
        begin = end + 1;
    }
    return line;
}

void ConsoleRunUi::SetFailure(const std::string& line) {
    // Every message the engine shows ends the run, so normally there is one; should another
    // follow, the earlier one still reaches the user.
    if (failure_) PrintLine("tarvos: " + *failure_);
    failure_ = line;
}

MessageAnswer ConsoleRunUi::Message(const std::string& text, MessageButtons buttons) {
    std::lock_guard<std::mutex> lock(mutex_);
    const std::string line = OneLine(text);
    if (buttons == MessageButtons::Ok) {
        SetFailure(line);
        return MessageAnswer::Ok;
    }
    SetFailure(line + " [Cancel]");
    return MessageAnswer::Cancel;
}

void ConsoleRunUi::InstrumentErrorAnswered(MessageAnswer answer, int retries) {
    std::lock_guard<std::mutex> lock(mutex_);
    const std::string line = OneLine(kMsgNoResponse);
    if (answer == MessageAnswer::Retry) {
        PrintLine("tarvos: " + line + " [Retry " + std::to_string(retries) + " of " +
                  std::to_string(kMaxRetriesPerPoint) + "]");
        return;
    }
    SetFailure(line + (retries > 0 ? " [Cancel after " + std::to_string(retries) + " retries]" : std::string(" [Cancel]")));
}

void ConsoleRunUi::RequestPortSettings() {
    std::lock_guard<std::mutex> lock(mutex_);
    check_ = Check::Port;
}

void ConsoleRunUi::RequestReceiverSettings() {
    std::lock_guard<std::mutex> lock(mutex_);
    check_ = Check::Receiver;
}

void ConsoleRunUi::Progress(const RunEvent& event) {
    if (progress_) progress_(event);
}

void ConsoleRunUi::Note(const std::string& text) {
    std::lock_guard<std::mutex> lock(mutex_);
    PrintLine(text);
}

std::optional<std::string> ConsoleRunUi::Failure() const {
    std::lock_guard<std::mutex> lock(mutex_);
    if (!failure_) return std::nullopt;
    switch (check_) {
        case Check::Port: return *failure_ + " (check the port settings)";
        case Check::Receiver: return *failure_ + " (check the receiver settings)";
        case Check::None: break;
    }
    return failure_;
}

void ConsoleTransferUi::Message(const std::string& text) {
    if (last_) err_ << *last_ << '\n' << std::flush;
    last_ = ConsoleRunUi::OneLine(text);
}

std::string ConsoleTransferUi::TakeLast() {
    std::string last = last_.value_or(std::string());
    last_.reset();
    return last;
}

}  // namespace tarvos::cli
