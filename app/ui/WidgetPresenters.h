#pragma once
// Shows the program's message and input boxes as real modal dialogs.

class QWidget;

namespace WidgetPresenters {

/// From now on boxes appear over owner (or centred when it is not shown).
void install(QWidget* owner);

} // namespace WidgetPresenters
