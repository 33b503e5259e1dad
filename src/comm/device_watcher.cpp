#include "comm/device_watcher.h"

#include "comm/port_names.h"

namespace movra {

DeviceWatcher::DeviceWatcher(MessageTarget::Handle target, const std::string& devDir)
    : devDir_(devDir.empty() ? UnderDeviceRoot("dev") : devDir) {
  backend_ = DeviceWatcherBackend::Start(devDir_, [target](DeviceEvent event) {
    target.post(MessageId::DeviceChange, ToParam(event), 0);
  });
}

DeviceWatcher::~DeviceWatcher() { backend_.reset(); }

bool DeviceWatcher::Watching() const { return backend_ && backend_->Watching(); }

}  // namespace movra
