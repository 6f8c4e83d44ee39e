// kvr-tarvos: the window program. Start-up: the command line, the document with the settings
// store loaded, the main window with the measurement dialog; at the end the document and the
// view write their settings back.
#include <cstdio>
#include <memory>

#include <QApplication>
#include <QPrinter>
#include <QPrinterInfo>

#include "app/app_icons.h"
#include "app/dia_frame.h"
#include "app/program_dialogs.h"
#include "app/settings_store.h"
#include "app/startup_options.h"
#include "platform/clock.h"

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
    if (!frame.OpenFile(*options.printFile)) return 1;
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
    C_KVR_DiaDoc doc(std::make_shared<IniSettingsStore>(where));

    int result = 0;
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
            frame.show();
            frame.ShowMeasurementDialog();
            result = QApplication::exec();
        }
    }
    if (const Status closed = doc.Close(); !closed) return Fail("settings not written: " + closed.error().message);
    return result;
}
