// Test Port of the port settings dialog against kvr-instrument on a pseudo-terminal, with the wire
// driver registered in place of the in-process simulator and a COM number of the settings file
// naming the instrument's link: the dialog tells a working line from wrong line settings, an
// instrument that is not there and one that has hung, and it comes back within the driver's
// reply timeouts, never hanging the window.
#include <stdlib.h>

#include <chrono>
#include <filesystem>
#include <fstream>
#include <memory>
#include <optional>
#include <string>

#include <QApplication>
#include <QComboBox>
#include <QLineEdit>
#include <QMessageBox>
#include <QPushButton>
#include <QTemporaryDir>
#include <QTimer>
#include <QtTest>

#include "instrument/port_settings_dialog.h"
#include "platform/automation/class_registry.h"
#include "platform/clock.h"
#include "platform/serial_ports.h"
#include "tests/support/started_program.h"

namespace tarvos {
namespace {

using Millis = std::chrono::milliseconds;
using testing::StartedProgram;

const QString kSucceeded = QStringLiteral("Test completed successfully.");
const QString kFailed = QStringLiteral("Connection to KVR failed.\nPlease check port settings.");

// The COM number the settings file maps to the instrument's link.
constexpr int kComPort = 5;

template <class T>
T* Get(QWidget& dialog, const char* name) {
    T* w = dialog.findChild<T*>(QLatin1String(name));
    if (w == nullptr) qFatal("control %s missing", name);
    return w;
}

void Choose(QComboBox* box, const QString& text) {
    const int index = box->findText(text);
    if (index < 0) qFatal("no entry %s", qPrintable(text));
    box->setCurrentIndex(index);
    emit box->activated(index);
}

// How long the wire driver waits for one reply: the timeout of the table installed beside it.
Millis DriverReplyTimeout() {
    std::ifstream table(std::filesystem::path(WIRE_DRIVER_MODULE).parent_path() / "kvrdrvwire-commands.txt");
    std::string line;
    while (std::getline(table, line)) {
        if (line.rfind("timeout ", 0) == 0) return Millis(std::stol(line.substr(8)));
    }
    qFatal("the wire driver's command table names no timeout");
}

struct Press {
    QString message;
    Millis took{0};  // from the press until the message box was up
};

// Presses Test Port and answers the message box the dialog then shows, as a user does.
Press PressTestPort(PortSettingsDialog& dialog) {
    Press press;
    const auto start = std::chrono::steady_clock::now();
    QTimer watcher;
    QObject::connect(&watcher, &QTimer::timeout, [&] {
        auto* box = qobject_cast<QMessageBox*>(QApplication::activeModalWidget());
        if (box == nullptr) return;
        press.took = std::chrono::duration_cast<Millis>(std::chrono::steady_clock::now() - start);
        press.message = box->text();
        box->button(QMessageBox::Ok)->click();
    });
    watcher.start(10);
    Get<QPushButton>(dialog, "testPort")->click();
    return press;
}

}  // namespace

class PortTestOverLineTest : public QObject {
    Q_OBJECT

private:
    QTemporaryDir dir_;
    Millis longestTest_{0};

    std::string File(const char* name) const { return dir_.filePath(QLatin1String(name)).toStdString(); }

    static void WriteFile(const std::string& path, const std::string& text) {
        std::ofstream(path) << text;
        if (!std::filesystem::exists(path)) qFatal("cannot write %s", path.c_str());
    }

private slots:
    void initTestCase() {
        QVERIFY(dir_.isValid());
        // The library's and the driver's waits take no time; the driver's reply timeouts do.
        Clock::Instance().SetVirtual();
        ::setenv("XDG_CONFIG_HOME", File("config").c_str(), 1);
        WriteFile(File("sim.ini"), "[Simulator]\nSeed=5\nState File=" + File("state.ini") + "\n");
        ::setenv("KVR_SIM_CONFIG", File("sim.ini").c_str(), 1);

        // The wire driver takes the simulator's class ids in a registry of this test's own, searched
        // before the build's, which still serves KvrLib.
        StartedProgram regsvr(KVR_REGSVR_BINARY, {"--file", File("registry.ini"), WIRE_DRIVER_MODULE},
                              File("regsvr.log"));
        QCOMPARE(regsvr.Wait(Millis(20000)), 0);
        const auto installed = automation::ClassRegistry::DefaultInstalledFile();
        QVERIFY(installed.has_value());
        automation::ClassRegistry::Instance().SetSearchFiles({File("registry.ini"), *installed});

        WriteFile(File("kvr-tarvos.ini"), "[Serial Ports]\nCOM" + std::to_string(kComPort) + "=" + File("kvr") + "\n");
        ShareSettingsFile(File("kvr-tarvos.ini"));

        // At most two replies are awaited in vain (the model named, the identity asked), plus the
        // machine's own slack.
        longestTest_ = 2 * DriverReplyTimeout() + Millis(1000);
    }

