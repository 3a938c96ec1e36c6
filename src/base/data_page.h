// How a page plugs into the supervision tick. A data page reads its data from the module into
// its buffer and redraws its view from that buffer; the tick decides when, from the page flag
// of the page. Page sets register their pages with the supervisor; a page that is not built has
// none registered, and the tick then only keeps its flag and its guard.
#pragma once

#include <functional>
#include <string>

namespace karvelm {

// The data pages, one per page flag of the supervisor.
enum TDataPageId : int {
  pgDebug,     // debug_screen
  pgTerminal,  // terminal_mode
  pgPerifBus,  // perif_bus_screen
  pgInOut,     // in_out_screen
  pgDac,       // dac_screen
  pgBsd,       // bsd_screen
  kDataPageCount
};

// A tab of a page control: its index as the system numbers it, its object name and caption.
// Indices are found through the names, so they do not depend on the order tabs are added in.
struct TPageTab {
  int index;
  const char* name;
  const char* caption;
};

class TDataPage {
 public:
  virtual ~TDataPage() = default;
  // From the module into the page's buffer; the tick has just found the firmware answering.
  virtual void Read() = 0;
  // The view from the buffer, on every tick, also when the module is silent.
  virtual void Show() = 0;
  // Lists the page's devices again: on entering the sub-page and when the module comes back.
  virtual void Relist() {}
  // The user brought the page into view.
  virtual void Enter() {}
};

// The update page's part in the tick and in page switching.
class TUpdatePage {
 public:
  virtual ~TUpdatePage() = default;
  // The module update requested by up_flag, run by the tick in the bootloader; the page's
  // progress bar is hidden at its end.
  virtual void RunModuleUpdate(const std::string& source) = 0;
  // The versions shown, when the page comes into view or the firmware is found with it in view.
  virtual void Refresh() = 0;
};

class TPageRegistry {
 public:
  virtual void AddDataPage(TDataPageId id, TDataPage& page) = 0;
  virtual void SetUpdatePage(TUpdatePage& page) = 0;
  // Page changes are refused while held() is true (a page whose own timer replaces the tick).
  virtual void HoldPageChangesWhile(std::function<bool()> held) = 0;
  // fw_state.connected: what the tick last found; pages act on the module only while it holds.
  virtual bool FirmwareConnected() const = 0;

 protected:
  ~TPageRegistry() = default;
};

}  // namespace karvelm
