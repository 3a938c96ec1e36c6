// The memory page (TabSheet2): the layout list ComboBox3, the bank/page map and the loading
// of ROM page images by clicking a region's first cell; Button35 writes the layout's ROM
// pages as bank files (service mode).
#pragma once

#include <QObject>
#include <array>
#include <functional>
#include <string>

#include "config/config_fields.h"
#include "config/config_image.h"
#include "config/memory_map_view.h"

class QComboBox;
class QWidget;

namespace karvelm {

class TMemoryCell;
class TUserDialogs;

class TMemorySheet final : public QObject {
  Q_OBJECT

 public:
  TMemorySheet(QWidget& sheet, TConfigImage& image, TUserDialogs& dialogs);

  void TabSheet2Show();
  void ComboBox3Change();
  void ShowMemoryMap(int layout);
  void StaticTextClick(TMemoryCell& cell);
  void Button35Click();

  // Where Button35 writes; the executable's folder unless set (tests).
  void SetBankFilesFolder(std::string folder) { FBankFilesFolder = std::move(folder); }

 private:
  TConfigImage& FImage;
  TUserDialogs& FDialogs;
  QComboBox* ComboBox3 = nullptr;
  // [bank][page]; empty where the bank has no such page.
  std::array<std::array<TMemoryCell*, kMaxBankPages>, kBankCount> mem_bank_controls{};
  // OpenDialog1 opens with the filter chosen the last time.
  int FFilterIndex = 1;
  std::string FBankFilesFolder;
};

}  // namespace karvelm
