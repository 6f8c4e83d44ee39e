#include "document/dia_doc.h"

#include <filesystem>
#include <optional>
#include <utility>

#include "document/theory.h"

namespace tarvos {

C_KVR_DiaDoc::C_KVR_DiaDoc(std::shared_ptr<SettingsPersistence> store) : store_(std::move(store)) {
    ResetMeasurement();
    if (store_) {
        StoredSettings loaded = store_->Load();
        options_ = loaded.options;
        port_ = loaded.port;
        receiver_ = loaded.receiver;
    }
}

MeasurementOptions C_KVR_DiaDoc::Options() const {
    std::lock_guard<std::mutex> lock(optionsMutex_);
    return options_;
}

void C_KVR_DiaDoc::SetOptions(const MeasurementOptions& options) {
    std::lock_guard<std::mutex> lock(optionsMutex_);
    options_ = options;
}

void C_KVR_DiaDoc::SetThresholdBer(double ber) {
    std::lock_guard<std::mutex> lock(optionsMutex_);
    options_.threshold = ber;
}

Status C_KVR_DiaDoc::Close() {
    if (closed_) return {};
    closed_ = true;
    if (!store_) return {};
    return store_->Save(CurrentSettings());
}

double C_KVR_DiaDoc::TheoreticalBer(double snr) const { return tarvos::TheoreticalBer(receiver_, snr); }
int C_KVR_DiaDoc::BitsPerSymbol() const { return tarvos::BitsPerSymbol(receiver_); }
double C_KVR_DiaDoc::KneeSnr() const { return tarvos::KneeSnr(receiver_); }
double C_KVR_DiaDoc::SnrOffset() const { return tarvos::SnrOffset(receiver_); }
double C_KVR_DiaDoc::MinGeneratorCnr() const { return tarvos::MinGeneratorCnr(receiver_); }
double C_KVR_DiaDoc::MaxGeneratorCnr() const { return tarvos::MaxGeneratorCnr(receiver_); }
double C_KVR_DiaDoc::BerLimitForPoint() const { return tarvos::BerLimitForPoint(receiver_); }

double C_KVR_DiaDoc::TheoreticalSnrAtBer(double ber) const {
    return tarvos::TheoreticalSnrAtBer(receiver_, ber, HighestReachableSnr(receiver_));
}

double C_KVR_DiaDoc::ExtrapolatedBer(double snr) {
    ParabolaFit fit;
    const double ber = tarvos::ExtrapolatedBer(receiver_, snr, &fit);
    if (KneeSnr() != 0) {
        std::lock_guard<std::mutex> lock(mutex_);
        curves_.fit = fit;
    }
    return ber;
}

void C_KVR_DiaDoc::BuildTheoreticalCurve(double from, double to) {
    // The formula is evaluated without the lock so that a repaint never waits for it.
    SampleList curve;
    const std::optional<ParabolaFit> fit =
        tarvos::BuildTheoreticalCurve(receiver_, from, to, kTheorySteps, curve);
    std::lock_guard<std::mutex> lock(mutex_);
    curves_.theory = std::move(curve);
    if (fit) curves_.fit = *fit;
}

void C_KVR_DiaDoc::UpdateEnd() {
    const double threshold = ThresholdBer();
    const double theorySnr = TheoreticalSnrAtBer(threshold);
    std::lock_guard<std::mutex> lock(mutex_);
    EndResult& end = curves_.end;
    end.theorySnr = theorySnr;
    end.theoryBer = threshold;
    const double measured = curves_.measured.MeasuredSnrAtBer(threshold);
    if (measured != 0 && theorySnr != 0) {
        end.measuredSnr = measured;
        end.measuredBer = threshold;
        end.valid = 1;
    } else {
        end.valid = 0;
    }
}

void C_KVR_DiaDoc::ComputeBerMeasurementSeconds(const std::function<double()>& measureBitrate) {
    const double bitrate = (receiver_.mode == kModeDvbt && measureBitrate) ? measureBitrate() : 0.0;
    berMeasurementSeconds_.store(BerMeasurementSecondsFor(receiver_, bitrate));
}

void C_KVR_DiaDoc::ResetMeasurement() {
    std::lock_guard<std::mutex> lock(mutex_);
    curves_.measured.Clear();
    curves_.end.valid = 0;
    curves_.zeroBerExponent = 16;
    // The comment describes the measurement the user keeps in this document; it outlives a new run.
    std::string comment = std::move(curves_.records.run.comment);
    curves_.records = {};
    curves_.records.run.comment = std::move(comment);
}

void C_KVR_DiaDoc::AppendSample(double snr, double ber) {
    std::lock_guard<std::mutex> lock(mutex_);
    if (!curves_.records.points.empty()) curves_.records.points.emplace_back();
    curves_.measured.AppendSample(snr, ber);
}

void C_KVR_DiaDoc::InsertOrReplaceSample(double snr, double ber) {
    std::lock_guard<std::mutex> lock(mutex_);
    const SampleList::Placement at = curves_.measured.InsertOrReplaceSample(snr, ber);
    auto& points = curves_.records.points;
    if (!points.empty() && !at.replaced) points.insert(points.begin() + static_cast<std::ptrdiff_t>(at.index), PointRecord{});
}

void C_KVR_DiaDoc::AppendSample(double snr, double ber, const PointRecord& record) {
    std::lock_guard<std::mutex> lock(mutex_);
    auto& points = curves_.records.points;
    // A curve that so far had no point records (one opened from an older file) gets empty ones
    // for its earlier samples.
    points.resize(curves_.measured.Count());
    points.push_back(record);
    curves_.measured.AppendSample(snr, ber);
}

void C_KVR_DiaDoc::InsertOrReplaceSample(double snr, double ber, const PointRecord& record) {
    std::lock_guard<std::mutex> lock(mutex_);
    auto& points = curves_.records.points;
    points.resize(curves_.measured.Count());
    const SampleList::Placement at = curves_.measured.InsertOrReplaceSample(snr, ber);
    if (at.replaced) points[at.index] = record;
    else points.insert(points.begin() + static_cast<std::ptrdiff_t>(at.index), record);
}

MeasurementRecords C_KVR_DiaDoc::Records() const {
    std::lock_guard<std::mutex> lock(mutex_);
    return curves_.records;
}

RunRecord C_KVR_DiaDoc::Run() const {
    std::lock_guard<std::mutex> lock(mutex_);
    return curves_.records.run;
}

void C_KVR_DiaDoc::SetRun(const RunRecord& run) {
    std::lock_guard<std::mutex> lock(mutex_);
    std::string comment = std::move(curves_.records.run.comment);
    curves_.records.run = run;
    curves_.records.run.comment = std::move(comment);
}

void C_KVR_DiaDoc::SetComment(const std::string& comment) {
    std::lock_guard<std::mutex> lock(mutex_);
    curves_.records.run.comment = comment;
}

double C_KVR_DiaDoc::MeasuredSnrAtBer(double ber) const {
    std::lock_guard<std::mutex> lock(mutex_);
    return curves_.measured.MeasuredSnrAtBer(ber);
}

std::size_t C_KVR_DiaDoc::MeasuredCount() const {
    std::lock_guard<std::mutex> lock(mutex_);
    return curves_.measured.Count();
}

std::vector<MeasurementSample> C_KVR_DiaDoc::MeasuredSamples() const {
    std::lock_guard<std::mutex> lock(mutex_);
    return curves_.measured.ToVector();
}

std::vector<MeasurementSample> C_KVR_DiaDoc::TheoreticalSamples() const {
    std::lock_guard<std::mutex> lock(mutex_);
    return curves_.theory.ToVector();
}

EndResult C_KVR_DiaDoc::End() const {
    std::lock_guard<std::mutex> lock(mutex_);
    return curves_.end;
}

ParabolaFit C_KVR_DiaDoc::Fit() const {
    std::lock_guard<std::mutex> lock(mutex_);
    return curves_.fit;
}

int C_KVR_DiaDoc::ZeroBerExponent() const {
    std::lock_guard<std::mutex> lock(mutex_);
    return curves_.zeroBerExponent;
}

void C_KVR_DiaDoc::SetZeroBerExponent(int exponent) {
    std::lock_guard<std::mutex> lock(mutex_);
    curves_.zeroBerExponent = exponent;
}

void C_KVR_DiaDoc::ReplaceMeasurement(const ReceiverSettings& rs, SampleList&& measured,
                                      MeasurementRecords&& records) {
    receiver_ = rs;
    {
        std::lock_guard<std::mutex> lock(mutex_);
        curves_.measured = std::move(measured);
        curves_.records = std::move(records);
        // Records that do not line up with the samples would pin counts on the wrong points.
        if (curves_.records.points.size() != curves_.measured.Count()) curves_.records.points.clear();
    }
    BuildTheoreticalCurve(receiver_.snrBegin, receiver_.snrEnd);
    UpdateEnd();
}

std::string C_KVR_DiaDoc::Title() const {
    std::lock_guard<std::mutex> lock(identityMutex_);
    if (pathName_.empty()) return kUntitled;
    return std::filesystem::path(pathName_).filename().string();
}

std::string C_KVR_DiaDoc::PathName() const {
    std::lock_guard<std::mutex> lock(identityMutex_);
    return pathName_;
}

void C_KVR_DiaDoc::SetPathName(const std::string& path) {
    std::lock_guard<std::mutex> lock(identityMutex_);
    pathName_ = path;
}

}  // namespace tarvos
