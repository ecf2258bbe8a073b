#pragma once
// Shows the program's message and input boxes as real modal dialogs.

#include "Dialogs.h"
#include "MessageBox.h"

class QWidget;

namespace WidgetPresenters {

/// From now on boxes appear over owner (or centred when it is not shown).
void install(QWidget* owner);

/// The real message box and file dialog alone, over owner.
MessageBox::Presenter messageBox(QWidget* owner);
FileDialog::Presenter fileDialog(QWidget* owner);

} // namespace WidgetPresenters
