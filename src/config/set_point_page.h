// The set-point page (TabSheet4) without its widgets: sixteen registers at 173000..173036
// (octal), entered in octal.
#pragma once

#include <string>
#include <string_view>

#include "config/config_image.h"

namespace karvelm {

constexpr const char* kSetPointCaption = "Блок уставок";
constexpr const char* kSetPointAddressHeading = "Адрес";
constexpr const char* kSetPointValueHeading = "Значение(oct)";
constexpr const char* kSetPointInitialText = "0";

// The entry of row i (its tag is i): Edit1, Edit2, Edit3, Edit5, Edit6, Edit4, Edit7, Edit8,
// then Edit10 .. Edit17; nullptr outside 0..15.
const char* SetPointEntryName(int index);
// The fixed address text of row i: "173000", "173002", ... "173036".
std::string SetPointAddressText(int index);
// TabSheet4Show: the text of entry i.
std::string SetPointText(const TConfigImage& image, int index);

// OctoEditChange's work: stores the converted text into word index and returns true (window
// text colour); on a conversion error returns false (red) and keeps the stored word.
bool StoreSetPointText(TConfigImage& image, int index, std::string_view text);

}  // namespace karvelm
