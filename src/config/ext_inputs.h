// The interrupt settings dialog TExtInputsForm without its widgets: three groups of vectors,
// each tied to one input register of the RK-110M board or unused.
#pragma once

#include <array>
#include <functional>

#include "config/config_fields.h"
#include "config/config_image.h"

namespace karvelm {

constexpr const char* kExtInputsCaption = "Настройка прерываний от RK-110M";
constexpr const char* kExtInputsCheckBoxText = "Использовать";
constexpr const char* kExtInputsLabelText = "Адрес входного регистра";
constexpr const char* kExtInputsOkText = "OK";
constexpr const char* kExtInputsCancelText = "Отмена";
constexpr int kExtInputGroups = 3;

struct TExtInputGroup {
  const TConfigField* field;  // its word; the group box (control) and its caption (label)
  const char* checkBox;
  const char* label;
  const char* comboBox;
};

// In dialog order (0..2): vectors 140-174, 200-234, 240-274.
const TExtInputGroup& ExtInputGroup(int group);
// The eleven list items "167602" .. "167626"; item k stands for value k + 1.
extern const std::array<const char*, kIntRegCount> IntRegItems;

class TExtInputsForm {
 public:
  struct TGroupView {
    bool checked = false;
    bool listEnabled = false;
    int itemIndex = 0;  // -1: no item selected
  };

  // Set by the caller before showing the dialog and read after it closed with OK.
  int reg_num_0 = kIntRegNotUsed;
  int reg_num_1 = kIntRegNotUsed;
  int reg_num_2 = kIntRegNotUsed;

  int& RegNum(int group);
  int RegNum(int group) const;
  const TGroupView& Group(int group) const { return FGroups.at(group); }

  // Sets the controls up from the values; the values do not change. A value that selects no
  // item (0, or anything else outside 1..11 but 255) shows ticked with no item selected.
  void ShowValues();
  // The user ticks or clears a group's box. Ticking only enables the list; clearing makes the
  // group unused.
  void SetGroupUsed(int group, bool checked);
  // The user picks an item of a group's list.
  void PickItem(int group, int itemIndex);

 private:
  // Every list shows its first item when the dialog is created, and keeps its last item
  // between openings.
  std::array<TGroupView, kExtInputGroups> FGroups{};
};

// Button34Click: copies IntReg140/200/240 into the dialog, runs it (showModal returns true
// for OK) and on OK stores the three values back (low 16 bits). Returns showModal's result.
bool EditExtInputs(TConfigImage& image, TExtInputsForm& form,
                   const std::function<bool(TExtInputsForm&)>& showModal);

}  // namespace karvelm
