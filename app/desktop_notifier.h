// Desktop notifications of the main window: a run that ended or waits for an answer reaches a
// user who is not looking at the window. Behind an interface so that a test can count them.
#pragma once

#include <memory>
#include <string>

class QWidget;

namespace tarvos {

class DesktopNotifier {
public:
    virtual ~DesktopNotifier() = default;
    // Never blocks and never fails: without a notification service nothing is shown.
    virtual void Notify(const std::string& title, const std::string& body) = 0;
};

// The desktop's own: the system tray's balloon where a tray exists, otherwise the freedesktop
// notification service on the session bus. `window` owns the tray icon, when one is made.
std::unique_ptr<DesktopNotifier> MakeDesktopNotifier(QWidget* window);

}  // namespace tarvos
