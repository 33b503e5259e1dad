// The line settings as termios flags: what serial_posix.cpp writes to the line.
// Kept apart so the mapping can be checked without a device; a pseudo-terminal, the only
// device a test has, ignores data bits and parity.
#pragma once

struct termios;

namespace movra {

struct SerialLineSettings;

// Rewrites the fields of tio that the settings own; false (tio untouched) for a rate the
// tty layer does not know.
bool LineSettingsToTermios(const SerialLineSettings& s, termios& tio);

}  // namespace movra
