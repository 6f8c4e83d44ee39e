#include "app/startup_options.h"

#include <cmath>

#include <QCommandLineParser>

namespace tarvos {

Result<StartupOptions> ParseStartupOptions(const QStringList& arguments) {
    QCommandLineParser parser;
    parser.setApplicationDescription(QStringLiteral("KVR Tarvos: BER over S/N of digital TV receivers"));
    parser.addHelpOption();
    const QCommandLineOption print(QStringLiteral("print"), QStringLiteral("Print the document FILE and end."),
                                   QStringLiteral("FILE"));
    const QCommandLineOption printTo(QStringLiteral("print-to"),
                                     QStringLiteral("With --print: write the page into the PDF file OUT."),
                                     QStringLiteral("OUT"));
    const QCommandLineOption settings(QStringLiteral("settings"), QStringLiteral("Use the settings file FILE."),
                                      QStringLiteral("FILE"));
    const QCommandLineOption timeScale(QStringLiteral("time-scale"),
                                       QStringLiteral("Waits take X times their length (0: instant)."),
                                       QStringLiteral("X"));
    const QCommandLineOption start(QStringLiteral("start-measurement"),
                                   QStringLiteral("Start a measurement once the window is shown (for scripting "
                                                  "and tests)."));
    parser.addOptions({print, printTo, settings, timeScale, start});
    parser.addPositionalArgument(QStringLiteral("document"), QStringLiteral("A .tvd document to open."),
                                 QStringLiteral("[document]"));
    if (!parser.parse(arguments)) return Error{parser.errorText().toStdString()};

    StartupOptions options;
    options.help = parser.isSet(QStringLiteral("help"));
    options.helpText = parser.helpText().toStdString();
    const QStringList positional = parser.positionalArguments();
    if (positional.size() > 1) return Error{"only one document can be opened"};
    if (!positional.isEmpty()) options.document = positional.first().toStdString();
    if (parser.isSet(print)) options.printFile = parser.value(print).toStdString();
    if (parser.isSet(printTo)) {
        if (!options.printFile) return Error{"--print-to needs --print"};
        options.printTo = parser.value(printTo).toStdString();
    }
    options.startMeasurement = parser.isSet(start);
    if (options.startMeasurement && options.printFile) return Error{"--start-measurement cannot go with --print"};
    if (parser.isSet(settings)) options.settingsFile = parser.value(settings).toStdString();
    if (parser.isSet(timeScale)) {
        bool ok = false;
        const double scale = parser.value(timeScale).toDouble(&ok);
        if (!ok || !std::isfinite(scale) || scale < 0)
            return Error{"--time-scale needs a number of at least 0, not \"" + parser.value(timeScale).toStdString() + "\""};
        options.timeScale = scale;
    }
    return options;
}

}  // namespace tarvos
