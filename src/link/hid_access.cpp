#include "link/hid_access.h"

#include "link/ext_intf.h"

namespace karvelm {

std::string NoAccessText(const std::string& devicePath) {
  return "Модуль KarvelM подключен, но его устройство " + devicePath +
         " не открывается: нет прав доступа.\n"
         "Установите правило udev из resources/udev/70-karvelm.rules:\n"
         "  sudo cp resources/udev/70-karvelm.rules /etc/udev/rules.d/\n"
         "  sudo udevadm control --reload-rules\n"
         "затем отключите модуль и подключите его снова.";
}

std::string DeniedModuleDevice() {
  if (!ActiveLink) return {};
  return ActiveLink->Transport().DeniedDevice();
}

}  // namespace karvelm
