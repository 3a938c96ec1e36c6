// The device parameters of the settings block, described once: the parameter page, the
// command-line `file show` and validation all read this table.
#pragma once

#include <cstdint>
#include <optional>
#include <span>
#include <string>

namespace karvelm {

// Word indexes of the settings block.
enum TSettingsWord : int {
  MemLayout = 0,
  PunchMode = 2,
  ReaderMode = 3,
  RamSaveMode = 11,
  SettingsFormat = 16,
  Rk160Mode = 17,
  Rk170Mode = 18,
  WatchdogMode = 19,
  CpuSlowdown = 20,
  IntReg140 = 21,
  IntReg200 = 22,
  IntReg240 = 23,
  BosiIrqMode = 25,
  SettingsChecksum = 255,
};
// Byte offset of the configuration name inside the settings block.
constexpr int ConfigNameOffset = 200;
constexpr int kConfigNameMaxLength = 255;

constexpr uint16_t kSettingsFormatValue = 10;
constexpr uint16_t kIntRegNotUsed = 255;
constexpr int kIntRegCount = 11;  // input registers 167602 .. 167626 (octal)
constexpr int kMemLayoutCount = 21;

enum TFieldKind : uint8_t {
  fkList,    // the value is the index of one of items
  fkIntReg,  // kIntRegNotUsed, or 1..kIntRegCount for an input register
  fkNumber,  // any 16-bit value, no control
};

struct TConfigField {
  const char* name;  // the field's name in the code and in messages
  const char* key;   // the command-line JSON key
  int word;          // word index in the settings block
  TFieldKind kind;
  std::span<const char* const> items;  // fkList: texts shown for values 0..items-1
  const char* control;                 // the control that edits it ("" when none)
  const char* label;                   // its label on the page ("" when none)
};

// All word fields of the settings block, in word order.
std::span<const TConfigField> ConfigFields();
const TConfigField* FindConfigField(const std::string& name);

// True when value is one the field's control can show.
bool FieldValueValid(const TConfigField& field, uint16_t value);
// The text of a list item, or nothing when value selects no item.
std::optional<std::string> FieldItemText(const TConfigField& field, uint16_t value);

// Input register of an interrupt group, or 0 when value is not 1..kIntRegCount.
uint16_t IntRegBusAddress(uint16_t value);

// The stored number and, in brackets, what the parameter page shows for it: the list item,
// or the input register of an interrupt group. `file show` and the diff print this.
std::string FieldValueText(const TConfigField& field, uint16_t value);

}  // namespace karvelm
