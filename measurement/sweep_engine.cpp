#include "measurement/sweep_engine.h"

#include <algorithm>
#include <chrono>
#include <climits>
#include <cmath>

#include "instrument/connection.h"
#include "platform/automation/class_registry.h"
#include "platform/clock.h"
#include "platform/number_text.h"

namespace tarvos {
namespace {

constexpr int kMaxSamples = 1000;
// A count that has not moved over this many polls means the instrument no longer counts.
constexpr int kMaxPollsWithoutProgress = 60;

void Sleep(long long ms) { Clock::Instance().SleepFor(std::chrono::milliseconds(ms)); }

double OnGrid(double cnr) { return std::trunc(cnr * 10 + 0.5) * 0.1; }

// The first steps of the grid lie below the C/N where the theory reaches the BER limit; the run
// goes through them without measuring.
int StepsBelowLimit(const RunPlan& plan) {
    int below = 0;
    double cur = plan.first;
    for (int i = 1; i <= plan.k; ++i, cur += plan.step)
        if (OnGrid(cur) < plan.lowLimit) ++below;
    return below;
}

RunEvent Event(RunEvent::Kind kind) {
    RunEvent e;
    e.kind = kind;
    return e;
}

}  // namespace

RunPlan ComputeRunPlan(const C_KVR_DiaDoc& doc) {
    const ReceiverSettings& rs = doc.Receiver();
    RunPlan p;
    // The dialog keeps the count within 1 .. 1000; a settings file may not.
    p.n = std::clamp(doc.Options().samples, 1, kMaxSamples);
    p.minCnr = doc.MinGeneratorCnr();
    p.maxCnr = doc.MaxGeneratorCnr();
    p.offset = doc.SnrOffset();
    p.berLimit = doc.BerLimitForPoint();
    p.lowLimit = doc.TheoreticalSnrAtBer(p.berLimit);
    if (p.lowLimit > 0) p.lowLimit = p.lowLimit - p.offset;
    double h = rs.snrBegin - p.offset;
    if (h < p.minCnr) h = p.minCnr;
    p.first = OnGrid(h);
    if (p.first + p.offset < rs.snrBegin) p.first = p.first + 0.1;
    double v = rs.snrEnd - p.offset;
    if (v > p.maxCnr) v = p.maxCnr;
    p.last = OnGrid(v);
    if (rs.snrEnd < p.last + p.offset) p.last = p.last - 0.1;
    p.possible = p.last > p.first && p.last >= p.lowLimit;
    if (p.n == 1) {
        p.step = 0.1;
        p.k = 1;
        return p;
    }
    p.step = (p.last - p.first) / (p.n - 1);
    if (!(p.step >= 0.1)) p.step = 0.1;
    const double steps = std::trunc((p.last - p.first) / p.step + 0.5) + 1;
    p.k = std::isfinite(steps) ? static_cast<int>(std::clamp(steps, 1.0, 1.0 * kMaxSamples)) : 1;
    return p;
}

std::string RemainingTimeText(int s) {
    const int h = s / 3600, min = (s / 60) % 60, sec = s % 60;
    std::string text = "Remaining time: ";
    if (h > 0) text += std::to_string(h) + " h, ";
    if (min > 0) text += std::to_string(min) + " min, ";
    return text + std::to_string(sec) + " sec";
}

std::string CnrLine(double cnr) { return kLineSetCnr + FormatNumberVisibleDecimal(cnr, 3) + " dB"; }

std::string BerLine(double ber, std::int32_t exponent) {
    const double m = std::pow(10.0, exponent) * ber;
    return "Measure BER: " + FormatNumberVisibleDecimal(m, 2) + " E-" + std::to_string(exponent);
}

SweepEngine::~SweepEngine() {
    if (worker_.joinable()) {
        doc_.cancelRequested = 1;
        doc_.paused = 0;
        worker_.join();
    }
}

bool SweepEngine::Start() {
    if (doc_.measuring) return false;
    if (worker_.joinable()) worker_.join();  // the previous run has ended
    doc_.measuring = 1;
    doc_.paused = 0;
    doc_.cancelRequested = 0;
    ui_.SetRunControls(RunControls::Running);
    running_ = true;
    worker_ = std::thread([this] {
        RunMeasurement();
        running_ = false;
    });
    return true;
}

void SweepEngine::Join() {
    if (worker_.joinable()) worker_.join();
}

void SweepEngine::WaitWhilePaused(KvrPortClient& client) {
    if (!doc_.paused) return;
    ui_.Progress(Event(RunEvent::Kind::Paused));
    client.PutOnLine(false);
    while (doc_.paused && !doc_.cancelRequested) Sleep(200);
    client.PutOnLine(true);
    ui_.Progress(Event(RunEvent::Kind::Resumed));
}

bool SweepEngine::Cancelled(KvrPortClient& client) {
    WaitWhilePaused(client);
    return doc_.cancelRequested != 0;
}

int SweepEngine::ShowRemainingTime(bool show, int counter, int counterMax) {
    if (!show) {
        ui_.ShowRemainingTime(false, "", 0, 0);
        return 0;
    }
    // A counter past its maximum or an absurd maximum must not give a negative or overflowing time.
    const double seconds = std::trunc(doc_.BerMeasurementSeconds() * (static_cast<double>(counterMax) - counter));
    const int s = static_cast<int>(std::clamp(std::isfinite(seconds) ? seconds : 0.0, 0.0, 1.0 * INT_MAX));
    ui_.ShowRemainingTime(true, RemainingTimeText(s), std::clamp(counter, 0, std::max(counterMax, 0)), counterMax);
    return s;
}

double SweepEngine::ReadBer(KvrPortClient& client) {
    switch (doc_.Receiver().berPoint) {
        case 0: return client.GetMeasureBERBeforeVit();
        case 1: return client.GetMeasureBERBeforeRS();
        case 2: return client.GetMeasureBERAfterRS();
        default: return 0;  // unreachable: callers read only for points 0 to 2
    }
}

// One poll's sync check and readings; false when the point ends with `outcome`.
bool SweepEngine::Poll(BerReading& reading, KvrPortClient& client, PointOutcome* outcome) {
    // Sync: 1 goes on, 0 is lost sync; 2 and any other reading (a failed read gives -1) count as
    // errors, so a vanished instrument ends in the error path instead of a loop for ever.
    for (int errors = 0;;) {
        const std::int32_t sync = client.GetMeasureFrameSync();
        if (sync == 1) break;
        if (sync == 0) {
            ui_.ResponseLine(kLineSyncFailed);
            *outcome = PointOutcome::NoSync;
            return false;
        }
        if (++errors == 3) {
            ui_.ResponseLine(kLineError);
            *outcome = PointOutcome::InstrumentError;
            return false;
        }
    }
    if (Cancelled(client)) {
        *outcome = PointOutcome::Cancelled;
        return false;
    }
    const std::int32_t point = doc_.Receiver().berPoint;
    if (point >= 0 && point <= 2) {
        for (int negatives = 0;;) {
            const double ber = ReadBer(client);
            if (ber >= 0) {
                reading.ber = ber;
                break;
            }
            if (++negatives == 3) {
                ui_.ResponseLine(kLineError);
                *outcome = PointOutcome::InstrumentError;
                return false;
            }
        }
    }
    reading.exponent = client.GetMeasureBERExponent();
    reading.counter = client.GetMeasureBERCounter();
    reading.counterMax = client.GetMeasureBERCounterMax();
    reading.record = CountsFromReading(reading.ber, reading.exponent, reading.counter, reading.counterMax);
    return true;
}

PointOutcome SweepEngine::MeasurePoint(double cnr, BerReading& reading, KvrPortClient& client, const RunPlan& plan) {
    auto end = [&](PointOutcome outcome) {
        ui_.HideMarker();
        return outcome;
    };
    if (Cancelled(client)) return end(PointOutcome::Cancelled);
    client.PutMeasureCNR(cnr);
    if (doc_.Receiver().mode == 4) client.PutMeasureMinBERIntegration(10);
    else client.MeasureResetBer();
    ui_.ResponseLine(CnrLine(cnr));
    long long t = static_cast<long long>(std::min(doc_.BerMeasurementSeconds() * 1000, 1e9));
    if (t < 200) t = 200;
    Sleep(5 * t);
    const double markerSnr = cnr + plan.offset;
    int complete = 0, remaining = 0, pollsWithoutProgress = 0;
    std::int32_t lastCounter = -1;
    if (Cancelled(client)) return end(PointOutcome::Cancelled);
    while (true) {
        Sleep(std::clamp(static_cast<long long>(remaining) * 1000 / 20, 500LL, 5000LL));
        PointOutcome outcome = PointOutcome::Completed;
        if (!Poll(reading, client, &outcome)) return end(outcome);
        if (reading.counter == reading.counterMax) ++complete;
        if (Cancelled(client)) return end(PointOutcome::Cancelled);
        ui_.ResponseLine(BerLine(reading.ber, reading.exponent));
        remaining = ShowRemainingTime(true, reading.counter, reading.counterMax);
        RunEvent polled = Event(RunEvent::Kind::Polled);
        polled.counter = reading.counter;
        polled.counterMax = reading.counterMax;
        polled.complete = complete;
        polled.remaining = remaining;
        ui_.Progress(polled);
        ui_.HideMarker();
        ui_.ShowMarker(markerSnr, reading.ber);
        const int resolution = doc_.Options().resolution;
        const double tolerance = std::pow(10.0, -resolution);
        if (reading.exponent >= resolution && reading.ber < tolerance) {
            reading.ber = 0;
            reading.record.ending = PointEnding::ZeroRule;
            return end(PointOutcome::Completed);
        }
        if (doc_.acceptRequested || doc_.skipRequested) {
            doc_.acceptRequested = 0;  // a skip request stays set for the storing decision
            if (reading.ber < tolerance) {
                reading.ber = 0;
                reading.exponent = resolution;
            }
            reading.record.ending = PointEnding::Accepted;
            return end(PointOutcome::Completed);
        }
        if (complete >= 2) {
            reading.record.ending = PointEnding::Complete;
            return end(PointOutcome::Completed);
        }
        pollsWithoutProgress = reading.counter == lastCounter ? pollsWithoutProgress + 1 : 0;
        lastCounter = reading.counter;
        if (pollsWithoutProgress >= kMaxPollsWithoutProgress) {
            ui_.ResponseLine(kLineError);
            return end(PointOutcome::InstrumentError);
        }
        if (Cancelled(client)) return end(PointOutcome::Cancelled);
    }
}

PointOutcome SweepEngine::MeasureWithRetry(double cnr, BerReading& reading, KvrPortClient& client,
                                           const RunPlan& plan, bool* cancelled) {
    PointOutcome outcome = MeasurePoint(cnr, reading, client, plan);
    for (int retries = 0; outcome == PointOutcome::InstrumentError; ++retries) {
        if (AnswerNoResponse(retries) != MessageAnswer::Retry) {
            *cancelled = true;
            return outcome;
        }
        client.PutOnLine(false);
        client.PutOnLine(true);
        ui_.SetRunControls(RunControls::Running);
        outcome = MeasurePoint(cnr, reading, client, plan);
    }
    return outcome;
}

MessageAnswer SweepEngine::AnswerNoResponse(int retries) {
    // Read at each failure, so that a policy changed during the run applies at once.
    switch (doc_.Options().onInstrumentError) {
        case InstrumentErrorPolicy::Ask: return ui_.Message(kMsgNoResponse, MessageButtons::RetryCancel);
        case InstrumentErrorPolicy::Retry:
            if (retries < kMaxRetriesPerPoint) {
                ui_.InstrumentErrorAnswered(MessageAnswer::Retry, retries + 1);
                return MessageAnswer::Retry;
            }
            break;
        case InstrumentErrorPolicy::Cancel: break;
    }
    ui_.InstrumentErrorAnswered(MessageAnswer::Cancel, retries);
    return MessageAnswer::Cancel;
}

bool SweepEngine::RefineEnd(const PointRecord& p1, double p1Ber, const PointRecord& p2, double p2Ber,
                            KvrPortClient& client, const RunPlan& plan) {
    if (Cancelled(client)) return false;
    double loCnr = p1.cnr, loBer = p1Ber, hiCnr = p2.cnr, hiBer = p2Ber;
    PointRecord loRecord = p1, hiRecord = p2;
    BerReading reading;
    RunEvent refining = Event(RunEvent::Kind::Refining);
    refining.cnr = loCnr;
    refining.width = hiCnr - loCnr;
    ui_.Progress(refining);
    while (hiCnr - loCnr > 0.15) {
        const double mid = OnGrid((hiCnr + loCnr) * 0.5);
        if (mid == loCnr || mid == hiCnr) break;
        RunEvent point = Event(RunEvent::Kind::RefinePoint);
        point.cnr = mid;
        ui_.Progress(point);
        bool cancelled = false;
        const PointOutcome outcome = MeasureWithRetry(mid, reading, client, plan, &cancelled);
        if (cancelled) return false;
        ShowRemainingTime(false, 0, 0);
        if (Cancelled(client)) return false;
        if (outcome == PointOutcome::NoSync) return true;  // nothing of the refinement is stored
        if (reading.ber > doc_.ThresholdBer()) {
            loCnr = mid;
            loBer = reading.ber;
            loRecord = RecordOf(mid, reading, PointEnding::Refinement);
        } else {
            hiCnr = mid;
            hiBer = reading.ber;
            hiRecord = RecordOf(mid, reading, PointEnding::Refinement);
        }
    }
    doc_.InsertOrReplaceSample(loCnr + plan.offset, loBer, loRecord);
    doc_.InsertOrReplaceSample(hiCnr + plan.offset, hiBer, hiRecord);
    doc_.SetModifiedFlag();
    JournalSamples();
    ui_.RepaintNow();
    return true;
}

bool SweepEngine::Connect(KvrPortClient& client, const RunPlan& plan) {
    ui_.ResponseLine(kLineOpen);
    SelectDriverForMode(doc_, client, doc_.Receiver().mode);
    if (!ConnectInstrument(doc_, client)) {
        ReleaseInstrument(client);
        ui_.Message(kMsgConnectionFailed, MessageButtons::Ok);
        request_ = Request::Port;
        return false;
    }
    if (Cancelled(client)) return false;
    ui_.ResponseLine(kLineCheckSettings);
    if (!InstrumentMatchesSettings(doc_.Receiver(), client)) {
        ReleaseInstrument(client);
        ui_.Message(kMsgSettingsDiffer, MessageButtons::Ok);
        request_ = Request::Receiver;
        return false;
    }
    if (Cancelled(client)) return false;
    client.PutMeasureMinBERIntegration(10);
    generatorOn_ = true;
    client.PutMeasureNoiseGeneratorMode(1);
    client.PutMeasureCNR(plan.maxCnr);
    Sleep(2000);
    if (Cancelled(client)) return false;
    ui_.ResponseLine(kLineCheckSync);
    if (client.GetMeasureFrameSync() != 1) {
        ReleaseInstrument(client);
        ui_.Message(kMsgSyncFailed, MessageButtons::Ok);
        return false;
    }
    doc_.ComputeBerMeasurementSeconds([&] { return client.GetMeasureBitrate(); });
    return true;
}

std::int64_t SweepEngine::NowUtcMs() const {
    using namespace std::chrono;
    return runStartUtcMs_ + duration_cast<milliseconds>(Clock::Instance().Now() - runStartClock_).count();
}

PointRecord SweepEngine::RecordOf(double cnr, const BerReading& reading, PointEnding ending) const {
    PointRecord r = reading.record;
    r.cnr = cnr;
    r.timeUtcMs = NowUtcMs();
    r.ending = ending;
    return r;
}

// Taken once the instrument has the run: what it is, and when and at which threshold the run began.
void SweepEngine::BeginRunRecord(KvrPortClient& client) {
    RunRecord run = doc_.Run();  // keeps the comment
    run.startUtcMs = runStartUtcMs_;
    run.endUtcMs = 0;
    run.instrument.identity = client.GetIdentity();
    run.instrument.manufacturer = client.GetManufacturer();
    run.instrument.modelNumber = client.GetModelNumber();
    run.instrument.serialNumber = client.GetSerialNumber();
    run.instrument.firmwareVersion = client.GetFirmwareVersion();
    run.programVersion = std::string("KVR Tarvos ") + TARVOS_VERSION;
    run.thresholdBer = doc_.ThresholdBer();
    doc_.SetRun(run);
    runRecorded_ = true;
}

void SweepEngine::EndRunRecord() {
    if (!runRecorded_) return;
    runRecorded_ = false;
    RunRecord run = doc_.Run();
    run.endUtcMs = NowUtcMs();
    // The threshold the END was last taken at, which the user may change during the run.
    run.thresholdBer = doc_.ThresholdBer();
    doc_.SetRun(run);
    JournalSamples();
}

void SweepEngine::JournalSamples() {
    // A journal that cannot be written must not cost the run itself; the journal keeps the
    // failure for its owner to report.
    if (journal_ != nullptr) static_cast<void>(journal_->Record(doc_));
}

// Called by a failed connect phase and by the end of run: the first of them releases the object.
void SweepEngine::ReleaseInstrument(KvrPortClient& client) {
    if (!client.HasObject()) return;
    const GeneratorCheck check = ReleasePortObject(doc_, client, generatorOn_);
    if (check == GeneratorCheck::StillOn || (generatorOn_ && check == GeneratorCheck::NotKnown)) generatorLeft_ = check;
    generatorOn_ = false;
}

// A run must not end as if all were well while the instrument may still be adding noise.
void SweepEngine::ReportGenerator() {
    if (generatorLeft_ == GeneratorCheck::Off) return;
    const char* text = generatorLeft_ == GeneratorCheck::StillOn ? kLineGeneratorOn : kLineGeneratorNotKnown;
    generatorLeft_ = GeneratorCheck::Off;
    ui_.ResponseLine(text);
    ui_.Message(text, MessageButtons::Ok);
}

void SweepEngine::EndOfRun(KvrPortClient& client, RunEnding ending) {
    ReleaseInstrument(client);
    EndRunRecord();
    RunEvent ended = Event(RunEvent::Kind::Ended);
    ended.ending = ending;
    ended.endValid = doc_.End().valid != 0;
    ended.endDb = ended.endValid ? doc_.End().EndDb() : 0;
    ended.thresholdBer = doc_.ThresholdBer();
    doc_.measuring = 0;
    doc_.paused = 0;
    doc_.cancelRequested = 0;
    ui_.Progress(ended);
    ui_.SetRunControls(RunControls::Idle);
    ui_.ResponseLine(kLineIdle);
    // A run that ends inside a step (Cancel in the no-response message, an instrument error)
    // must not leave that step's remaining time and progress behind.
    ShowRemainingTime(false, 0, 0);
    ReportGenerator();
    // The request goes to the frame only now that measuring is clear, so that the frame's
    // measuring guard cannot swallow it.
    if (request_ == Request::Port) ui_.RequestPortSettings();
    if (request_ == Request::Receiver) ui_.RequestReceiverSettings();
    request_ = Request::None;
    ui_.RunEnded();
}

int SweepEngine::RunMeasurement() {
    automation::CoInitialize();
    KvrPortClient client;
    CreatePortObject(client);
    if (journal_ != nullptr) journal_->BeginRun(doc_.PathName());
    runStartUtcMs_ = std::chrono::duration_cast<std::chrono::milliseconds>(
                         std::chrono::system_clock::now().time_since_epoch()).count();
    runStartClock_ = Clock::Instance().Now();
    ui_.Progress(Event(RunEvent::Kind::Starting));
    const RunPlan plan = ComputeRunPlan(doc_);
    if (!plan.possible) {
        ui_.Message(kMsgNotPossible, MessageButtons::Ok);
        EndOfRun(client, RunEnding::NotStarted);
        return 0;
    }
    RunEnding ending = RunEnding::NotStarted;
    // The curve of the previous measurement goes only once the instrument has taken the run: a
    // start refused for the connection, the settings or the sync leaves it as it was, so saving
    // afterwards cannot overwrite a file with an empty measurement.
    if (Connect(client, plan)) {
        doc_.ResetMeasurement();
        BeginRunRecord(client);
        ui_.RepaintNow();
        RunEvent stepping = Event(RunEvent::Kind::Stepping);
        stepping.steps = plan.k;
        stepping.stepsBelowLimit = StepsBelowLimit(plan);
        stepping.stepWidth = plan.step;
        stepping.berSeconds = doc_.BerMeasurementSeconds();
        stepping.findEnd = doc_.Options().findEnd != 0;
        ui_.Progress(stepping);
        ending = RunEnding::Cancelled;  // unless the grid is gone through or a BER of 0 ends it
        auto stepEnded = [&](int step, StepResult result) {
            RunEvent e = Event(RunEvent::Kind::StepEnded);
            e.step = step;
            e.result = result;
            ui_.Progress(e);
        };
        struct Pair {
            bool set = false;
            double ber = 0;
            PointRecord record;
        } p1, p2;
        PointRecord storedRecord;
        BerReading reading;
        double cur = plan.first;
        for (int i = 1; i <= plan.k; ++i) {
            if (Cancelled(client)) break;
            const double cnr = OnGrid(cur);
            cur = cur + plan.step;
            bool stored = false;
            if (cnr < plan.lowLimit) {
                stepEnded(i, StepResult::BelowLimit);
                if (i == plan.k) ending = RunEnding::Completed;
                continue;
            }
            RunEvent started = Event(RunEvent::Kind::StepStarted);
            started.step = i;
            started.cnr = cnr;
            ui_.Progress(started);
            bool cancelled = false;
            const PointOutcome outcome = MeasureWithRetry(cnr, reading, client, plan, &cancelled);
            if (cancelled) break;
            ShowRemainingTime(false, 0, 0);
            if (Cancelled(client)) break;
            if (reading.ber < plan.berLimit && outcome == PointOutcome::Completed) {
                if (doc_.skipRequested) {
                    doc_.skipRequested = 0;
                    ui_.RepaintNow();
                    stepEnded(i, StepResult::Skipped);
                } else {
                    storedRecord = RecordOf(cnr, reading, reading.record.ending);
                    doc_.AppendSample(cnr + plan.offset, reading.ber, storedRecord);
                    doc_.SetModifiedFlag();
                    JournalSamples();
                    if (reading.ber == 0) doc_.SetZeroBerExponent(doc_.Options().resolution);
                    ui_.UpdateBerRange();
                    ui_.RepaintNow();
                    stepEnded(i, StepResult::Stored);
                    if (reading.ber == 0 && doc_.Options().zeroExit) {
                        ending = i == plan.k ? RunEnding::Completed : RunEnding::ZeroBer;
                        break;
                    }
                    stored = true;
                }
            } else {
                stepEnded(i, outcome == PointOutcome::NoSync ? StepResult::NoSync : StepResult::OverLimit);
            }
            if (i == plan.k) ending = RunEnding::Completed;  // a cancel from here on finds nothing left
            if (Cancelled(client)) break;
            if (!stored || doc_.End().valid) continue;
            if (!p1.set) p1 = {true, reading.ber, storedRecord};
            else if (!p2.set) p2 = {true, reading.ber, storedRecord};
            else {
                p1 = p2;
                p2 = {true, reading.ber, storedRecord};
            }
            const double threshold = doc_.ThresholdBer();
            if (p1.set && p2.set && p1.ber >= threshold && p2.ber <= threshold) {
                if (doc_.Options().findEnd) {
                    ui_.EnableSkipAccept(false);
                    if (!RefineEnd(p1.record, p1.ber, p2.record, p2.ber, client, plan)) {
                        ending = RunEnding::Cancelled;
                        break;
                    }
                    ui_.EnableSkipAccept(true);
                    ui_.Progress(Event(RunEvent::Kind::RefineEnded));
                }
                doc_.UpdateEnd();
                if (doc_.End().valid) ui_.Invalidate();
            }
        }
    }
    EndOfRun(client, ending);
    return 0;
}

}  // namespace tarvos
