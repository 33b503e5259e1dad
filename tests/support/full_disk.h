// A file that takes no byte, as on a full disk: a device node of the kernel's "full"
// device in the file's place. Not a link, so it is opened as the program opens its own
// files, links refused.
#pragma once
#include <string>

namespace movra::test {

// Makes the node at path; false where nodes cannot be made (not root, Windows).
bool MakeFullDiskFile(const std::string& path);

}  // namespace movra::test
