// One measurement: steps the noise generator's C/N over the measure range, polls the BER at each
// step until the count is complete, stores the accepted steps, refines the END crossing, and
// keeps the dialog and the diagram informed through RunUi. It runs on one worker thread and
// waits on the platform clock; the user steers it through the document's run flags.
#pragma once

#include <atomic>
#include <cstdint>
#include <string>
#include <thread>

#include "document/dia_doc.h"
#include "instrument/connection.h"
#include "instrument/kvr_port_client.h"
#include "measurement/run_journal.h"
#include "measurement/run_ui.h"
#include "platform/clock.h"

namespace tarvos {

// Texts of the run, as the dialog and the message boxes show them.
inline constexpr const char* kMsgNotPossible =
    "Measurement is not possible.\nPlease change measure range\nin the measurement dialog.";
inline constexpr const char* kMsgConnectionFailed = "Connection to KVR failed.\nPlease check port settings.";
inline constexpr const char* kMsgSettingsDiffer =
    "Settings of KVR and this program\nare  different. Please check if\nsettings are consistent with each other.";
inline constexpr const char* kMsgSyncFailed = "Syncronisation failed.\nPlease check cable and\nKVR settings.";
inline constexpr const char* kMsgNoResponse =
    "Error: KVR doesn't response.\nTo continue the measurement please\nreboot KVR manually and press Retry.\n"
    "To exit the measurement press Cancel.";
inline constexpr const char* kLineIdle = "Check settings and start measurement";
// The start of the line each measured point begins with (see CnrLine).
inline constexpr const char* kLineSetCnr = "Set carrier to noise ratio: ";
inline constexpr const char* kLineOpen = "Open connection to KVR";
inline constexpr const char* kLineCheckSettings = "Check settings";
inline constexpr const char* kLineCheckSync = "Check synchronisation";
inline constexpr const char* kLineSyncFailed = "Synchronisation failed";
inline constexpr const char* kLineError = "An error has occured, please reboot KVR";
// After a run whose generator could not be proven off: shown as the last line and as a message.
inline constexpr const char* kLineGeneratorOn = "Noise generator is still on, please switch it off at the KVR";
inline constexpr const char* kLineGeneratorNotKnown =
    "KVR not reachable, the noise generator may still be on, please switch it off at the KVR";

struct RunPlan {
    int n = 0;
    double minCnr = 0, maxCnr = 0, offset = 0, berLimit = 0, lowLimit = 0;
    double first = 0, last = 0, step = 0;
    int k = 0;
    bool possible = false;
};

// The plan of a run from the document's measure range, samples and receiver settings.
RunPlan ComputeRunPlan(const C_KVR_DiaDoc& doc);

struct BerReading {
    std::int32_t exponent = 0;
    std::int32_t counterMax = 0;
    std::int32_t counter = 0;
    double ber = 0;
    // What the last poll read, before the zero rule or an Accept changed `ber`, and how the
    // point ended: the point's record without its C/N and time.
    PointRecord record;
};

enum class PointOutcome { Completed = 0, Cancelled = 1, NoSync = 2, InstrumentError = 3 };

// "Remaining time: 1 h, 5 min, 0 sec".
std::string RemainingTimeText(int seconds);
// "Set carrier to noise ratio: 12.0 dB".
std::string CnrLine(double cnr);
// "Measure BER: 2.3 E-5".
std::string BerLine(double ber, std::int32_t exponent);

class SweepEngine {
public:
    // With a journal, every run keeps the samples stored so far in a recovery file.
    SweepEngine(C_KVR_DiaDoc& doc, RunUi& ui, RunJournal* journal = nullptr) : doc_(doc), ui_(ui), journal_(journal) {}
    // Cancels a run in progress and waits for its end.
    ~SweepEngine();
    SweepEngine(const SweepEngine&) = delete;
    SweepEngine& operator=(const SweepEngine&) = delete;

    // StartMeasurement: nothing when a run is going on; otherwise sets measuring, clears paused
    // and cancel requested, shows the running controls and starts the worker. False when nothing
    // was started.
    bool Start();
    // Waits for the worker to end.
    void Join();
    // Whether a worker is still going (it may be past the end of its run, showing a last message,
    // while the measuring flag is already clear).
    bool Running() const { return running_.load(); }
    // The whole run on the calling thread (the worker's body).
    int RunMeasurement();

private:
    enum class Request { None, Port, Receiver };
    bool Connect(KvrPortClient& client, const RunPlan& plan);
    bool Cancelled(KvrPortClient& client);
    PointOutcome MeasurePoint(double cnr, BerReading& reading, KvrPortClient& client, const RunPlan& plan);
    PointOutcome MeasureWithRetry(double cnr, BerReading& reading, KvrPortClient& client, const RunPlan& plan,
                                  bool* cancelled);
    // The answer to the no-response message after `retries` retries of the point, by the policy.
    MessageAnswer AnswerNoResponse(int retries);
    bool Poll(BerReading& reading, KvrPortClient& client, PointOutcome* outcome);
    // P1 and P2 come with the records they were stored with; their C/N is the record's.
    bool RefineEnd(const PointRecord& p1, double p1Ber, const PointRecord& p2, double p2Ber, KvrPortClient& client,
                   const RunPlan& plan);
    void WaitWhilePaused(KvrPortClient& client);
    int ShowRemainingTime(bool show, int counter, int counterMax);
    void EndOfRun(KvrPortClient& client, RunEnding ending);
    void ReleaseInstrument(KvrPortClient& client);
    void ReportGenerator();
    double ReadBer(KvrPortClient& client);
    void JournalSamples();
    void BeginRunRecord(KvrPortClient& client);
    void EndRunRecord();
    PointRecord RecordOf(double cnr, const BerReading& reading, PointEnding ending) const;
    std::int64_t NowUtcMs() const;

    C_KVR_DiaDoc& doc_;
    RunUi& ui_;
    RunJournal* journal_;
    std::thread worker_;
    std::atomic<bool> running_{false};
    Request request_ = Request::None;
    // This run switched the generator on and has not yet released the connection.
    bool generatorOn_ = false;
    // What the release found, when the generator was not proven off.
    GeneratorCheck generatorLeft_ = GeneratorCheck::Off;
    // The run's wall time: the UTC time at its start plus the clock time since, so that runs on
    // a scaled or virtual clock still carry times that follow each other.
    std::int64_t runStartUtcMs_ = 0;
    Clock::Duration runStartClock_{0};
    bool runRecorded_ = false;
};

}  // namespace tarvos
