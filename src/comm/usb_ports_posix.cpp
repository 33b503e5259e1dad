// USB serial ports from sysfs. The tree may be a small fake one below a test folder, so
// links are resolved by hand, with <root> standing in for "/".
#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <algorithm>
#include <cerrno>
#include <cstring>
#include <deque>
#include <filesystem>
#include <optional>

#include "app/trace.h"
#include "comm/port_names.h"
#include "comm/usb_ports.h"

namespace fs = std::filesystem;

namespace movra {

namespace {

constexpr int kMaxLinkHops = 40;             // as the kernel allows
constexpr size_t kMaxAttributeBytes = 4096;  // a sysfs attribute is at most one page

bool startsWithDir(const std::string& path, const std::string& dir) {
  if (dir == "/") return !path.empty() && path[0] == '/';
  return path == dir || (path.size() > dir.size() && path.compare(0, dir.size(), dir) == 0 &&
                         path[dir.size()] == '/');
}

void pushFront(std::deque<std::string>& parts, const std::string& path) {
  std::vector<std::string> split;
  size_t b = 0;
  while (b <= path.size()) {
    size_t e = path.find('/', b);
    if (e == std::string::npos) e = path.size();
    if (e > b) split.push_back(path.substr(b, e - b));
    b = e + 1;
  }
  parts.insert(parts.begin(), split.begin(), split.end());
}

std::string join(const std::string& dir, const std::string& name) {
  return dir == "/" ? "/" + name : dir + "/" + name;
}

std::string parentOf(const std::string& path, const std::string& root) {
  if (path == root) return root;
  size_t slash = path.rfind('/');
  std::string parent = slash == 0 ? "/" : path.substr(0, slash);
  return startsWithDir(parent, root) ? parent : root;
}

// Resolves `rel` (a path below root) following every link as the kernel would if root were
// "/": an absolute target counts from root unless it already names a place below root, and
// ".." stops at root. nullopt when a part is missing or the links loop.
std::optional<std::string> resolveBelowRoot(const std::string& root, const std::string& rel) {
  std::deque<std::string> parts;
  pushFront(parts, rel);
  std::string at = root;
  int hops = 0;
  while (!parts.empty()) {
    std::string part = std::move(parts.front());
    parts.pop_front();
    if (part == ".") continue;
    if (part == "..") {
      at = parentOf(at, root);
      continue;
    }
    std::string next = join(at, part);
    struct stat st {};
    if (::lstat(next.c_str(), &st) != 0) return std::nullopt;
    if (!S_ISLNK(st.st_mode)) {
      at = next;
      continue;
    }
    if (++hops > kMaxLinkHops) return std::nullopt;
    char buf[4096];
    ssize_t n = ::readlink(next.c_str(), buf, sizeof buf);
    if (n <= 0 || static_cast<size_t>(n) >= sizeof buf) return std::nullopt;
    std::string target(buf, static_cast<size_t>(n));
    if (target[0] == '/') {
      // A tree made under a test folder may hold links with the folder's own path in them.
      if (root != "/" && startsWithDir(target, root)) target.erase(0, root.size());
      at = root;
    }
    pushFront(parts, target);
  }
  return at;
}

std::string trimmed(const std::string& s) {
  const char* blanks = " \t\r\n\v\f";
  size_t b = s.find_first_not_of(blanks);
  if (b == std::string::npos) return {};
  return s.substr(b, s.find_last_not_of(blanks) - b + 1);
}

bool isRegularFile(const std::string& path) {
  struct stat st {};
  return ::stat(path.c_str(), &st) == 0 && S_ISREG(st.st_mode);
}

// Reads a small attribute file; nullopt (with the reason) when it cannot be read.
std::optional<std::string> readAttribute(const std::string& path, std::string& why) {
  // Non-blocking, so that something odd in a hand-made tree never stalls the listing.
  int fd = ::open(path.c_str(), O_RDONLY | O_NONBLOCK | O_CLOEXEC);
  if (fd < 0) {
    why = std::strerror(errno);
    return std::nullopt;
  }
  std::string text(kMaxAttributeBytes, '\0');
  ssize_t n;
  do n = ::read(fd, text.data(), text.size());
  while (n < 0 && errno == EINTR);
  int readErrno = errno;
  ::close(fd);
  if (n < 0) {
    why = std::strerror(readErrno);
    return std::nullopt;
  }
  text.resize(static_cast<size_t>(n));
  return trimmed(text);
}

// The folder of the USB device above a tty's device folder: the first one up the chain,
// not above <root>/sys, that holds a `product` file.
std::optional<std::string> usbDeviceFolder(const std::string& deviceFolder, const std::string& sysDir) {
  std::string at = deviceFolder;
  while (startsWithDir(at, sysDir)) {
    if (isRegularFile(join(at, "product"))) return at;
    if (at == sysDir) break;
    at = at.substr(0, at.rfind('/'));
  }
  return std::nullopt;
}

std::optional<UsbSerialPort> describePort(const std::string& root, const std::string& sysDir,
                                          const std::string& tty, int com) {
  auto device = resolveBelowRoot(root, "sys/class/tty/" + tty + "/device");
  if (!device || !startsWithDir(*device, sysDir)) return std::nullopt;
  auto usb = usbDeviceFolder(*device, sysDir);
  if (!usb) return std::nullopt;
  std::string why;
  auto product = readAttribute(join(*usb, "product"), why);
  if (!product) {
    BugMessage("ListUsbSerialPorts: " + tty + " skipped, cannot read " + join(*usb, "product") + ": " + why);
    return std::nullopt;
  }
  UsbSerialPort port;
  port.ttyName = tty;
  port.comNumber = com;
  port.devicePath = join(root, "dev/" + tty);
  port.product = *product;
  port.vendorId = readAttribute(join(*usb, "idVendor"), why).value_or("");
  port.productId = readAttribute(join(*usb, "idProduct"), why).value_or("");
  port.displayName = port.product + " (COM" + std::to_string(com) + ")";
  return port;
}

std::string canonicalRoot(const std::string& root) {
  std::error_code ec;
  fs::path p = fs::canonical(root.empty() ? "/" : root, ec);
  return ec ? std::string() : p.string();
}

}  // namespace

std::vector<UsbSerialPort> EnumerateUsbSerialPorts(const std::string& rootIn) {
  std::vector<UsbSerialPort> ports;
  std::string root = canonicalRoot(rootIn);
  if (root.empty()) return ports;
  std::string sysDir = join(root, "sys");
  std::string classDir = join(root, "sys/class/tty");

  struct Candidate {
    int com;
    std::string tty;
  };
  std::vector<Candidate> candidates;
  std::error_code ec;
  fs::directory_iterator it(classDir, ec), end;
  for (; !ec && it != end; it.increment(ec)) {
    std::string name = it->path().filename().string();
    if (name.rfind("ttyUSB", 0) != 0 && name.rfind("ttyACM", 0) != 0) continue;
    // Ports without a COM number cannot be opened by number, so they are not offered.
    if (auto com = ComNumberForTty(name)) candidates.push_back({*com, name});
  }
  // The directory's order is arbitrary; two adapters must come out in port order.
  std::sort(candidates.begin(), candidates.end(), [](const Candidate& a, const Candidate& b) {
    return a.com != b.com ? a.com < b.com : a.tty < b.tty;
  });
  for (const Candidate& c : candidates) {
    if (auto port = describePort(root, sysDir, c.tty, c.com)) ports.push_back(std::move(*port));
  }
  return ports;
}

std::vector<UsbSerialPort> EnumerateUsbSerialPorts() { return EnumerateUsbSerialPorts(DeviceRoot()); }

void ListUsbSerialPorts(std::vector<std::string>& list) {
  list.clear();
  for (UsbSerialPort& port : EnumerateUsbSerialPorts()) list.push_back(std::move(port.displayName));
}

}  // namespace movra
