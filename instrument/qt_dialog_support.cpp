#include "instrument/qt_dialog_support.h"

#include <algorithm>

#include <QAbstractButton>
#include <QCoreApplication>
#include <QEventLoop>
#include <QKeyEvent>
#include <QMessageBox>
#include <QWidget>

#include "platform/clock.h"

namespace tarvos {

MessageSink MessageBoxSink(QWidget* parent) {
    return [parent](const QString& text) {
        QMessageBox::information(parent, QStringLiteral("KVR Tarvos"), text, QMessageBox::Ok);
    };
}

EnterKeyRule::EnterKeyRule(QObject* parent, std::function<void()> moveFocusOn)
    : QObject(parent), moveFocusOn_(std::move(moveFocusOn)) {}

void EnterKeyRule::Watch(QWidget* control) { control->installEventFilter(this); }

bool EnterKeyRule::eventFilter(QObject* watched, QEvent* event) {
    if (event->type() != QEvent::KeyPress) return false;
    const auto* key = static_cast<QKeyEvent*>(event);
    const bool enter = key->key() == Qt::Key_Return || key->key() == Qt::Key_Enter;
    if (!enter || (key->modifiers() & ~Qt::KeypadModifier) != Qt::NoModifier) return false;
    if (auto* button = qobject_cast<QAbstractButton*>(watched)) {
        if (button->isEnabled()) button->click();
        return true;
    }
    moveFocusOn_();
    return true;
}

void WaitKeepingWindowsPainted(std::chrono::milliseconds duration) {
    // Short enough that a window uncovered meanwhile is repainted without a visible delay.
    constexpr Clock::Duration kSlice = std::chrono::milliseconds(20);
    Clock& clock = Clock::Instance();
    const Clock::Duration end = clock.Now() + duration;
    for (;;) {
        // Input stays queued: the dialog takes none while it talks to the instrument.
        QCoreApplication::processEvents(QEventLoop::ExcludeUserInputEvents);
        const Clock::Duration left = end - clock.Now();
        if (left <= Clock::Duration::zero()) break;
        clock.SleepFor(std::min(left, kSlice));
    }
}

}  // namespace tarvos
