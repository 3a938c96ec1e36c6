// The update page "Обновление ПО", put onto the window's sheet TabSheet10: the versions this
// program carries, the versions running in the module and the devices attached to it, one
// "Прошить" button per target (all on UpdateClick, told apart by their tag), the service check
// box CheckBox5 (images from files through OpenDialog3) and ProgressBar1.
#pragma once

#include <QObject>
#include <array>
#include <functional>
#include <memory>
#include <string>

#include "base/data_page.h"
#include "update/image_resolver.h"
#include "update/update_hooks.h"
#include "update/version_page.h"

class QCheckBox;
class QLabel;
class QProgressBar;
class QPushButton;
class QTabWidget;
class QWidget;

namespace karvelm {

class TShellServices;

// What the page needs of the window's supervision.
struct TUpdatePageLinks {
  TPageRegistry& registry;
  TShellServices& services;
  // fw_state and boot_state as the last probes found them.
  std::function<TModuleVersions()> moduleState;
  // up_flag: the module update the tick runs once the bootloader answers.
  std::function<void(bool raised)> setUpdateRequest;
  // UpdateFileName: the module file chosen through Button2, which the tick hands back.
  std::function<void(const std::string& path)> setModuleFile;
  // Images asked before the program's own places (the simulator's); may be empty.
  std::shared_ptr<TImageSource> firstImages;
  bool serviceMode = false;  // shows CheckBox5
};

class TUpdatePages final : public QObject, public TUpdatePage {
 public:
  // window: the owner; pages: the control holding the sheet.
  TUpdatePages(QWidget& window, QTabWidget& pages, TUpdatePageLinks links);

  // What the menu item N16 does: Button2's click, whether or not the button is enabled.
  void ClickUpdateButton();

  // The handler of every update button; the sender's tag selects the target.
  void UpdateClick(QObject* sender);

  // TUpdatePage. source is UpdateFileName: only ever a module file (or empty), so an update
  // raised by the version gate can take nothing but a module image.
  void RunModuleUpdate(const std::string& source) override;
  void Refresh() override;

 private:
  QWidget* BuildAvailable();
  QWidget* BuildCurrent();
  QPushButton* UpdateButton(const char* name, const char* caption, int tag);
  TUpdateHooks Hooks();
  void UpdateModule();
  void UpdateAccessory(int tag);
  void ShowRows(const TVersionPageRows& rows);

  TUpdatePageLinks FLinks;
  TImageResolver FImages;

  QLabel* StaticText194 = nullptr;
  QLabel* StaticText195 = nullptr;
  QLabel* StaticText223 = nullptr;
  QPushButton* Button2 = nullptr;
  QPushButton* Button33 = nullptr;
  QPushButton* Button18 = nullptr;
  QPushButton* Button25 = nullptr;
  std::array<QLabel*, kExtModuleRows> ext_mod_name{};
  std::array<QLabel*, kExtModuleRows> ext_mod_ver{};
  std::array<QPushButton*, kExtModuleRows> ext_mod_btn{};
  QCheckBox* CheckBox5 = nullptr;
  QProgressBar* ProgressBar1 = nullptr;
};

// Where the built-in images come from in the desktop program: firstImages, then the images
// compiled in from resources/firmware/ (when the build had any), then the files of the core's
// lookup.
TImageResolver DesktopImageResolver(std::shared_ptr<TImageSource> firstImages);

}  // namespace karvelm
