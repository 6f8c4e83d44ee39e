// The sweep's user interface in the window program: every call of the worker is carried to the
// window thread in the order it was made; a message box blocks only the worker until answered.
#pragma once

#include <condition_variable>
#include <functional>
#include <memory>
#include <mutex>
#include <optional>
#include <string>

#include <QObject>
#include <QPointer>
#include <QWidget>

#include "measurement/run_ui.h"

namespace tarvos {

class MeasurementDialog;
class C_KVR_DiaView;

struct RunUiTargets {
    MeasurementDialog* dialog = nullptr;
    C_KVR_DiaView* view = nullptr;
    QWidget* messageParent = nullptr;
    // The frame's two requests; plain flag stores, safe from the worker.
    std::function<void()> requestPortSettings;
    std::function<void()> requestReceiverSettings;
    // Where the run stands, called on the window thread in the order of the run's events.
    std::function<void(const RunEvent&)> progress;
    // On the window thread: a run message box has opened and the run waits for its answer (the
    // box's text); the run has ended (why, when the instrument-error policy cancelled it; else
    // empty). Neither is called once the window is going away.
    std::function<void(const std::string& text)> waitingForAnswer;
    std::function<void(const std::string& cancelledBecause)> runEnded;
};

class QtRunUi final : public QObject, public RunUi {
    Q_OBJECT
public:
    // Must be made on the window thread: the calls are carried there.
    explicit QtRunUi(RunUiTargets targets, QObject* parent = nullptr);
    ~QtRunUi() override;

    // The window is going away: messages waiting now or asked later are answered at once (Cancel,
    // or OK where that is the only button) without a box, so the worker can end and be joined.
    void Shutdown();
    // Messages are shown again (the window stayed open after all).
    void Reopen();

    void SetRunControls(RunControls controls) override;
    void EnableSkipAccept(bool enabled) override;
    void ResponseLine(const std::string& text) override;
    void ShowRemainingTime(bool show, const std::string& text, int counter, int counterMax) override;
    void ShowMarker(double snr, double ber) override;
    void HideMarker() override;
    void UpdateBerRange() override;
    void RepaintNow() override;
    void Invalidate() override;
    MessageAnswer Message(const std::string& text, MessageButtons buttons) override;
    void InstrumentErrorAnswered(MessageAnswer answer, int retries) override;
    void RunEnded() override;
    void RequestPortSettings() override;
    void RequestReceiverSettings() override;
    void Progress(const RunEvent& event) override;

private:
    struct PendingAnswer {
        std::optional<MessageAnswer> answer;
    };

    template <class F>
    void Post(F&& call);
    void ShowMessageBox(const std::shared_ptr<PendingAnswer>& pending, const QString& text, MessageButtons buttons);
    void Answer(const std::shared_ptr<PendingAnswer>& pending, MessageAnswer answer);
    bool Settled(const PendingAnswer& pending);

    RunUiTargets targets_;
    std::mutex mutex_;
    std::condition_variable answered_;
    bool shutdown_ = false;
    std::string cancelledBecause_;  // of the run going on
    QPointer<QWidget> openBox_;
};

}  // namespace tarvos
