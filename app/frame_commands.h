// The main window's commands: identifiers, menu texts and the prompts shown in the status bar
// (before "\n") and as tool tips (after it), in menu order; and the toolbar's order.
#pragma once

#include <array>
#include <string>
#include <string_view>

namespace tarvos {

enum CommandId : int {
    kCmdFileNew = 57600,
    kCmdFileOpen = 57601,
    kCmdFileSave = 57603,
    kCmdFileSaveAs = 57604,
    kCmdSaveAsText = 32784,
    kCmdPrintSetup = 57606,
    kCmdPrintPreview = 57609,
    kCmdPrint = 57607,
    kCmdExit = 57602,
    kCmdViewToolbar = 59392,
    kCmdViewStatusBar = 59393,
    kCmdDiagramElements = 32771,
    kCmdPortSettings = 32773,
    kCmdKvrSettings = 32772,
    kCmdAdvanced = 32775,
    kCmdMeasurement = 40006,
    kCmdHelpContent = 57670,
    kCmdAbout = 57664,
    kCmdCompareWith = 33000,
    kCmdRemoveComparisons = 33001,
    kCmdProperties = 33002,
};

struct FrameCommand {
    CommandId id;
    std::string_view menu;    // "&File"; the Measurement command is a top-level item of its own
    std::string_view text;    // "&New..."
    std::string_view prompt;  // "Create a new document\nNew"
    bool separatorAfter = false;
};

inline constexpr std::array<FrameCommand, 21> kFrameCommands{{
    {kCmdFileNew, "&File", "&New...", "Create a new document\nNew"},
    {kCmdFileOpen, "&File", "&Open...", "Open an existing document\nOpen"},
    {kCmdCompareWith, "&File", "&Compare With...",
     "Draw another document's measured curve over this one, read-only\nCompare With"},
    {kCmdRemoveComparisons, "&File", "Remove Co&mparisons",
     "Remove the documents compared with this one\nRemove Comparisons"},
    {kCmdFileSave, "&File", "&Save", "Save the active document\nSave"},
    {kCmdFileSaveAs, "&File", "Save &As...", "Save the active document with a new name\nSave As", true},
    {kCmdSaveAsText, "&File", "Save As &Text", "Save measurement data as text file\nSave as text", true},
    {kCmdProperties, "&File", "P&roperties...",
     "Show what the measurement rests on and edit its comment\nProperties", true},
    {kCmdPrintSetup, "&File", "Print Setup...", "Change the printer and printing options"},
    {kCmdPrintPreview, "&File", "P&review", "Diaplay full pages"},
    {kCmdPrint, "&File", "&Print...", "Print active document\nPrint", true},
    {kCmdExit, "&File", "&Exit", "Quit the application; prompts to save documents\nExit"},
    {kCmdViewToolbar, "&View", "&Toolbar", "Show or hide the toolbar\nToggle ToolBar"},
    {kCmdViewStatusBar, "&View", "&Status Bar", "Show or hide the status bar\nToggle StatusBar"},
    {kCmdDiagramElements, "&View", "Diagram &Elements...", "Select diagram elements\nElements"},
    {kCmdPortSettings, "&Settings", "&Port Settings...", "Change port settings\nPort"},
    {kCmdKvrSettings, "&Settings", "&KVR Settings...", "Change KVR settings\nKVR"},
    {kCmdAdvanced, "&Settings", "&Advanced...", "Advanced settings\nAdvanced"},
    {kCmdMeasurement, "&Measurement", "&Measurement", "Show measurement dialog\nMeasurement"},
    {kCmdHelpContent, "&Help", "&Content", "Show info text"},
    {kCmdAbout, "&Help", "&About", "Display program information, version number and copyright\nAbout"},
}};

// Toolbar buttons left to right; 0 stands for a separator.
inline constexpr std::array<int, 12> kToolbarOrder{
    kCmdFileNew, kCmdFileOpen, kCmdFileSave, kCmdSaveAsText, kCmdPrint, 0,
    kCmdPortSettings, kCmdKvrSettings, kCmdAdvanced, kCmdDiagramElements, 0, kCmdMeasurement};

// The status bar text and the tool tip of a prompt; a prompt without "\n" has no tool tip.
inline std::string_view PromptStatusText(std::string_view prompt) { return prompt.substr(0, prompt.find('\n')); }
inline std::string_view PromptToolTip(std::string_view prompt) {
    const auto cut = prompt.find('\n');
    return cut == std::string_view::npos ? std::string_view{} : prompt.substr(cut + 1);
}

// "Untitled[*] - KVR Tarvos": the window shows "[*]" as its modified mark ("Untitled* - KVR
// Tarvos") or as nothing; a "[*]" in the document's own name is doubled so that it is shown as is.
inline std::string FrameTitle(std::string_view documentTitle) {
    std::string title;
    for (std::size_t at = 0; at < documentTitle.size();) {
        const bool mark = documentTitle.substr(at, 3) == "[*]";
        title += mark ? std::string_view("[*][*]") : documentTitle.substr(at, 1);
        at += mark ? 3 : 1;
    }
    return title + "[*] - KVR Tarvos";
}

}  // namespace tarvos
