#include "measurement/qt_run_ui.h"

#include <utility>

#include <QCoreApplication>
#include <QMessageBox>
#include <QMetaObject>
#include <QThread>

#include "diagram/dia_view.h"
#include "measurement/measurement_dialog.h"

namespace tarvos {

namespace {

MessageAnswer AnswerWithoutBox(MessageButtons buttons) {
    return buttons == MessageButtons::Ok ? MessageAnswer::Ok : MessageAnswer::Cancel;
}

}  // namespace

QtRunUi::QtRunUi(RunUiTargets targets, QObject* parent) : QObject(parent), targets_(std::move(targets)) {}

QtRunUi::~QtRunUi() { Shutdown(); }

template <class F>
void QtRunUi::Post(F&& call) {
    // Queued events to one receiver are delivered in the order they were posted, from any thread.
    QMetaObject::invokeMethod(this, std::forward<F>(call), Qt::QueuedConnection);
}

void QtRunUi::Shutdown() {
    {
        std::lock_guard lock(mutex_);
        shutdown_ = true;
    }
    answered_.notify_all();
    if (openBox_ && QThread::currentThread() == thread()) openBox_->deleteLater();
}

void QtRunUi::Reopen() {
    std::lock_guard lock(mutex_);
    shutdown_ = false;
}

void QtRunUi::SetRunControls(RunControls controls) {
    Post([this, controls] {
        if (targets_.dialog) targets_.dialog->SetRunControls(controls);
    });
}

void QtRunUi::EnableSkipAccept(bool enabled) {
    Post([this, enabled] {
        if (targets_.dialog) targets_.dialog->EnableSkipAccept(enabled);
    });
}

void QtRunUi::ResponseLine(const std::string& text) {
    Post([this, line = QString::fromStdString(text)] {
        if (targets_.dialog) targets_.dialog->SetResponseLine(line);
    });
}

void QtRunUi::ShowRemainingTime(bool show, const std::string& text, int counter, int counterMax) {
    Post([this, show, line = QString::fromStdString(text), counter, counterMax] {
        if (targets_.dialog) targets_.dialog->ShowRemainingTime(show, line, counter, counterMax);
    });
}

void QtRunUi::ShowMarker(double snr, double ber) {
    Post([this, snr, ber] {
        if (targets_.view) targets_.view->ShowMarker(snr, ber);
    });
}

void QtRunUi::HideMarker() {
    Post([this] {
        if (targets_.view) targets_.view->HideMarker();
    });
}

void QtRunUi::UpdateBerRange() {
    Post([this] {
        if (targets_.view) targets_.view->UpdateBerRange();
    });
}

void QtRunUi::RepaintNow() {
    Post([this] {
        if (targets_.view) targets_.view->RepaintNow();
    });
}

void QtRunUi::Invalidate() {
    Post([this] {
        if (targets_.view) targets_.view->update();
    });
}

MessageAnswer QtRunUi::Message(const std::string& text, MessageButtons buttons) {
    auto pending = std::make_shared<PendingAnswer>();
    const QString qtext = QString::fromStdString(text);
    if (QThread::currentThread() == thread()) {
        // Asked on the window thread itself: there is no worker to block, the box runs here.
        ShowMessageBox(pending, qtext, buttons);
        while (!Settled(*pending)) QCoreApplication::processEvents(QEventLoop::WaitForMoreEvents);
        return pending->answer.value_or(AnswerWithoutBox(buttons));
    }
    {
        std::lock_guard lock(mutex_);
        if (shutdown_) return AnswerWithoutBox(buttons);
    }
    Post([this, pending, qtext, buttons] { ShowMessageBox(pending, qtext, buttons); });
    std::unique_lock lock(mutex_);
    answered_.wait(lock, [&] { return pending->answer.has_value() || shutdown_; });
    return pending->answer.value_or(AnswerWithoutBox(buttons));
}

void QtRunUi::ShowMessageBox(const std::shared_ptr<PendingAnswer>& pending, const QString& text,
                             MessageButtons buttons) {
    {
        std::lock_guard lock(mutex_);
        if (shutdown_) return;
    }
    const bool retry = buttons == MessageButtons::RetryCancel;
    auto* box = new QMessageBox(QMessageBox::Warning, QStringLiteral("KVR Tarvos"), text,
                                retry ? (QMessageBox::Retry | QMessageBox::Cancel) : QMessageBox::Ok,
                                targets_.messageParent);
    box->setAttribute(Qt::WA_DeleteOnClose);
    box->setWindowModality(Qt::ApplicationModal);
    box->setObjectName(QStringLiteral("runMessage"));
    // Without a nested event loop: the window thread goes on serving the run's updates, and a
    // closing window never unwinds through a box that is still open.
    connect(box, &QMessageBox::finished, this, [this, pending, retry](int result) {
        MessageAnswer answer = MessageAnswer::Ok;
        if (retry) answer = result == QMessageBox::Retry ? MessageAnswer::Retry : MessageAnswer::Cancel;
        Answer(pending, answer);
    });
    openBox_ = box;
    box->show();
    if (targets_.waitingForAnswer) targets_.waitingForAnswer(text.toStdString());
}

bool QtRunUi::Settled(const PendingAnswer& pending) {
    std::lock_guard lock(mutex_);
    return pending.answer.has_value() || shutdown_;
}

void QtRunUi::Answer(const std::shared_ptr<PendingAnswer>& pending, MessageAnswer answer) {
    {
        std::lock_guard lock(mutex_);
        pending->answer = answer;
    }
    answered_.notify_all();
}

void QtRunUi::Progress(const RunEvent& event) {
    Post([this, event] {
        if (targets_.progress) targets_.progress(event);
    });
}

void QtRunUi::InstrumentErrorAnswered(MessageAnswer answer, int retries) {
    // A retry is the policy doing its work; only the cancel that ends the run is worth telling.
    if (answer != MessageAnswer::Cancel) return;
    std::lock_guard lock(mutex_);
    cancelledBecause_ = retries > 0 ? "KVR doesn't response, cancelled after " + std::to_string(retries) + " retries"
                                    : std::string("KVR doesn't response, cancelled");
}

void QtRunUi::RunEnded() {
    std::string because;
    {
        std::lock_guard lock(mutex_);
        because = std::exchange(cancelledBecause_, std::string());
        if (shutdown_) return;  // the window is closing: nobody to tell
    }
    Post([this, because] {
        if (targets_.runEnded) targets_.runEnded(because);
    });
}

void QtRunUi::RequestPortSettings() {
    if (targets_.requestPortSettings) targets_.requestPortSettings();
}

void QtRunUi::RequestReceiverSettings() {
    if (targets_.requestReceiverSettings) targets_.requestReceiverSettings();
}

}  // namespace tarvos