    void cleanupTestCase() { ShareSettingsFile(std::nullopt); }

    void testPort_data() {
        QTest::addColumn<bool>("started");
        QTest::addColumn<QStringList>("options");
        QTest::addColumn<QString>("baudRate");
        QTest::addColumn<QString>("stopBits");
        QTest::addColumn<bool>("killedBeforeLast");
        QTest::addColumn<QStringList>("messages");  // of successive presses
        QTest::addColumn<QString>("logged");        // what the instrument must have said meanwhile

        QTest::newRow("matching settings")
            << true << QStringList{} << "19200" << "1 Bit" << false << QStringList{kSucceeded} << "";
        QTest::newRow("matching settings, 9600 baud 2 stop bits")
            << true << QStringList{"--baud", "9600", "--stop-bits", "2"} << "9600" << "2 Bit" << false
            << QStringList{kSucceeded} << "";
        QTest::newRow("wrong baud rate")
            << true << QStringList{} << "9600" << "1 Bit" << false << QStringList{kFailed} << "";
        QTest::newRow("instrument not running")
            << false << QStringList{} << "19200" << "1 Bit" << false << QStringList{kFailed} << "";
        QTest::newRow("instrument killed")
            << true << QStringList{} << "19200" << "1 Bit" << true << QStringList{kSucceeded, kFailed} << "";
        QTest::newRow("instrument hung")
            << true << QStringList{"--hang-after", "1"} << "19200" << "1 Bit" << false << QStringList{kFailed}
            << "hanging after 1 commands";
    }

    void testPort() {
        QFETCH(bool, started);
        QFETCH(QStringList, options);
        QFETCH(QString, baudRate);
        QFETCH(QString, stopBits);
        QFETCH(bool, killedBeforeLast);
        QFETCH(QStringList, messages);
        QFETCH(QString, logged);

        const std::string link = File("kvr");
        std::error_code ignored;
        std::filesystem::remove(link, ignored);
        std::optional<StartedProgram> instrument;
        if (started) {
            std::vector<std::string> args{"--config", File("sim.ini"), "--link", link};
            for (const QString& o : options) args.push_back(o.toStdString());
            instrument.emplace(KVR_INSTRUMENT_BINARY, args, File("instrument.log"));
            QVERIFY2(testing::WaitForText(*instrument, File("instrument.log"), "ready\n", Millis(10000)),
                     testing::FileText(File("instrument.log")).c_str());
        }

        C_KVR_DiaDoc doc;
        PortSettingsDialog dialog(doc);
        dialog.show();
        dialog.activateWindow();
        QVERIFY(QTest::qWaitForWindowActive(&dialog));
        auto* com = Get<QComboBox>(dialog, "comPort");
        com->setFocus(Qt::MouseFocusReason);
        com->lineEdit()->selectAll();
        QTest::keyClicks(com, QString::number(kComPort));
        QTest::keyClick(com, Qt::Key_Tab);
        Choose(Get<QComboBox>(dialog, "baudRate"), baudRate);
        Choose(Get<QComboBox>(dialog, "stopBits"), stopBits);
        Choose(Get<QComboBox>(dialog, "handshake"), QStringLiteral("No"));
        QCOMPARE(dialog.WorkingCopy().comPort, kComPort);

        for (qsizetype i = 0; i < messages.size(); ++i) {
            if (killedBeforeLast && i + 1 == messages.size()) instrument->Kill();
            const Press press = PressTestPort(dialog);
            QCOMPARE(press.message, messages[i]);
            QVERIFY2(press.took < longestTest_, qPrintable(QString::number(press.took.count()) + " ms"));
            QVERIFY(Get<QPushButton>(dialog, "testPort")->isEnabled() && Get<QPushButton>(dialog, "ok")->isEnabled());
        }
        if (!logged.isEmpty())
            QVERIFY2(testing::FileText(File("instrument.log")).find(logged.toStdString()) != std::string::npos,
                     testing::FileText(File("instrument.log")).c_str());
    }
};

}  // namespace tarvos

QTEST_MAIN(tarvos::PortTestOverLineTest)
#include "port_test_over_line_test.moc"
