#include "app/dia_frame.h"

#include <QAction>
#include <QApplication>
#include <QCloseEvent>
#include <QDragEnterEvent>
#include <QDropEvent>
#include <QFile>
#include <QGuiApplication>
#include <QLabel>
#include <QMenuBar>
#include <QMimeData>
#include <QPageSetupDialog>
#include <QPainter>
#include <QPrintDialog>
#include <QPrintPreviewDialog>
#include <QScreen>
#include <QStatusBar>
#include <QToolBar>

#include "app/about_dialog.h"
#include "app/app_icons.h"
#include "app/help_window.h"
#include "app/journal_recovery.h"
#include "app/properties_dialog.h"
#include "app/qt_frame_prompts.h"
#include "app/run_notices.h"
#include "diagram/dia_view.h"
#include "diagram/overlay.h"
#include "measurement/measurement_dialog.h"
#include "measurement/qt_run_ui.h"
#include "measurement/sweep_engine.h"

namespace tarvos {

namespace {

QString Text(std::string_view text) { return QString::fromUtf8(text.data(), static_cast<int>(text.size())); }

std::optional<ToolbarButton> ButtonOf(int id) {
    switch (id) {
        case kCmdFileNew: return ToolbarButton::New;
        case kCmdFileOpen: return ToolbarButton::Open;
        case kCmdFileSave: return ToolbarButton::Save;
        case kCmdSaveAsText: return ToolbarButton::SaveAsText;
        case kCmdPrint: return ToolbarButton::Print;
        case kCmdPortSettings: return ToolbarButton::PortSettings;
        case kCmdKvrSettings: return ToolbarButton::KvrSettings;
        case kCmdAdvanced: return ToolbarButton::Advanced;
        case kCmdDiagramElements: return ToolbarButton::DiagramElements;
        case kCmdMeasurement: return ToolbarButton::Measurement;
        default: return std::nullopt;
    }
}

constexpr int kRequestTimerMs = 300;

// The window's size at its first start.
constexpr int kDefaultWidth = 820;
constexpr int kDefaultHeight = 680;
// Before the window is shown its frame is not known: room for a usual title bar and border, so
// that the title bar of a fitted window stays on the screen.
constexpr FrameMargins kUsualFrame{4, 30, 4, 4};

WindowRect ToWindowRect(const QRect& r) { return WindowRect{r.x(), r.y(), r.width(), r.height()}; }

// The screens' free areas, the primary first.
std::vector<WindowRect> AvailableScreens() {
    std::vector<WindowRect> screens;
    const QScreen* primary = QGuiApplication::primaryScreen();
    if (primary) screens.push_back(ToWindowRect(primary->availableGeometry()));
    for (const QScreen* screen : QGuiApplication::screens()) {
        if (screen != primary) screens.push_back(ToWindowRect(screen->availableGeometry()));
    }
    return screens;
}

// The first document among the files of a drag, as the file system names it.
std::optional<std::string> DraggedDocument(const QMimeData* data) {
    if (data == nullptr || !data->hasUrls()) return std::nullopt;
    for (const QUrl& url : data->urls()) {
        if (!url.isLocalFile()) continue;
        const std::string path = QFile::encodeName(url.toLocalFile()).toStdString();
        if (IsDocumentFileName(path)) return path;
    }
    return std::nullopt;
}

}  // namespace

C_KVR_DiaFrame::C_KVR_DiaFrame(C_KVR_DiaDoc& doc, FrameServices services, QWidget* parent)
    : QMainWindow(parent),
      doc_(doc),
      prompts_(std::move(services.prompts)),
      settingsFile_(services.settingsFile),
      dialogs_(std::move(services.dialogs)),
      notifier_(std::move(services.notifier)),
      recoveryFolder_(services.recoveryFolder.empty() ? RecoveryFolder() : std::move(services.recoveryFolder)),
      journal_(std::make_unique<RunJournal>(recoveryFolder_)),
      printer_(QPrinter::HighResolution) {
    if (!prompts_) prompts_ = std::make_unique<QtFramePrompts>(this);
    if (!notifier_) notifier_ = MakeDesktopNotifier(this);
    setWindowIcon(ProgramIcon());

    view_ = new C_KVR_DiaView(doc_, services.settingsFile, this);
    setCentralWidget(view_);

    dialog_ = new MeasurementDialog(
        doc_, [this] { StartMeasurement(); }, [this] { view_->ResetSnrRange(); }, this);
    dialog_->setWindowIcon(MeasurementDialogIcon());

    RunUiTargets targets;
    targets.dialog = dialog_;
    targets.view = view_;
    targets.messageParent = this;
    targets.requestPortSettings = [this] { requests_.RequestPortSettings(); };
    targets.requestReceiverSettings = [this] { requests_.RequestReceiverSettings(); };
    targets.progress = [this](const RunEvent& event) { OnRunProgress(event); };
    // An unattended run must reach its user also when nobody looks at the window.
    targets.waitingForAnswer = [this](const std::string& text) {
        const RunNotice notice = WaitingNotice(text);
        notifier_->Notify(notice.title, notice.body);
    };
    targets.runEnded = [this](const std::string& cancelledBecause) {
        if (quitting_) return;  // ended by the user's own quit: nothing to tell
        const RunNotice notice = EndedNotice(doc_, cancelledBecause);
        notifier_->Notify(notice.title, notice.body);
    };
    runUi_ = std::make_unique<QtRunUi>(std::move(targets));
    engine_ = std::make_unique<SweepEngine>(doc_, *runUi_, journal_.get());

    CreateActions();
    CreateMenus();
    CreateToolBar();
    CreateStatusBar();

    connect(&requestTimer_, &QTimer::timeout, this, &C_KVR_DiaFrame::ServeRequests);
    requestTimer_.start(kRequestTimerMs);

    FrameSettings stored = LoadFrameSettings(settingsFile_);
    recent_ = std::move(stored.recent);
    UpdateRecentFileItems();
    PlaceOnScreen(stored.placement);
    setAcceptDrops(true);
    view_->OnInitialUpdate();
    UpdateTitle();
}

C_KVR_DiaFrame::~C_KVR_DiaFrame() {
    requestTimer_.stop();
    StopRun();
    SaveWindowSettings();
}

QAction* C_KVR_DiaFrame::Action(CommandId id) const {
    const auto it = actions_.find(id);
    return it == actions_.end() ? nullptr : it->second;
}

void C_KVR_DiaFrame::CreateActions() {
    for (const FrameCommand& command : kFrameCommands) {
        auto* action = new QAction(Text(command.text), this);
        action->setStatusTip(Text(PromptStatusText(command.prompt)));
        const std::string_view tip = PromptToolTip(command.prompt);
        action->setToolTip(tip.empty() ? Text(PromptStatusText(command.prompt)) : Text(tip));
        action->setData(static_cast<int>(command.id));
        if (const auto button = ButtonOf(command.id)) action->setIcon(ToolbarIcon(*button));
        const CommandId id = command.id;
        connect(action, &QAction::triggered, this, [this, id] { RunCommand(id); });
        actions_[id] = action;
    }
    Action(kCmdFileNew)->setShortcut(QKeySequence(Qt::CTRL | Qt::Key_N));
    Action(kCmdFileOpen)->setShortcut(QKeySequence(Qt::CTRL | Qt::Key_O));
    Action(kCmdFileSave)->setShortcut(QKeySequence(Qt::CTRL | Qt::Key_S));
    Action(kCmdPrint)->setShortcut(QKeySequence(Qt::CTRL | Qt::Key_P));
    Action(kCmdExit)->setShortcut(QKeySequence(Qt::CTRL | Qt::Key_Q));
    // Ctrl+Q ends the program from the measurement dialog and the manual as well.
    Action(kCmdExit)->setShortcutContext(Qt::ApplicationShortcut);
    Action(kCmdViewToolbar)->setCheckable(true);
    Action(kCmdViewToolbar)->setChecked(true);
    Action(kCmdViewStatusBar)->setCheckable(true);
    Action(kCmdViewStatusBar)->setChecked(true);
    Action(kCmdHelpContent)->setShortcut(QKeySequence::HelpContents);
    // Nothing is compared yet.
    Action(kCmdRemoveComparisons)->setEnabled(false);
}

void C_KVR_DiaFrame::CreateMenus() {
    QMenu* menu = nullptr;
    std::string_view current;
    for (const FrameCommand& command : kFrameCommands) {
        QAction* action = Action(command.id);
        if (command.id == kCmdMeasurement) {
            // A top-level item that runs its command directly; a menu bar shows an action's icon
            // instead of its text, so the item is an action of its own without the button's icon.
            auto* item = new QAction(Text(command.menu), this);
            item->setStatusTip(action->statusTip());
            connect(item, &QAction::triggered, action, &QAction::trigger);
            menuBar()->addAction(item);
            menu = nullptr;
            current = {};
            continue;
        }
        if (!menu || command.menu != current) {
            menu = menuBar()->addMenu(Text(command.menu));
            current = command.menu;
        }
        menu->addAction(action);
        if (command.separatorAfter) menu->addSeparator();
        if (command.id == kCmdExit) CreateRecentFileItems(menu);
    }
}

// The recent files stand before Exit, with a separator of their own; unused items are hidden.
void C_KVR_DiaFrame::CreateRecentFileItems(QMenu* fileMenu) {
    QAction* exit = Action(kCmdExit);
    for (std::size_t i = 0; i < kMaxRecentFiles; ++i) {
        auto* item = new QAction(this);
        item->setObjectName(QStringLiteral("recentFile%1").arg(i + 1));
        item->setVisible(false);
        connect(item, &QAction::triggered, this, [this, i] { OnOpenRecent(i); });
        fileMenu->insertAction(exit, item);
        recentItems_.push_back(item);
    }
    recentSeparator_ = fileMenu->insertSeparator(exit);
    recentSeparator_->setVisible(false);
}

void C_KVR_DiaFrame::UpdateRecentFileItems() {
    const std::vector<std::string>& entries = recent_.Entries();
    const std::vector<std::string> texts = RecentMenuTexts(entries);
    for (std::size_t i = 0; i < recentItems_.size(); ++i) {
        QAction* item = recentItems_[i];
        item->setVisible(i < texts.size());
        if (i >= texts.size()) continue;
        item->setText(Text(texts[i]));
        item->setStatusTip(QFile::decodeName(QByteArray::fromStdString(entries[i])));
    }
    if (recentSeparator_) recentSeparator_->setVisible(!texts.empty());
}

// The document's file, just opened or saved, heads the recent files.
void C_KVR_DiaFrame::RememberDocument() {
    if (recent_.Add(doc_.PathName())) UpdateRecentFileItems();
}

void C_KVR_DiaFrame::PlaceOnScreen(const std::optional<WindowPlacement>& stored) {
    std::optional<WindowRect> normal;
    if (stored) normal = stored->normal;
    const WindowRect place = StartPlacement(normal, kDefaultWidth, kDefaultHeight, AvailableScreens(), kUsualFrame);
    setGeometry(place.x, place.y, place.width, place.height);
    if (stored && stored->maximized) setWindowState(windowState() | Qt::WindowMaximized);
}

void C_KVR_DiaFrame::SaveWindowSettings() {
    if (!settingsFile_) return;
    FrameSettings settings;
    settings.recent = recent_;
    if (shownOnScreen_) {
        const QRect normal = normalGeometry().isValid() ? normalGeometry() : geometry();
        settings.placement = WindowPlacement{ToWindowRect(normal), isMaximized()};
    }
    // The diagram's sections first (it writes them again when it goes, in their places), so that
    // a new settings file lists the window's own sections after them.
    Status saved = view_->SaveSettings();
    if (saved) saved = SaveFrameSettings(*settingsFile_, settings);
    if (!saved) qWarning("kvr-tarvos: window settings not written: %s", saved.error().message.c_str());
}

void C_KVR_DiaFrame::CreateToolBar() {
    toolbar_ = addToolBar(QStringLiteral("Toolbar"));
    toolbar_->setObjectName(QStringLiteral("toolbar"));
    toolbar_->setIconSize(QSize(20, 15));
    toolbar_->setAllowedAreas(Qt::AllToolBarAreas);
    for (int id : kToolbarOrder) {
        if (id == 0) toolbar_->addSeparator();
        else toolbar_->addAction(Action(static_cast<CommandId>(id)));
    }
    connect(toolbar_, &QToolBar::visibilityChanged, Action(kCmdViewToolbar), &QAction::setChecked);
}

void C_KVR_DiaFrame::CreateStatusBar() {
    // The message pane: "Ready" while no prompt is shown (prompts are temporary messages, which
    // hide the label while they last).
    // While a run goes the pane tells where it stands instead, and after it how it ended.
    statusText_ = new QLabel(QStringLiteral("Ready"), statusBar());
    statusText_->setObjectName(QStringLiteral("readyText"));
    statusBar()->addWidget(statusText_, 1);
}

void C_KVR_DiaFrame::OnRunProgress(const RunEvent& event) {
    progress_.Apply(event);
    ShowRunStatus();
}

void C_KVR_DiaFrame::ShowRunStatus() {
    const std::string text = progress_.Text();
    const QString shown = text.empty() ? QStringLiteral("Ready") : QString::fromStdString(text);
    if (shown == statusText_->text()) return;
    statusText_->setText(shown);
    emit runStatusChanged(shown);
}

// The summary of the last run stays until the user does something else.
void C_KVR_DiaFrame::ClearRunSummary() {
    if (progress_.State() != RunState::Done) return;
    progress_.Clear();
    ShowRunStatus();
}

void C_KVR_DiaFrame::UpdateTitle() {
    setWindowTitle(QString::fromStdString(FrameTitle(doc_.Title())));
    setWindowModified(doc_.IsModified());
}

bool C_KVR_DiaFrame::Guarded(GuardedCommand command) {
    const std::optional<std::string> refusal = GuardMessage(command, doc_);
    if (refusal) prompts_->ShowError(*refusal);
    return refusal.has_value();
}

void C_KVR_DiaFrame::RunCommand(CommandId id) {
    ClearRunSummary();
    switch (id) {
        case kCmdFileNew: OnFileNew(); break;
        case kCmdFileOpen: OnFileOpen(); break;
        case kCmdCompareWith: OnCompareWith(); break;
        case kCmdRemoveComparisons: ClearComparisons(); break;
        case kCmdProperties: OnProperties(); break;
        case kCmdFileSave:
            if (SaveDocumentCommand(doc_, *prompts_)) {
                DocumentSafe();
                RememberDocument();
            }
            UpdateTitle();
            break;
        case kCmdFileSaveAs:
            if (SaveDocumentAsCommand(doc_, *prompts_)) {
                DocumentSafe();
                RememberDocument();
            }
            UpdateTitle();
            break;
        case kCmdSaveAsText: SaveAsTextCommand(doc_, *prompts_); break;
        case kCmdPrintSetup: OnPrintSetup(); break;
        case kCmdPrintPreview: OnPrintPreview(); break;
        case kCmdPrint: OnPrint(); break;
        case kCmdExit: close(); break;
        case kCmdViewToolbar: toolbar_->setVisible(Action(kCmdViewToolbar)->isChecked()); break;
        case kCmdViewStatusBar: statusBar()->setVisible(Action(kCmdViewStatusBar)->isChecked()); break;
        case kCmdDiagramElements:
            if (dialogs_) dialogs_->RunDiagramElements(this, *view_);
            break;
        case kCmdPortSettings: OnPortSettings(); break;
        case kCmdKvrSettings: OnKvrSettings(); break;
        case kCmdAdvanced:
            if (dialogs_) dialogs_->RunAdvanced(this, *view_);
            break;
        case kCmdMeasurement: ShowMeasurementDialog(); break;
        case kCmdHelpContent: OnHelpContent(); break;
        case kCmdAbout: OnAbout(); break;
    }
}

void C_KVR_DiaFrame::AfterNewDocument() {
    // Comparisons were made with the document that went.
    ClearComparisons();
    view_->OnInitialUpdate();
    UpdateTitle();
}

// The measured samples are saved, or the user threw them away: the journal has done its work.
// (A run that goes on after a save journals its further samples anew.)
void C_KVR_DiaFrame::DocumentSafe() { journal_->Discard(); }

void C_KVR_DiaFrame::OnFileNew() {
    if (Guarded(GuardedCommand::FileNew)) return;
    if (!NewDocumentCommand(doc_, *prompts_)) return;
    DocumentSafe();
    AfterNewDocument();
}

void C_KVR_DiaFrame::OnFileOpen() {
    if (Guarded(GuardedCommand::FileOpen)) return;
    const std::optional<std::string> path = prompts_->ChooseDocumentToOpen();
    if (path) OpenChosen(*path);
    else dialog_->Refresh();
}

// What Open does with the file from its dialog, also for a recent or a dropped file.
OpenOutcome C_KVR_DiaFrame::OpenChosen(const std::string& path) {
    const OpenOutcome outcome = OpenChosenDocument(doc_, path, *prompts_);
    if (outcome == OpenOutcome::Opened) {
        DocumentSafe();
        AfterNewDocument();
        RememberDocument();
    }
    dialog_->Refresh();
    return outcome;
}

// A file that is gone leaves the list without the save prompt; one that cannot be opened leaves
// it after the open's own message.
void C_KVR_DiaFrame::OnOpenRecent(std::size_t index) {
    if (index >= recent_.Entries().size()) return;
    if (Guarded(GuardedCommand::FileOpen)) return;
    const std::string path = recent_.Entries()[index];
    std::error_code ignored;
    if (!std::filesystem::exists(path, ignored)) {
        prompts_->ShowError(RecentFileGoneMessage(path));
        recent_.Remove(path);
        UpdateRecentFileItems();
        return;
    }
    if (OpenChosen(path) == OpenOutcome::Failed && recent_.Remove(path)) UpdateRecentFileItems();
}

void C_KVR_DiaFrame::OnDroppedDocument(const std::string& path) {
    if (QApplication::activeModalWidget() != nullptr) return;  // one opened since the drop
    activateWindow();
    if (Guarded(GuardedCommand::FileOpen)) return;
    OpenChosen(path);
}

void C_KVR_DiaFrame::OnCompareWith() {
    const std::optional<std::string> path = prompts_->ChooseDocumentToOpen();
    if (!path) return;
    Result<OverlayCurve> overlay = LoadOverlay(*path);
    if (!overlay.ok()) {
        prompts_->ShowError(overlay.error().message);
        return;
    }
    view_->AddOverlay(std::move(overlay.value()));
    Action(kCmdRemoveComparisons)->setEnabled(true);
}

void C_KVR_DiaFrame::OnProperties() {
    PropertiesDialog dialog(doc_, this);
    if (dialog.exec() == QDialog::Accepted && dialog.Apply()) UpdateTitle();
}

void C_KVR_DiaFrame::ClearComparisons() {
    view_->ClearOverlays();
    Action(kCmdRemoveComparisons)->setEnabled(false);
}

bool C_KVR_DiaFrame::OpenFile(const std::string& path, Recent recent) {
    if (!OpenDocumentFile(doc_, path, *prompts_)) return false;
    DocumentSafe();
    AfterNewDocument();
    if (recent == Recent::Remember) RememberDocument();
    dialog_->Refresh();
    return true;
}

void C_KVR_DiaFrame::StartMeasurement() {
    if (RunInProgress() || doc_.measuring) return;  // the run in progress keeps going
    ClearRunSummary();
    // The run clears the measured curve at once, before it knows whether the instrument answers.
    if (doc_.MeasuredCount() > 0 && !SaveModified(doc_, *prompts_)) return;
    DocumentSafe();  // saved, thrown away, or nothing unsaved
    engine_->Start();
    UpdateTitle();
}

void C_KVR_DiaFrame::OfferRecovery() {
    if (!OfferOrphanedJournals(doc_, *journal_, *prompts_, recoveryFolder_)) return;
    AfterNewDocument();
    dialog_->Refresh();
}

void C_KVR_DiaFrame::OnKvrSettings() {
    // A request left by the sweep is served by this run of the command, also when the user chose
    // it: the timer must not open the dialog a second time while this one is open.
    requests_.Clear(GuardedCommand::KvrSettings);
    if (Guarded(GuardedCommand::KvrSettings)) return;
    const ReceiverSettings before = doc_.Receiver();
    if (dialogs_) dialogs_->RunReceiverSettings(this);
    if (doc_.MeasuredCount() > 0 && RelabelsSamples(before, doc_.Receiver())) KeepSamplesLabelled(before);
    // Confirmed or cancelled, the measure range must fit the generator of the (new) mode.
    FitMeasureRange(doc_);
    dialog_->Refresh();
    view_->ResetSnrRange();
    UpdateTitle();
}

// Samples belong to the settings they were measured with: they are saved (or dropped) under
// those, and the new settings begin a new, untitled document. Cancel keeps the document as it was.
void C_KVR_DiaFrame::KeepSamplesLabelled(const ReceiverSettings& measuredWith) {
    const ReceiverSettings chosen = doc_.Receiver();
    doc_.SetReceiver(measuredWith);
    if (!NewDocumentCommand(doc_, *prompts_)) return;
    doc_.SetReceiver(chosen);
    DocumentSafe();
    AfterNewDocument();
}

void C_KVR_DiaFrame::OnPortSettings() {
    requests_.Clear(GuardedCommand::PortSettings);
    if (Guarded(GuardedCommand::PortSettings)) return;
    if (dialogs_) dialogs_->RunPortSettings(this);
}

void C_KVR_DiaFrame::ServeRequests() {
    // The run sets the modified flag on its worker; the title follows it here.
    setWindowModified(doc_.IsModified());
    const std::optional<GuardedCommand> command = requests_.NextOnTimer();
    if (!command) return;
    if (*command == GuardedCommand::PortSettings) OnPortSettings();
    else OnKvrSettings();
}

void C_KVR_DiaFrame::ShowMeasurementDialog() {
    if (!dialogPlaced_) {
        // The first time beside the main window when the screen has room, so that it does not
        // cover the diagram; later wherever the user left it.
        dialogPlaced_ = true;
        dialog_->adjustSize();
        const QRect frame = frameGeometry();
        const QScreen* screen = this->screen();
        const QRect room = screen ? screen->availableGeometry() : QRect();
        const QPoint spot(frame.right() + 8, frame.top());
        if (room.contains(QRect(spot, dialog_->frameGeometry().size()))) dialog_->move(spot);
    }
    dialog_->show();
    dialog_->raise();
    dialog_->activateWindow();
}

void C_KVR_DiaFrame::PrintOn(QPrinter& printer, PaintTarget target) {
    QPainter painter(&printer);
    if (!painter.isActive()) return;
    const QRect page = printer.pageLayout().paintRectPixels(printer.resolution());
    view_->PaintPage(painter, target, Rect{0, 0, page.width(), page.height()});
}

void C_KVR_DiaFrame::OnPrint() {
    QPrintDialog dialog(&printer_, this);
    dialog.setOption(QAbstractPrintDialog::PrintPageRange, false);
    if (dialog.exec() == QDialog::Accepted) PrintOn(printer_, PaintTarget::Printer);
}

void C_KVR_DiaFrame::OnPrintPreview() {
    QPrintPreviewDialog preview(&printer_, this);
    connect(&preview, &QPrintPreviewDialog::paintRequested, this,
            [this](QPrinter* printer) { PrintOn(*printer, PaintTarget::Preview); });
    preview.exec();
}

void C_KVR_DiaFrame::OnPrintSetup() {
    QPageSetupDialog dialog(&printer_, this);
    dialog.exec();
}

void C_KVR_DiaFrame::OnAbout() {
    AboutDialog about(this);
    about.exec();
}

// The manual stays open beside the main window while the user works; asked for again, the one
// window comes to the front where it was left.
void C_KVR_DiaFrame::OnHelpContent() {
    if (help_ == nullptr) help_ = new HelpWindow(this);
    help_->show();
    help_->raise();
    help_->activateWindow();
}

void C_KVR_DiaFrame::StopRun() {
    if (!engine_) return;
    doc_.cancelRequested = 1;
    doc_.paused = 0;
    runUi_->Shutdown();
    QApplication::setOverrideCursor(Qt::WaitCursor);
    engine_->Join();
    QApplication::restoreOverrideCursor();
    runUi_->Reopen();
    doc_.cancelRequested = 0;
}

bool C_KVR_DiaFrame::RunInProgress() const { return engine_ && engine_->Running(); }

void C_KVR_DiaFrame::closeEvent(QCloseEvent* event) {
    // The run ends first, so the save prompt offers every sample it measured. (The measuring
    // flag alone does not say whether the worker still shows a last message.)
    StopRun();
    if (!quitting_) {
        if (!SaveModified(doc_, *prompts_)) {
            event->ignore();
            return;
        }
        journal_->Discard();
    }
    dialog_->hide();
    event->accept();
}

void C_KVR_DiaFrame::showEvent(QShowEvent* event) {
    if (!testAttribute(Qt::WA_DontShowOnScreen)) shownOnScreen_ = true;
    QMainWindow::showEvent(event);
}

// No document is replaced under an open dialog (a settings dialog, a message box of the run).
void C_KVR_DiaFrame::dragEnterEvent(QDragEnterEvent* event) {
    if (QApplication::activeModalWidget() == nullptr && DraggedDocument(event->mimeData())) event->acceptProposedAction();
}

// The document opens once the drop is over: its save prompt must not hold up the program the
// file came from, which waits for the drop to finish.
void C_KVR_DiaFrame::dropEvent(QDropEvent* event) {
    const std::optional<std::string> path = DraggedDocument(event->mimeData());
    if (!path) return;
    event->acceptProposedAction();
    QMetaObject::invokeMethod(this, [this, file = *path] { OnDroppedDocument(file); }, Qt::QueuedConnection);
}

void C_KVR_DiaFrame::QuitInOrder() {
    quitting_ = true;
    requestTimer_.stop();
    StopRun();
    close();
}

}  // namespace tarvos
