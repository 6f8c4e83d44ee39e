#include "app/dialog_enter_key.h"

#include <QKeyEvent>
#include <QPushButton>
#include <QWidget>

namespace tarvos {

EnterKeyAction HandleEnterKey(QWidget& dialog, const QKeyEvent& event) {
    const bool enter = event.key() == Qt::Key_Return || event.key() == Qt::Key_Enter;
    if (!enter || (event.modifiers() & ~Qt::KeypadModifier) != Qt::NoModifier) return EnterKeyAction::NotEnter;
    // A focused push button normally takes Enter itself; this covers one that lets it through.
    if (auto* button = qobject_cast<QPushButton*>(dialog.focusWidget()); button && button->isEnabled()) {
        button->click();
        return EnterKeyAction::ButtonPressed;
    }
    return EnterKeyAction::MoveFocus;
}

bool ApplyEnterKey(QWidget& dialog, QKeyEvent& event, const std::function<void()>& moveFocusOn) {
    const EnterKeyAction action = HandleEnterKey(dialog, event);
    if (action == EnterKeyAction::NotEnter) return false;
    if (action == EnterKeyAction::MoveFocus) moveFocusOn();
    event.accept();
    return true;
}

}  // namespace tarvos
