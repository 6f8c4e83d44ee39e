// The window program's command line: a document to open, a document to print, the settings file
// and the clock's time scale.
#pragma once

#include <optional>
#include <string>

#include <QStringList>

#include "platform/result.h"

namespace tarvos {

struct StartupOptions {
    std::optional<std::string> document;   // opened at start-up
    std::optional<std::string> printFile;  // printed on the default printer, then the program ends
    std::optional<std::string> printTo;    // print into this PDF file instead of a printer
    std::optional<std::string> settingsFile;
    std::optional<double> timeScale;       // waits take this many times their length
    bool startMeasurement = false;         // press Start once the window is shown (scripts, tests)
    bool help = false;
    std::string helpText;
};

// `arguments` with the program name first, as QCoreApplication::arguments() gives them.
Result<StartupOptions> ParseStartupOptions(const QStringList& arguments);

}  // namespace tarvos
