// What a screen reader finds in the status bar: the bar, and in it one text per panel,
// named as the panel and holding what the panel shows.
#pragma once

namespace movra {

class StatusPanels;

// Lets the accessibility tree describe every StatusPanels (once per process).
void InstallStatusPanelsAccessibility();
// Tells a running screen reader that a panel's text changed.
void NotifyPanelTextChanged(StatusPanels* bar, int panel);

}  // namespace movra
