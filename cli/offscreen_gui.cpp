#include "cli/offscreen_gui.h"

#include <clocale>
#include <string>

namespace tarvos::cli {
namespace {

// Qt's messages about its platform are no business of the command's user; real failures are
// reported by the calls that fail.
void KeepQtQuiet(QtMsgType, const QMessageLogContext&, const QString&) {}

}  // namespace

OffscreenGui::OffscreenGui() : previousHandler_(qInstallMessageHandler(KeepQtQuiet)) {
    const char* current = std::setlocale(LC_ALL, nullptr);
    const std::string locale = current != nullptr ? current : "C";
    qputenv("QT_QPA_PLATFORM", "offscreen");
    app_ = std::make_unique<QGuiApplication>(argc_, argv_);
    // QGuiApplication adopts the user's locale; the program's number texts assume it did not.
    std::setlocale(LC_ALL, locale.c_str());
}

OffscreenGui::~OffscreenGui() {
    app_.reset();
    qInstallMessageHandler(previousHandler_);
}

}  // namespace tarvos::cli
