// Port names, both ways: ttyUSB<k> is COM<k+1> (k 0-63), ttyACM<k> is COM<k+65> (k 0-190).
// A name that starts with "/" (on Windows "\\") is a device path and is opened as it stands.
#pragma once
#include <optional>
#include <string>

namespace movra {

// The device root: MOVRA_DEVICE_ROOT, "/" when unset or empty. The meter simulator and
// the tests point it at a folder holding a small sys/ and dev/ tree.
std::string DeviceRoot();
// root + "/" + rel with exactly one separator between them.
std::string UnderDeviceRoot(const std::string& rel);

// "ttyUSB0" -> 1, "ttyACM2" -> 67; nullopt for other names or numbers out of range.
std::optional<int> ComNumberForTty(const std::string& ttyName);
// 1 -> "ttyUSB0", 65 -> "ttyACM0"; nullopt outside 1..255.
std::optional<std::string> TtyForComNumber(int com);
// The number at s[from..]: at most four digits and nothing else; nullopt otherwise.
std::optional<int> TrailingNumber(const std::string& s, size_t from);
// The path to open for a CommName: a path as it is; "COM<n>" under the device root's dev/
// (on Windows "\\.\COM<n>", the name of the device itself); nullopt when the name is neither.
std::optional<std::string> DevicePathForCommName(const std::string& commName);

}  // namespace movra
