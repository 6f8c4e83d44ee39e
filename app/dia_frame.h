// The main window: the diagram view, menus, toolbar and status bar, the modeless measurement
// dialog and the sweep that it starts with its journal; the commands with their guards, the
// 300 ms timer that opens the settings dialogs the sweep asks for, the recent files, documents
// dropped on the window, and the window's size and place across starts.
#pragma once

#include <filesystem>
#include <map>
#include <memory>
#include <optional>
#include <vector>

#include <QMainWindow>
#include <QPrinter>
#include <QTimer>

#include "app/desktop_notifier.h"
#include "app/file_commands.h"
#include "app/frame_commands.h"
#include "app/frame_settings.h"
#include "app/frame_rules.h"
#include "app/settings_dialogs.h"
#include "diagram/diagram_persistence.h"
#include "document/dia_doc.h"
#include "measurement/run_journal.h"
#include "measurement/run_progress.h"

class QAction;
class QLabel;
class QToolBar;

namespace tarvos {

class C_KVR_DiaView;
class HelpWindow;
class MeasurementDialog;
class QtRunUi;
class SweepEngine;

struct FrameServices {
    std::optional<std::filesystem::path> settingsFile;  // the diagram's and the window's sections; none: defaults
    std::unique_ptr<FramePrompts> prompts;              // none: Qt's dialogs and message boxes
    std::unique_ptr<SettingsDialogs> dialogs;           // none: the program's settings dialogs
    std::filesystem::path recoveryFolder;               // the run journals; empty: the user's
    std::unique_ptr<DesktopNotifier> notifier;          // none: the desktop's notifications
};

class C_KVR_DiaFrame : public QMainWindow {
    Q_OBJECT
public:
    C_KVR_DiaFrame(C_KVR_DiaDoc& doc, FrameServices services, QWidget* parent = nullptr);
    // Ends a run still going and waits for it before any window goes; then writes the window's
    // own sections of the settings file.
    ~C_KVR_DiaFrame() override;

    C_KVR_DiaView& View() { return *view_; }
    MeasurementDialog& Dialog() { return *dialog_; }
    FrameRequests& Requests() { return requests_; }
    QAction* Action(CommandId id) const;
    QToolBar* ToolBar() const { return toolbar_; }

    // A command as the menu, toolbar or accelerator runs it.
    void RunCommand(CommandId id);
    // The command line's document; false (after its message) when it cannot be opened. A
    // document opened only to be printed is not a recent file.
    enum class Recent { Remember, Skip };
    bool OpenFile(const std::string& path, Recent recent = Recent::Remember);
    // One page of the diagram on `printer` as Print does after its dialog.
    void PrintOn(QPrinter& printer, PaintTarget target);
    // Shows the measurement dialog beside the main window (start-up, Measurement command).
    void ShowMeasurementDialog();
    // Asks a run to cancel and waits for its end; the run's messages are answered meanwhile.
    void StopRun();
    // Whether the sweep's worker is still going.
    bool RunInProgress() const;
    // One tick of the request timer (also run by the timer every 300 ms).
    void ServeRequests();
    // What the Start button does: unsaved samples are offered for saving before a run clears them.
    void StartMeasurement();
    // After the window is shown: the samples of runs that ended with their process are offered.
    void OfferRecovery();
    // The end nobody answers (a signal, the session's logout): the run is stopped and joined, its
    // unsaved samples stay in the journal for the next start, and the windows close without a
    // prompt. The caller then leaves the event loop.
    void QuitInOrder();
    bool Quitting() const { return quitting_; }
    RunJournal& Journal() { return *journal_; }
    // Where the run stands as the status bar shows it.
    const RunProgress& Progress() const { return progress_; }

signals:
    // The message pane's text changed with the run: where it stands, its summary, or "Ready".
    void runStatusChanged(const QString& text);

protected:
    void closeEvent(QCloseEvent* event) override;
    void showEvent(QShowEvent* event) override;
    void dragEnterEvent(QDragEnterEvent* event) override;
    void dropEvent(QDropEvent* event) override;

private:
    void CreateActions();
    void CreateMenus();
    void CreateToolBar();
    void CreateStatusBar();
    void CreateRecentFileItems(QMenu* fileMenu);
    void UpdateRecentFileItems();
    void RememberDocument();
    void PlaceOnScreen(const std::optional<WindowPlacement>& stored);
    void SaveWindowSettings();
    OpenOutcome OpenChosen(const std::string& path);
    void OnOpenRecent(std::size_t index);
    void OnDroppedDocument(const std::string& path);
    void OnRunProgress(const RunEvent& event);
    void ShowRunStatus();
    void ClearRunSummary();
    void UpdateTitle();
    bool Guarded(GuardedCommand command);
    void AfterNewDocument();
    void DocumentSafe();
    void KeepSamplesLabelled(const ReceiverSettings& measuredWith);

    void OnFileNew();
    void OnFileOpen();
    void OnCompareWith();
    void ClearComparisons();
    void OnProperties();
    void OnKvrSettings();
    void OnPortSettings();
    void OnPrint();
    void OnPrintPreview();
    void OnPrintSetup();
    void OnAbout();
    void OnHelpContent();

    C_KVR_DiaDoc& doc_;
    std::unique_ptr<FramePrompts> prompts_;
    std::optional<std::filesystem::path> settingsFile_;
    RecentFiles recent_;
    std::vector<QAction*> recentItems_;  // kMaxRecentFiles items before Exit, hidden while unused
    QAction* recentSeparator_ = nullptr;
    std::unique_ptr<SettingsDialogs> dialogs_;
    std::unique_ptr<DesktopNotifier> notifier_;
    C_KVR_DiaView* view_ = nullptr;
    MeasurementDialog* dialog_ = nullptr;
    std::unique_ptr<QtRunUi> runUi_;
    std::filesystem::path recoveryFolder_;
    std::unique_ptr<RunJournal> journal_;  // outlives the engine, which records into it
    std::unique_ptr<SweepEngine> engine_;
    FrameRequests requests_;
    QTimer requestTimer_;
    QPrinter printer_;
    std::map<int, QAction*> actions_;
    QToolBar* toolbar_ = nullptr;
    QLabel* statusText_ = nullptr;  // the message pane's own text
    RunProgress progress_;          // applied on the window thread only
    HelpWindow* help_ = nullptr;  // made on first use, a window of its own owned by the frame
    bool dialogPlaced_ = false;
    bool quitting_ = false;
    bool shownOnScreen_ = false;  // only a window the user saw has a place worth keeping
};

}  // namespace tarvos
