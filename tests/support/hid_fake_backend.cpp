#include "hid_fake_backend.h"

#include <sys/eventfd.h>
#include <unistd.h>

#include <algorithm>

namespace karvelm::testing {

TFakeHidDevicePtr MakeFakeHidDevice(const std::string& path, uint16_t vendorId,
                                    uint16_t productId) {
  auto device = std::make_shared<TFakeHidDevice>();
  device->path = path;
  device->vendorId = vendorId;
  device->productId = productId;
  return device;
}

TFakeHidDevicePtr MakeFakeKeyboard(const std::string& path) {
  return MakeFakeHidDevice(path, 0x046D, 0xC31C);
}

TFakeHidDevicePtr MakeDeniedFakeHidDevice(const std::string& path, uint16_t vendorId,
                                          uint16_t productId) {
  auto device = MakeFakeHidDevice(path, vendorId, productId);
  device->accessDenied = true;
  return device;
}

// A registration: its own queue, and an eventfd that is readable while the queue is not
// empty, as the udev socket is.
class TFakeHidBackend::TFakeMonitor final : public THidMonitor {
 public:
  TFakeMonitor(TFakeHidBackend& owner, TDeviceClass deviceClass)
      : FOwner(&owner), FClass(std::move(deviceClass)), FFd(eventfd(0, EFD_NONBLOCK)) {
    FOwner->FMonitors.push_back(this);
    FOwner->log.push_back("monitor+ " + FClass);
  }
  ~TFakeMonitor() override {
    if (FOwner) {
      std::erase(FOwner->FMonitors, this);
      FOwner->log.push_back("monitor- " + FClass);
    }
    if (FFd >= 0) close(FFd);
  }
  TFakeMonitor(const TFakeMonitor&) = delete;
  TFakeMonitor& operator=(const TFakeMonitor&) = delete;

  int Descriptor() const override { return FFd; }

  std::vector<THidDeviceEvent> TakePending() override {
    eventfd_t value = 0;
    eventfd_read(FFd, &value);
    std::vector<THidDeviceEvent> events(FQueue.begin(), FQueue.end());
    FQueue.clear();
    return events;
  }

  void Detach() { FOwner = nullptr; }

  void Post(const THidDeviceEvent& event) {
    FQueue.push_back(event);
    eventfd_write(FFd, 1);
  }

 private:
  TFakeHidBackend* FOwner;
  TDeviceClass FClass;
  int FFd;
  std::deque<THidDeviceEvent> FQueue;
};

TFakeHidBackend::TFakeHidBackend() = default;

// A link still open when a test ends keeps its registration; it must not reach back here.
TFakeHidBackend::~TFakeHidBackend() {
  for (TFakeMonitor* monitor : FMonitors) monitor->Detach();
}

void TFakeHidBackend::Plug(const TFakeHidDevicePtr& device) {
  present.push_back(device);
  Notify(hekArrival, kHidInterfaceClass);
}

void TFakeHidBackend::Unplug(const TFakeHidDevicePtr& device) {
  std::erase(present, device);
  Notify(hekRemoval, kHidInterfaceClass);
}

void TFakeHidBackend::Notify(THidEventKind kind, const TDeviceClass& deviceClass) {
  for (TFakeMonitor* monitor : FMonitors) monitor->Post({kind, deviceClass});
}

bool TFakeHidBackend::IsOpen(const TFakeHidDevicePtr& device) const {
  return std::any_of(FOpen.begin(), FOpen.end(),
                     [&](const auto& entry) { return entry.second == device; });
}

int TFakeHidBackend::Count(const std::string& entry) const {
  return static_cast<int>(std::count(log.begin(), log.end(), entry));
}

bool TFakeHidBackend::Bind() {
  ++binds;
  return available;
}

void TFakeHidBackend::Release() {
  ++releases;
}

std::optional<std::vector<THidDeviceInfo>> TFakeHidBackend::Enumerate() {
  if (enumerationFails) return std::nullopt;
  std::vector<THidDeviceInfo> devices;
  for (const TFakeHidDevicePtr& device : present) {
    THidDeviceInfo info{device->path, 0, 0};
    if (device->listsIds) {
      info.vendorId = device->vendorId;
      info.productId = device->productId;
    }
    devices.push_back(info);
  }
  return devices;
}

THidHandle TFakeHidBackend::Open(const std::string& path) {
  log.push_back("open " + path);
  auto it = std::find_if(present.begin(), present.end(),
                         [&](const TFakeHidDevicePtr& device) { return device->path == path; });
  if (it == present.end() || !(*it)->openable || (*it)->accessDenied) {
    FLastOpenError = it != present.end() && (*it)->accessDenied ? hoeDenied : hoeOther;
    return kInvalidHidHandle;
  }
  FLastOpenError = hoeNone;
  const THidHandle handle = FNextHandle++;
  FOpen[handle] = *it;
  return handle;
}

void TFakeHidBackend::Close(THidHandle handle) {
  auto it = FOpen.find(handle);
  log.push_back("close " + (it == FOpen.end() ? std::string("<unknown>") : it->second->path));
  if (it != FOpen.end()) FOpen.erase(it);
}

TFakeHidDevicePtr TFakeHidBackend::PluggedDevice(THidHandle handle) const {
  auto it = FOpen.find(handle);
  if (it == FOpen.end()) return nullptr;
  const bool plugged = std::find(present.begin(), present.end(), it->second) != present.end();
  return plugged ? it->second : nullptr;
}

bool TFakeHidBackend::GetAttributes(THidHandle handle, THidAttributes& attributes) {
  TFakeHidDevicePtr device = PluggedDevice(handle);
  if (!device) return false;
  attributes = {device->vendorId, device->productId, 0x0100};
  return true;
}

bool TFakeHidBackend::SetFeature(THidHandle handle, const uint8_t* report, int size) {
  ++featureCalls;
  TFakeHidDevicePtr device = PluggedDevice(handle);
  if (!device) return false;
  log.push_back("set " + device->path);
  device->setReports.emplace_back(report, report + size);
  return device->onSetFeature ? device->onSetFeature(report, size) : true;
}

bool TFakeHidBackend::GetFeature(THidHandle handle, uint8_t* report, int size, int* received) {
  ++featureCalls;
  TFakeHidDevicePtr device = PluggedDevice(handle);
  if (!device) return false;
  log.push_back("get " + device->path);
  device->getRequests.push_back({report[0], size});
  return device->onGetFeature ? device->onGetFeature(report, size, received) : false;
}

std::unique_ptr<THidMonitor> TFakeHidBackend::Monitor(const TDeviceClass& deviceClass) {
  if (monitorRefused) return nullptr;
  ++FMonitorsMade;
  return std::make_unique<TFakeMonitor>(*this, deviceClass);
}

TFakeHidScope::TFakeHidScope() {
  SetHidBackend(&FBackend);
}

TFakeHidScope::~TFakeHidScope() {
  SetHidBackend(nullptr);
}

}  // namespace karvelm::testing
