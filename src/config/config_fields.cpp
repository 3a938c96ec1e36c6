#include "config/config_fields.h"

#include "base/octal_text.h"

namespace karvelm {
namespace {

constexpr const char* kLayoutItems[] = {"1",  "2",  "3",  "4",  "5",  "6",  "7",
                                        "8",  "9",  "10", "11", "12", "13", "14",
                                        "15", "16", "17", "18", "19", "20", "21"};
static_assert(std::size(kLayoutItems) == kMemLayoutCount);
constexpr const char* kPunchItems[] = {"использование СМП", "штатный перфоратор"};
constexpr const char* kReaderItems[] = {"использование СМП", "штатное ФСУ"};
constexpr const char* kRamSaveItems[] = {"ручной", "автоматический"};
constexpr const char* kEmulationItems[] = {"выкл", "вкл", "использование СМП"};
constexpr const char* kOnOffItems[] = {"выкл", "вкл"};
constexpr const char* kSlowdownItems[] = {
    "0 - нет замедления", "1", "2", "3", "4", "5", "6", "7", "8", "9"};
constexpr const char* kBosiItems[] = {"норма", "форсирование"};

constexpr TConfigField kFields[] = {
    {"MemLayout", "mem_layout", MemLayout, fkList, kLayoutItems, "ComboBox3",
     "Номер текущей конфигурации"},
    {"PunchMode", "punch_mode", PunchMode, fkList, kPunchItems, "ComboBox1",
     "Режим работы перфоратора"},
    {"ReaderMode", "reader_mode", ReaderMode, fkList, kReaderItems, "ComboBox2",
     "Режим работы ФСУ"},
    {"RamSaveMode", "ram_save_mode", RamSaveMode, fkList, kRamSaveItems, "ComboBox4",
     "Режим сохрания ОЗУ"},
    {"SettingsFormat", "settings_format", SettingsFormat, fkNumber, {}, "", ""},
    {"Rk160Mode", "rk160_mode", Rk160Mode, fkList, kEmulationItems, "ComboBox5",
     "Режим эмуляции RK-160"},
    {"Rk170Mode", "rk170_mode", Rk170Mode, fkList, kEmulationItems, "ComboBox6",
     "Режим эмуляции RK-170"},
    {"WatchdogMode", "watchdog_mode", WatchdogMode, fkList, kOnOffItems, "ComboBox7",
     "Сторожевой таймер"},
    {"CpuSlowdown", "cpu_slowdown", CpuSlowdown, fkList, kSlowdownItems, "ComboBox8",
     "Замедление процессора"},
    {"IntReg140", "int_reg_140", IntReg140, fkIntReg, {}, "GroupBox2", "Вектора 140-174"},
    {"IntReg200", "int_reg_200", IntReg200, fkIntReg, {}, "GroupBox1", "Вектора 200-234"},
    {"IntReg240", "int_reg_240", IntReg240, fkIntReg, {}, "GroupBox3", "Вектора 240-274"},
    {"BosiIrqMode", "bosi_irq_mode", BosiIrqMode, fkList, kBosiItems, "ComboBox15",
     "Прерывания от БОСИ"},
    {"SettingsChecksum", "settings_checksum", SettingsChecksum, fkNumber, {}, "", ""},
};

}  // namespace

std::span<const TConfigField> ConfigFields() {
  return kFields;
}

const TConfigField* FindConfigField(const std::string& name) {
  for (const TConfigField& field : kFields) {
    if (name == field.name || name == field.key) return &field;
  }
  return nullptr;
}

bool FieldValueValid(const TConfigField& field, uint16_t value) {
  switch (field.kind) {
    case fkList:
      return value < field.items.size();
    case fkIntReg:
      return value == kIntRegNotUsed || (value >= 1 && value <= kIntRegCount);
    case fkNumber:
      return true;
  }
  return false;
}

std::optional<std::string> FieldItemText(const TConfigField& field, uint16_t value) {
  if (field.kind != fkList || value >= field.items.size()) return std::nullopt;
  return std::string(field.items[value]);
}

uint16_t IntRegBusAddress(uint16_t value) {
  if (value < 1 || value > kIntRegCount) return 0;
  return static_cast<uint16_t>(0xEF82 + 2 * (value - 1));  // 167602 octal onwards
}

std::string FieldValueText(const TConfigField& field, uint16_t value) {
  std::string text = std::to_string(value);
  if (field.kind == fkList) {
    if (std::optional<std::string> item = FieldItemText(field, value))
      text += " (" + *item + ")";
    else
      text += " (no such item)";
  } else if (field.kind == fkIntReg) {
    if (value == kIntRegNotUsed)
      text += " (not used)";
    else if (uint16_t address = IntRegBusAddress(value))
      text += " (input register " + WordToOctal(address) + ")";
    else
      text += " (no such register)";
  }
  return text;
}

}  // namespace karvelm
