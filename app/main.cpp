// kvr-tarvos: the window program. Start-up: the command line, the document with the settings
// store loaded, the main window with the measurement dialog and the offer of unsaved runs; at the
// end the document writes its settings back, then the view its own. A quit signal or the
// session's logout ends the program the same way, without a prompt.
#include <cstdio>
#include <memory>

#include <QApplication>
#include <QPrinter>
#include <QPrinterInfo>
#include <QSessionManager>

#include "app/app_icons.h"
#include "app/dia_frame.h"
#include "app/program_dialogs.h"
#include "app/quit_signals.h"
#include "app/settings_store.h"
#include "app/startup_options.h"
#include "platform/clock.h"
#include "platform/serial_ports.h"

namespace {

using namespace tarvos;

int Fail(const std::string& message) {
    std::fprintf(stderr, "kvr-tarvos: %s\n", message.c_str());
    return 1;
}

// Prints the named document as the window would show it, without showing the window.
int PrintDocument(C_KVR_DiaFrame& frame, const StartupOptions& options) {
    frame.setAttribute(Qt::WA_DontShowOnScreen);
    frame.show();
    if (!frame.OpenFile(*options.printFile, C_KVR_DiaFrame::Recent::Skip)) return 1;
    QPrinter printer(QPrinter::HighResolution);
    if (options.printTo) {
        printer.setOutputFormat(QPrinter::PdfFormat);
        printer.setOutputFileName(QString::fromStdString(*options.printTo));
    } else if (QPrinterInfo::availablePrinters().isEmpty()) {
        return Fail("no printer is installed (--print-to OUT.pdf writes the page into a file)");
    }
    frame.PrintOn(printer, PaintTarget::Printer);
    return 0;
}

// The window's life: the recovery offer, the optional start, the event loop until the user or a
// quit signal ends it.
int RunWindow(C_KVR_DiaFrame& frame, const StartupOptions& options) {
    QuitSignals quitSignals;
    if (!quitSignals.Installed()) std::fprintf(stderr, "kvr-tarvos: %s\n", quitSignals.Installed().error().message.c_str());
    auto quitInOrder = [&frame] {
        frame.QuitInOrder();
        QApplication::exit(0);
    };
    QObject::connect(&quitSignals, &QuitSignals::quitRequested, &frame, quitInOrder);
#ifndef QT_NO_SESSIONMANAGER
    // Logout must not wait for a prompt nobody answers: the orderly end, once the session manager
    // has been answered.
    QObject::connect(qApp, &QGuiApplication::commitDataRequest, &frame, [&frame, quitInOrder](QSessionManager&) {
        QMetaObject::invokeMethod(&frame, quitInOrder, Qt::QueuedConnection);
    });
#endif
    frame.show();
    frame.ShowMeasurementDialog();
    frame.OfferRecovery();
    if (options.startMeasurement && !frame.Quitting()) frame.StartMeasurement();
    // A quit signal answered during the recovery offer has ended its prompt's loop already; the
    // main loop would not see it.
    return frame.Quitting() ? 0 : QApplication::exec();
}

}  // namespace

int main(int argc, char** argv) {
    QApplication app(argc, argv);
    QApplication::setApplicationName(QStringLiteral("KVR Tarvos"));
    QApplication::setApplicationVersion(QStringLiteral("1.1"));
    QApplication::setWindowIcon(ProgramIcon());

    const Result<StartupOptions> parsed = ParseStartupOptions(QApplication::arguments());
    if (!parsed) return Fail(parsed.error().message);
    const StartupOptions& options = parsed.value();
    if (options.help) {
        std::fputs(options.helpText.c_str(), stdout);
        return 0;
    }
    if (options.timeScale) Clock::Instance().SetRealTime(*options.timeScale);

    std::optional<std::filesystem::path> explicitFile;
    if (options.settingsFile) explicitFile = *options.settingsFile;
    const SettingsLocation where = LocateSettingsFile(explicitFile, kWindowProgramName);
    // The instrument modules run in this process and read the [Serial Ports] map from this file.
    ShareSettingsFile(where.settingsFile);
    C_KVR_DiaDoc doc(std::make_shared<IniSettingsStore>(where));

    int result = 0;
    Status closed;
    {
        FrameServices services;
        services.settingsFile = where.settingsFile;
        services.dialogs = std::make_unique<ProgramDialogs>(doc);
        C_KVR_DiaFrame frame(doc, std::move(services));
        if (options.printFile) {
            result = PrintDocument(frame, options);
        } else if (options.document && !frame.OpenFile(*options.document)) {
            result = 1;  // the document named on the command line could not be opened
        } else {
            result = RunWindow(frame, options);
        }
        frame.StopRun();
        // The document closes before the view goes, so that a new settings file gets the
        // document's three sections first and the diagram's two after them.
        closed = doc.Close();
    }
    if (!closed) return Fail("settings not written: " + closed.error().message);
    return result;
}
