// A GUI application for fonts and painting without a display, for the commands that draw
// files (render, report): Qt's platform chatter kept off the terminal and the process locale
// kept as the program set it.
#pragma once

#include <memory>

#include <QGuiApplication>
#include <QtGlobal>

namespace tarvos::cli {

class OffscreenGui {
public:
    OffscreenGui();
    ~OffscreenGui();
    OffscreenGui(const OffscreenGui&) = delete;
    OffscreenGui& operator=(const OffscreenGui&) = delete;

private:
    QtMessageHandler previousHandler_;
    int argc_ = 1;
    char name_[7] = "tarvos";
    char* argv_[2] = {name_, nullptr};
    std::unique_ptr<QGuiApplication> app_;
};

}  // namespace tarvos::cli
