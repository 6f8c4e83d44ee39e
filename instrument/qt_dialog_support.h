// What the two instrument settings dialogs share on Qt: their message boxes (behind a function
// that tests replace), the Enter key of the program's dialogs, and the instrument's pauses taken
// on the window thread without freezing the windows' painting.
#pragma once

#include <chrono>
#include <functional>

#include <QObject>
#include <QString>

class QWidget;

namespace tarvos {

// Shows one message with an OK button and returns when it has been answered.
using MessageSink = std::function<void(const QString& text)>;
// A modal message box over `parent`.
MessageSink MessageBoxSink(QWidget* parent);

// Enter on a watched push button presses it; on any other watched control it moves the focus on
// (`moveFocusOn`), so that a field left this way checks its value instead of the dialog closing.
// Watching the controls themselves catches Enter before any of them can use it otherwise.
class EnterKeyRule : public QObject {
public:
    EnterKeyRule(QObject* parent, std::function<void()> moveFocusOn);
    void Watch(QWidget* control);

protected:
    bool eventFilter(QObject* watched, QEvent* event) override;

private:
    std::function<void()> moveFocusOn_;
};

// Lets `duration` of clock time pass while the windows keep painting: the events of the window
// system other than the user's input are served in slices. Under the virtual clock no real time
// passes.
void WaitKeepingWindowsPainted(std::chrono::milliseconds duration);

}  // namespace tarvos
