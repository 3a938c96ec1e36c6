// The Changing handler of a tab control: nothing the user does on its tab bar switches the page
// while allowed() is false. Switches made by the program are not affected.
#pragma once

#include <QObject>
#include <functional>

class QTabWidget;

namespace karvelm {

class TTabSwitchGuard final : public QObject {
 public:
  // Owned by control.
  TTabSwitchGuard(QTabWidget& control, std::function<bool()> allowed);

 protected:
  bool eventFilter(QObject* watched, QEvent* event) override;

 private:
  std::function<bool()> FAllowed;
};

}  // namespace karvelm
