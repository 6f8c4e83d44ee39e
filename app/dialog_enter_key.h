// The Enter key of the program's small modal dialogs: it presses the focused push button and
// otherwise moves the focus on, so that leaving an edit field with Enter checks the field
// instead of closing the dialog through its default button.
#pragma once

#include <functional>

class QKeyEvent;
class QWidget;

namespace tarvos {

enum class EnterKeyAction {
    NotEnter,       // some other key (or Enter with a modifier): the dialog's usual handling
    ButtonPressed,  // the focused push button was clicked
    MoveFocus,      // the dialog should move the focus to its next control
};

// Deals with a key press in `dialog`. Moving the focus is left to the dialog itself because
// QWidget::focusNextChild is its own protected member.
EnterKeyAction HandleEnterKey(QWidget& dialog, const QKeyEvent& event);

// The whole rule for a dialog's key press: true (and the event accepted) when it was Enter and has
// been dealt with, `moveFocusOn` run where the focus must move; false for the dialog's usual handling.
bool ApplyEnterKey(QWidget& dialog, QKeyEvent& event, const std::function<void()>& moveFocusOn);

}  // namespace tarvos
