// The screen cursor as one setting (hourglass or default), not a stack of overrides, so
// nested commands that set it back leave the default cursor.
#pragma once

namespace movra {

void SetHourglassCursor();
void SetDefaultCursor();
bool HourglassCursorShown();

}  // namespace movra
