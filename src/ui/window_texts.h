// The captions, hints and titles designed into the windows, shown in the interface
// language: menus, tool buttons, tabs, labels and dialog titles.
#pragma once

class QWidget;

namespace movra {

// Passes every designed text of `window` and of the widgets and dialogs it owns through
// TranslateText: action and button captions with their hints, menu titles, tab captions,
// labels and the titles of owned dialogs. The window's own caption (the settings' title)
// stays as it is. Texts set later, such as status texts and column titles, are translated
// where they are set.
void TranslateWindowTexts(QWidget* window);

}  // namespace movra
