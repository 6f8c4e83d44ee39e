#include <QDBusConnection>
#include <QDBusMessage>
#include <QFileInfo>
#include <QPointer>
#include <QSystemTrayIcon>
#include <QVariantMap>
#include <QWidget>

#include "app/app_icons.h"
#include "app/desktop_notifier.h"

namespace tarvos {
namespace {

constexpr int kShownMs = 10000;

class QtDesktopNotifier final : public DesktopNotifier {
public:
    explicit QtDesktopNotifier(QWidget* window) : window_(window) {}

    void Notify(const std::string& title, const std::string& body) override {
        const QString summary = QString::fromStdString(title);
        const QString text = QString::fromStdString(body);
        if (QSystemTrayIcon::isSystemTrayAvailable() && QSystemTrayIcon::supportsMessages()) {
            ShowInTray(summary, text);
            return;
        }
        SendOnSessionBus(summary, text);
    }

private:
    void ShowInTray(const QString& summary, const QString& text) {
        if (!tray_) {
            tray_ = new QSystemTrayIcon(ProgramIcon(), window_);
            tray_->setToolTip(QStringLiteral("KVR Tarvos"));
        }
        tray_->show();
        tray_->showMessage(summary, text, QSystemTrayIcon::Information, kShownMs);
    }

    // Where no session bus is announced there is nobody to tell, and asking Qt for one would start
    // its bus thread (and an autolaunched bus daemon) for nothing, possibly while the program ends.
    static bool SessionBusAnnounced() {
        if (!qEnvironmentVariableIsEmpty("DBUS_SESSION_BUS_ADDRESS")) return true;
        const QString runtime = qEnvironmentVariable("XDG_RUNTIME_DIR");
        return !runtime.isEmpty() && QFileInfo::exists(runtime + QStringLiteral("/bus"));
    }

    // send() queues the call without waiting for its reply: a missing or hanging notification
    // service can neither block the window nor fail the run.
    static void SendOnSessionBus(const QString& summary, const QString& text) {
        if (!SessionBusAnnounced()) return;
        QDBusConnection bus = QDBusConnection::sessionBus();
        if (!bus.isConnected()) return;
        QDBusMessage call = QDBusMessage::createMethodCall(
            QStringLiteral("org.freedesktop.Notifications"), QStringLiteral("/org/freedesktop/Notifications"),
            QStringLiteral("org.freedesktop.Notifications"), QStringLiteral("Notify"));
        call << QStringLiteral("KVR Tarvos") << 0u << QStringLiteral("kvr-tarvos") << summary << text
             << QStringList() << QVariantMap() << kShownMs;
        bus.send(call);
    }

    QPointer<QWidget> window_;
    QPointer<QSystemTrayIcon> tray_;
};

}  // namespace

std::unique_ptr<DesktopNotifier> MakeDesktopNotifier(QWidget* window) {
    return std::make_unique<QtDesktopNotifier>(window);
}

}  // namespace tarvos
