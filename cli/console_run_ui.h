// The sweep engine's window on a console: progress lines and the remaining time on standard
// error, message boxes answered without a user, and what ended the run, for "tarvos sweep".
#pragma once

#include <functional>
#include <mutex>
#include <optional>
#include <ostream>
#include <string>

#include "instrument/settings_transfer.h"
#include "measurement/run_ui.h"

namespace tarvos::cli {

class ConsoleRunUi : public RunUi {
public:
    // Writes to `err`; `progressLine` draws the remaining time as one line rewritten in place,
    // which only a terminal shows sensibly.
    ConsoleRunUi(std::ostream& err, bool progressLine);

    void SetRunControls(RunControls controls) override;
    void EnableSkipAccept(bool enabled) override;
    void ResponseLine(const std::string& text) override;
    void ShowRemainingTime(bool show, const std::string& text, int counter, int counterMax) override;
    void ShowMarker(double snr, double ber) override;
    void HideMarker() override;
    void UpdateBerRange() override;
    void RepaintNow() override;
    void Invalidate() override;
    // Nobody answers a console: a Retry/Cancel box is cancelled (the engine's retry policy
    // retries without asking).
    MessageAnswer Message(const std::string& text, MessageButtons buttons) override;
    void InstrumentErrorAnswered(MessageAnswer answer, int retries) override;
    void RequestPortSettings() override;
    void RequestReceiverSettings() override;
    void Progress(const RunEvent& event) override;

    // Where the run's progress goes (--progress); set before the run starts.
    void OnProgress(std::function<void(const RunEvent&)> sink) { progress_ = std::move(sink); }

    // A line of the command itself ("cancelling ..."), kept apart from the progress line; may
    // be called from another thread than the engine's.
    void Note(const std::string& text);

    // What ended the run as one line, with the settings the user should check; none when the
    // run ended by itself or was cancelled by the user.
    std::optional<std::string> Failure() const;

    // A message box's text as one line: its lines joined by single spaces.
    static std::string OneLine(const std::string& text);

private:
    enum class Check { None, Port, Receiver };

    // Callers hold mutex_.
    void ClearProgressLine();
    void PrintLine(const std::string& line);
    void SetFailure(const std::string& line);

    mutable std::mutex mutex_;
    std::ostream& err_;
    const bool progressLine_;
    bool progressShown_ = false;
    std::string lastResponse_;
    std::optional<std::string> failure_;
    std::function<void(const RunEvent&)> progress_;
    Check check_ = Check::None;
};

// The settings dialog's messages while "tarvos sweep --write-settings" sets the instrument: each
// printed as one line, except the last, which says how the write ended and is left to the caller.
class ConsoleTransferUi : public SettingsTransferUi {
public:
    explicit ConsoleTransferUi(std::ostream& err) : err_(err) {}
    void Message(const std::string& text) override;
    // The working copy is shown nowhere on a console.
    void Refresh() override {}
    // The last message as one line; empty when there was none.
    std::string TakeLast();

private:
    std::ostream& err_;
    std::optional<std::string> last_;
};

}  // namespace tarvos::cli
