// The main window: status panel, menu, tool bar and the main page control. The logic lives in
// TSupervisor and the UI-free actions; this class shows their state and turns clicks into
// their calls. The pages are built by the page sets of their subsystems. Its parts are built in
// main_form_*.cpp, one file per area.
#pragma once

#include <QMainWindow>
#include <memory>
#include <string>

#include "app/command_line.h"
#include "app/link_chooser.h"
#include "app/settings.h"
#include "app/shell_window.h"
#include "app/status_panel.h"
#include "app/supervisor.h"
#include "base/shell_services.h"
#include "base/user_dialogs.h"
#include "config/config_image.h"
#include "update/image_resolver.h"

class QAction;
class QButtonGroup;
class QCheckBox;
class QGroupBox;
class QLabel;
class QLineEdit;
class QProgressBar;
class QPushButton;
class QTabWidget;
class QTimer;
class QToolButton;
class QWidget;

namespace karvelm {

class TSelectIntfForm;
class TAboutForm;
class TUsbWatch;
class TConfigPages;
class TTerminalPages;
class TDiagPages;
class TUpdatePages;
class TPageControl;

struct TMainFormOptions {
  TCommandLine commandLine;
  std::string settingsPath;  // the settings file to read at creation and write at close
  TUserDialogs* dialogs = nullptr;
  TLinkFactory linkFactory;  // empty: the hardware links
  TSelectIntfForm* selectIntfForm = nullptr;
  TAboutForm* aboutForm = nullptr;
  // Firmware images found before the program's own (the simulator's); may be empty.
  std::shared_ptr<TImageSource> firmwareImages;
  // false in tests that drive Timer1Timer themselves.
  bool startTimer = true;
};

class TMainForm final : public QMainWindow,
                        public TShellWindow,
                        public TShellServices,
                        public TStatusPanel {
  Q_OBJECT

 public:
  explicit TMainForm(TMainFormOptions options);
  ~TMainForm() override;

  TSupervisor& Shell() { return FShell; }
  TSettings& Settings() { return FSettings; }
  TConfigImage& Image() { return *FImage; }
  TConfigPages& ConfigPages() { return *FConfigPages; }
  TTerminalPages& TerminalPages() { return *FTerminalPages; }
  bool ServiceMode() const { return FOptions.commandLine.serviceMode; }
  void SetAboutForm(TAboutForm* form) { FOptions.aboutForm = form; }
  void SetSelectIntfForm(TSelectIntfForm* form) { FOptions.selectIntfForm = form; }

  // Handlers, public so that tests and the menu reach the same code.
  void FormShow();
  void Timer1Timer();
  void RadioGroup1Click();
  void JvSpeedButton1Click();
  void JvSpeedButton2Click();
  void CheckBox6Click();
  void Button4Click();
  void Button7Click();
  void Button5Click();
  void Button8Click();
  void Button6Click();
  void SpeedButton1Click();
  void SpeedButton2Click();
  // "Сравнить с файлом…": the open configuration against a file, in a table dialog.
  void CompareWithFileClick();
  void N9Click();
  void N10Click();
  void N23Click();  // the service report of the module
  void PageControl1Change();
  void PageControl2Change();

  // TShellWindow.
  TShellServices& Services() override { return *this; }
  TStatusPanel& StatusPanel() override { return *this; }
  int CurrentPage() const override;
  int CurrentSubPage() const override;
  void ShowPage(int index) override;
  void SetCaption(const std::string& text) override;
  void RefreshConfigPages() override;
  void ReadConfiguration(int configIndex) override;
  void WriteConfiguration(int configIndex) override;

  // TShellServices.
  void SetBusyCursor(bool busy) override;
  void SetTimerEnabled(bool enabled) override;
  void Repaint() override;
  TUserDialogs& Dialogs() override { return *FOptions.dialogs; }

  // TStatusPanel.
  void SetStatusText(const std::string& text) override;
  void SetFirmwareVersionText(const std::string& text) override;
  void SetLoaderVersionText(const std::string& text) override;
  void SetConfigCommandsEnabled(bool enabled) override;
  void SetUpdateCommandEnabled(bool enabled) override;
  void SetRestartEnabled(bool enabled) override;
  void SetProgress2Visible(bool visible) override;
  void SetProgress2(int percent) override;

 protected:
  void showEvent(QShowEvent* event) override;
  void closeEvent(QCloseEvent* event) override;

 private:
  void FormCreate();
  void FormClose();
  void BuildMenu();
  QWidget* BuildToolBar();
  QWidget* BuildStatusPanel();
  QWidget* BuildPages();
  void ApplyServiceMode();
  void RemoveDebugPage();
  void SelectRadioIndex(int index);
  void OpenSelectedLink();
  void WatchUsb();
  void KeepFocusOffTheLinkChoice(QWidget* old, QWidget* now);
  // PageControl1's tab of a TMainPage, found by its name.
  int TabIndex(int page) const;

  TMainFormOptions FOptions;
  TSupervisor FShell;
  TSettings FSettings;
  std::unique_ptr<TConfigImage> FImage;
  std::unique_ptr<TUsbWatch> FUsbWatch;
  // The page sets, the window's children.
  TConfigPages* FConfigPages = nullptr;
  TTerminalPages* FTerminalPages = nullptr;
  TDiagPages* FDiagPages = nullptr;
  TUpdatePages* FUpdatePages = nullptr;
  bool FShown = false;
  bool FClosed = false;
  int FRadioIndex = -1;
  // Ended in the destructor: the children going after it still move the focus.
  QMetaObject::Connection FFocusWatch;

  QTimer* Timer1 = nullptr;
  QLabel* StaticText11 = nullptr;
  QLabel* StaticText10 = nullptr;
  QLabel* StaticText2 = nullptr;
  QPushButton* Button4 = nullptr;
  QPushButton* Button7 = nullptr;
  QPushButton* Button5 = nullptr;
  QPushButton* Button8 = nullptr;
  QPushButton* Button6 = nullptr;
  QPushButton* Button35 = nullptr;
  QToolButton* SpeedButton1 = nullptr;
  QToolButton* SpeedButton2 = nullptr;
  QProgressBar* ProgressBar2 = nullptr;
  QWidget* Panel3 = nullptr;
  QGroupBox* RadioGroup1 = nullptr;
  QButtonGroup* RadioButtons = nullptr;
  QLineEdit* JvIPAddress1 = nullptr;
  QCheckBox* CheckBox6 = nullptr;
  TPageControl* PageControl1 = nullptr;
  QAction* N11 = nullptr;
  QAction* N21 = nullptr;
  QAction* N12 = nullptr;
  QAction* N22 = nullptr;
  QAction* N14 = nullptr;
  QAction* N16 = nullptr;
};

}  // namespace karvelm
