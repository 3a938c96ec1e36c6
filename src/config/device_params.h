// The device-parameter page (TabSheet1) without its widgets: its lists as data from the
// field table, their selections, and the configuration name entry Edit9.
#pragma once

#include <optional>
#include <string>
#include <string_view>
#include <vector>

#include "config/config_fields.h"
#include "config/config_image.h"

namespace karvelm {

constexpr const char* kDeviceParamsCaption = "Параметры устройства";
constexpr const char* kConfigNameLabel = "Название конфигурации";
constexpr const char* kConfigNameControl = "Edit9";
constexpr const char* kExtInputsButton = "Button34";
constexpr const char* kExtInputsButtonCaption = "Настройка прерываний от RK-110M";
// Edit9 accepts no 256th character, so the name and its 0 byte end before word 255.
constexpr int kConfigNameEntryMaxLength = kConfigNameMaxLength;

// The lists of the page in their order (ComboBox1, 2, 4, 5, 6, 7, 8, 15): each field's
// control, label and items.
const std::vector<const TConfigField*>& DeviceParamLists();

// The item a list shows for its stored value; nothing (no selection) when the value is
// outside the items. The value itself is kept.
std::optional<int> ListSelection(const TConfigImage& image, const TConfigField& field);
// The work of ComboBox…Change: stores the picked item. An index outside the items (a list
// that lost its selection) changes nothing.
void StoreListItem(TConfigImage& image, const TConfigField& field, int itemIndex);

// The text Edit9 shows: the stored name decoded from the module's code, as UTF-8.
std::string ConfigNameText(const TConfigImage& image);

// Upper case as the Russian locale has it, on Windows-1251 text: Latin and Cyrillic
// letters, Ё and the other Cyrillic letters of the code page.
std::string UpperCaseCp1251(std::string_view cp1251);

// Edit9Change's work: stores the whole entry text (UTF-8) upper-cased, in Windows-1251,
// through ToKoi7, from byte 200 on, followed by one 0 byte. A text longer than
// kConfigNameEntryMaxLength characters is refused (false, nothing stored); the entry keeps
// such a text from arriving.
bool StoreConfigName(TConfigImage& image, std::string_view utf8Text);

}  // namespace karvelm
