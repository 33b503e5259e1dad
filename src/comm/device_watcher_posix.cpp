// Device changes from inotify on the dev folder. The thread sleeps in poll() on the inotify
// descriptor and on an eventfd that the destructor signals to stop it.
#include <dirent.h>
#include <poll.h>
#include <sys/eventfd.h>
#include <sys/inotify.h>
#include <unistd.h>

#include <atomic>
#include <cerrno>
#include <cstring>
#include <thread>

#include "app/trace.h"
#include "comm/device_watcher.h"

namespace movra {

namespace {

constexpr uint32_t kDevMask = IN_CREATE | IN_DELETE | IN_MOVED_TO | IN_MOVED_FROM | IN_DELETE_SELF |
                              IN_MOVE_SELF | IN_ONLYDIR;
constexpr uint32_t kParentMask = IN_CREATE | IN_MOVED_TO | IN_DELETE_SELF | IN_MOVE_SELF | IN_ONLYDIR;
// With neither the folder nor its parent there, nothing can wake us; look again this often.
constexpr int kRetryMs = 1000;

std::string withoutTrailingSlash(std::string path) {
  while (path.size() > 1 && path.back() == '/') path.pop_back();
  return path;
}

class InotifyWatcher : public DeviceWatcherBackend {
 public:
  InotifyWatcher(const std::string& devDir, ChangeFn onChange)
      : devDir_(withoutTrailingSlash(devDir)), onChange_(std::move(onChange)) {
    size_t slash = devDir_.rfind('/');
    parentDir_ = slash == std::string::npos ? "." : slash == 0 ? "/" : devDir_.substr(0, slash);
    devName_ = slash == std::string::npos ? devDir_ : devDir_.substr(slash + 1);
  }

  ~InotifyWatcher() override {
    if (thread_.joinable()) {
      uint64_t one = 1;
      while (::write(stop_, &one, sizeof one) < 0 && errno == EINTR) {
      }
      thread_.join();
    }
    if (inotify_ >= 0) ::close(inotify_);
    if (stop_ >= 0) ::close(stop_);
  }

  bool Watching() const override { return watching_; }

  void start() {
    inotify_ = ::inotify_init1(IN_NONBLOCK | IN_CLOEXEC);
    if (inotify_ < 0) {
      BugMessage("DeviceWatcher: no device notifications, inotify_init1 failed: " + std::string(std::strerror(errno)));
      return;
    }
    stop_ = ::eventfd(0, EFD_NONBLOCK | EFD_CLOEXEC);
    if (stop_ < 0) {
      BugMessage("DeviceWatcher: no device notifications, eventfd failed: " + std::string(std::strerror(errno)));
      return;
    }
    if (!watchDev(false)) {
      BugMessage("DeviceWatcher: " + devDir_ + " cannot be watched yet (" + lastError_ + "), waiting for it");
      waitForDev();
    }
    thread_ = std::thread([this] { run(); });
  }

 private:
  // Entries that were already there when a late folder came count as arrivals: they were
  // created after the watching began.
  bool watchDev(bool announceExisting) {
    int wd = ::inotify_add_watch(inotify_, devDir_.c_str(), kDevMask);
    if (wd < 0) {
      lastError_ = std::strerror(errno);
      return false;
    }
    devWd_ = wd;
    if (announceExisting) {
      if (DIR* d = ::opendir(devDir_.c_str())) {
        while (dirent* e = ::readdir(d)) {
          if (std::strcmp(e->d_name, ".") != 0 && std::strcmp(e->d_name, "..") != 0) onChange_(DeviceEvent::Arrival);
        }
        ::closedir(d);
      }
    }
    watching_ = true;
    return true;
  }

  void waitForDev() {
    if (parentWd_ < 0) parentWd_ = ::inotify_add_watch(inotify_, parentDir_.c_str(), kParentMask);
    // The folder may have come between the first look and the parent's watch.
    if (devWd_ < 0) watchDev(true);
  }

  void run() {
    for (;;) {
      pollfd fds[2] = {{stop_, POLLIN, 0}, {inotify_, POLLIN, 0}};
      int timeout = devWd_ < 0 && parentWd_ < 0 ? kRetryMs : -1;
      int r = ::poll(fds, 2, timeout);
      if (r < 0) {
        if (errno == EINTR) continue;
        BugMessage("DeviceWatcher: poll failed: " + std::string(std::strerror(errno)));
        return;
      }
      if (fds[0].revents) return;
      if (r == 0) {
        waitForDev();
        continue;
      }
      if (fds[1].revents & POLLIN) drain();
    }
  }

  void drain() {
    alignas(inotify_event) char buf[8192];
    for (;;) {
      ssize_t n = ::read(inotify_, buf, sizeof buf);
      if (n <= 0) return;
      for (char* p = buf; p < buf + n;) {
        const auto* ev = reinterpret_cast<const inotify_event*>(p);
        handle(*ev);
        p += sizeof(inotify_event) + ev->len;
      }
    }
  }

  void handle(const inotify_event& ev) {
    if (ev.mask & IN_Q_OVERFLOW) {
      BugMessage("DeviceWatcher: too many device changes at once, some were not reported");
      return;
    }
    if (devWd_ >= 0 && ev.wd == devWd_) {
      if (ev.mask & (IN_CREATE | IN_MOVED_TO)) onChange_(DeviceEvent::Arrival);
      if (ev.mask & (IN_DELETE | IN_MOVED_FROM)) onChange_(DeviceEvent::Removal);
      if (ev.mask & (IN_DELETE_SELF | IN_MOVE_SELF | IN_IGNORED | IN_UNMOUNT)) {
        // The folder itself went away; wait for a new one.
        if (!(ev.mask & IN_IGNORED)) ::inotify_rm_watch(inotify_, devWd_);
        devWd_ = -1;
        watching_ = false;
        waitForDev();
      }
      return;
    }
    if (parentWd_ >= 0 && ev.wd == parentWd_) {
      if ((ev.mask & (IN_CREATE | IN_MOVED_TO)) && devWd_ < 0 && ev.len && devName_ == ev.name) watchDev(true);
      if (ev.mask & (IN_DELETE_SELF | IN_MOVE_SELF | IN_IGNORED | IN_UNMOUNT)) {
        if (!(ev.mask & IN_IGNORED)) ::inotify_rm_watch(inotify_, parentWd_);
        parentWd_ = -1;
      }
    }
  }

  std::string devDir_;
  std::string parentDir_;
  std::string devName_;
  ChangeFn onChange_;
  int inotify_ = -1;
  int stop_ = -1;
  int devWd_ = -1;     // used by start() before the thread exists, then by the thread only
  int parentWd_ = -1;
  std::string lastError_;
  std::atomic<bool> watching_{false};
  std::thread thread_;
};

}  // namespace

std::unique_ptr<DeviceWatcherBackend> DeviceWatcherBackend::Start(const std::string& devDir, ChangeFn onChange) {
  auto watcher = std::make_unique<InotifyWatcher>(devDir, std::move(onChange));
  watcher->start();
  return watcher;
}

}  // namespace movra
