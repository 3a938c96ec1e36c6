#include "config/ext_inputs.h"

#include <stdexcept>

namespace karvelm {

const TExtInputGroup& ExtInputGroup(int group) {
  static const std::array<TExtInputGroup, kExtInputGroups> groups = {{
      {FindConfigField("IntReg140"), "CheckBox1", "Label1", "ComboBox1"},
      {FindConfigField("IntReg200"), "CheckBox2", "Label2", "ComboBox2"},
      {FindConfigField("IntReg240"), "CheckBox3", "Label3", "ComboBox3"},
  }};
  return groups.at(group);
}

const std::array<const char*, kIntRegCount> IntRegItems = {
    "167602", "167604", "167606", "167610", "167612", "167614",
    "167616", "167620", "167622", "167624", "167626",
};

int& TExtInputsForm::RegNum(int group) {
  switch (group) {
    case 0:
      return reg_num_0;
    case 1:
      return reg_num_1;
    case 2:
      return reg_num_2;
  }
  throw std::out_of_range("interrupt group " + std::to_string(group));
}

int TExtInputsForm::RegNum(int group) const {
  return const_cast<TExtInputsForm*>(this)->RegNum(group);
}

void TExtInputsForm::ShowValues() {
  for (int group = 0; group < kExtInputGroups; ++group) {
    TGroupView& view = FGroups[group];
    const int value = RegNum(group);
    if (value == kIntRegNotUsed) {
      view.checked = false;
      view.listEnabled = false;
      continue;
    }
    view.checked = true;
    view.listEnabled = true;
    view.itemIndex = value >= 1 && value <= kIntRegCount ? value - 1 : -1;
  }
}

void TExtInputsForm::SetGroupUsed(int group, bool checked) {
  TGroupView& view = FGroups.at(group);
  view.checked = checked;
  view.listEnabled = checked;
  if (!checked) RegNum(group) = kIntRegNotUsed;
}

void TExtInputsForm::PickItem(int group, int itemIndex) {
  TGroupView& view = FGroups.at(group);
  if (itemIndex < 0 || itemIndex >= kIntRegCount) return;
  view.itemIndex = itemIndex;
  RegNum(group) = itemIndex + 1;
}

bool EditExtInputs(TConfigImage& image, TExtInputsForm& form,
                   const std::function<bool(TExtInputsForm&)>& showModal) {
  for (int group = 0; group < kExtInputGroups; ++group)
    form.RegNum(group) = SettingsWord(image, ExtInputGroup(group).field->word);
  if (!showModal(form)) return false;
  for (int group = 0; group < kExtInputGroups; ++group)
    SetSettingsWord(image, ExtInputGroup(group).field->word,
                    static_cast<uint16_t>(form.RegNum(group)));
  return true;
}

}  // namespace karvelm
