// karvelm firmware update, versions and accessory update against karvelm-sim on loopback, and
// in process where the test looks at what reached the module.
#include <gtest/gtest.h>

#include <memory>
#include <string>
#include <vector>

#include "child_process.h"
#include "in_process_cli.h"
#include "link/commands.h"
#include "sim/sim_images.h"
#include "sim/udp_server.h"
#include "sim/updater_model.h"
#include "temp_folder.h"
#include "udp_test_ports.h"

namespace karvelm {
namespace {

using testing::RunProgram;
using testing::TRunResult;
using testing::TSimProcess;

std::vector<std::string> At(int port, std::vector<std::string> args) {
  std::vector<std::string> full = {"--ip",         "127.0.0.1", "--port", std::to_string(port),
                                   "--local-port", "0"};
  full.insert(full.end(), args.begin(), args.end());
  return full;
}

TRunResult Karvelm(int port, std::vector<std::string> args, double timeout = 60) {
  return RunProgram(KARVELM_CLI_PATH, At(port, std::move(args)), timeout);
}

bool Has(const std::string& text, const std::string& part) {
  return text.find(part) != std::string::npos;
}

// karvelm-sim writes its own images into the test's folder, under the built-in names.
class CliUpdate : public ::testing::Test {
 protected:
  std::vector<std::string> Sim(std::vector<std::string> args) {
    args.insert(args.end(), {"--restart-ms", "100", "--write-images", dir_.Path()});
    return args;
  }
  std::string Image(const char* name) const { return dir_.File(name); }

  TTempFolder dir_;
};

TEST_F(CliUpdate, FirmwareUpdateFromTheFirmwareRunsTheNewVersionAfterTheRestart) {
  TSimProcess sim(Sim({"--old-firmware"}));
  TRunResult r =
      Karvelm(sim.Port(), {"firmware", "update", Image("UpdateKarvel"), "--restart", "--json"});
  ASSERT_EQ(r.exitCode, 0) << r.err;
  // Both stored configurations were backed up first, named by the firmware they ran under.
  const std::string head = "{\"file\": \"" + Image("UpdateKarvel") + "\", \"bytes\": 20000, ";
  EXPECT_EQ(r.out.rfind(head + "\"backups\": [\"", 0), 0u) << r.out;
  EXPECT_TRUE(Has(r.out, "_udp_fw-2.0.21_cfg1.bin\", \"")) << r.out;
  EXPECT_TRUE(Has(r.out, "_udp_fw-2.0.21_cfg2.bin\"], \"restarted\": 1}\n")) << r.out;
  EXPECT_EQ(r.err, "") << "no progress when stderr is not a terminal";
  r = Karvelm(sim.Port(), {"identify", "--json"});
  EXPECT_TRUE(Has(r.out, "\"state\": \"firmware\", \"firmware_version\": \"2.0.34.\"")) << r.out;
}

TEST_F(CliUpdate, FirmwareUpdateFailures) {
  TSimProcess sim(Sim({"--program", "bootloader", "--silent-after", "8"}));
  // Nothing to send, or nothing to read: refused before the link is opened.
  const std::string empty = dir_.Write("empty.upd", "");
  TRunResult r = Karvelm(sim.Port(), {"firmware", "update", empty});
  EXPECT_EQ(r.exitCode, 1);
  EXPECT_EQ(r.err.rfind("Ошибка обновления\n", 0), 0u) << r.err;
  r = Karvelm(sim.Port(), {"firmware", "update", dir_.File("gone.upd")});
  EXPECT_EQ(r.exitCode, 1);
  EXPECT_TRUE(Has(r.err, "gone.upd")) << r.err;
  r = Karvelm(sim.Port(), {"firmware", "update", dir_.Path()});
  EXPECT_EQ(r.exitCode, 1);
  EXPECT_TRUE(Has(r.err, "это папка")) << r.err;
  r = Karvelm(sim.Port(), {"firmware", "update"});
  EXPECT_EQ(r.exitCode, 2);

  // The module falls silent in the middle of the image (no backup read first, which would
  // use up the packets it answers).
  r = Karvelm(sim.Port(),
              {"firmware", "update", Image("UpdateKarvel"), "--restart", "--no-backup"});
  EXPECT_EQ(r.exitCode, 1);
  EXPECT_EQ(r.err.rfind("Ошибка обновления\n", 0), 0u) << r.err;
  EXPECT_TRUE(Has(r.err, "of 20000 bytes acknowledged")) << r.err;
  EXPECT_EQ(r.out, "");
}

TEST_F(CliUpdate, VersionsAsJsonAndText) {
  TSimProcess sim(Sim({"--panel-version", "01090000", "--no-ext-modules"}));
  TRunResult r = Karvelm(sim.Port(), {"versions", "--json"});
  ASSERT_EQ(r.exitCode, 0) << r.err;
  // Ethernet has no BOSI link.
  EXPECT_EQ(r.out,
            "{\"module\": {\"state\": \"firmware\", \"version\": \"2.0.34.\"}, \"bosi\": null, "
            "\"panel\": \"1.9.0.\", \"modules\": [], \"available\": {\"module_v1\": \"1.3.39.\", "
            "\"module_v2\": \"2.0.34.\", \"panel_karvel\": \"1.9.0.\", \"panel_torsen\": "
            "\"1.4.0.\", \"bosi\": \"2.4.0.\", \"ext_modules\": \"1.1.21.\"}}\n");
  r = Karvelm(sim.Port(), {"versions"});
  EXPECT_EQ(r.exitCode, 0);
  EXPECT_TRUE(Has(r.out, "Модуль KarvelM: v 2.0.34. (firmware)\n")) << r.out;

  TSimProcess loader(Sim({"--program", "bootloader", "--firmware-version", "02001500"}));
  r = Karvelm(loader.Port(), {"versions", "--json"});
  EXPECT_EQ(r.exitCode, 0) << r.err;
  EXPECT_TRUE(Has(r.out,
                  "{\"module\": {\"state\": \"bootloader\", \"version\": \"2.0.21.\"}, "
                  "\"bosi\": null, \"panel\": null, \"modules\": []"))
      << r.out;

  testing::TPeerSocket silent;
  r = Karvelm(silent.Port(), {"versions", "--json"});
  EXPECT_EQ(r.exitCode, 1);
  EXPECT_TRUE(Has(r.out, "{\"module\": {\"state\": \"absent\", \"version\": null}")) << r.out;
}

TEST_F(CliUpdate, PanelUpdateAndATargetThatNeverBecomesReady) {
  TSimProcess sim(Sim({"--update-busy", "2"}));
  TRunResult r =
      Karvelm(sim.Port(), {"accessory", "update", "panel-torsen", Image("UpdatePNT"), "--json"});
  ASSERT_EQ(r.exitCode, 0) << r.err;
  EXPECT_EQ(r.out, "{\"target\": \"panel-torsen\", \"file\": \"" + Image("UpdatePNT") +
                       "\", \"bytes\": 3000}\n");
  r = Karvelm(sim.Port(), {"versions", "--json"});
  EXPECT_TRUE(Has(r.out, "\"panel\": \"1.4.0.\"")) << r.out;

  TSimProcess never(Sim({"--update-ready", "never"}));
  r = Karvelm(never.Port(), {"accessory", "update", "panel-karvel", Image("UpdatePNK")});
  EXPECT_EQ(r.exitCode, 1);
  EXPECT_EQ(r.err.rfind("Ошибка обновления\n", 0), 0u) << r.err;

  // Usage errors before anything is opened.
  for (const std::vector<std::string>& args :
       {std::vector<std::string>{"accessory", "update", "panel", Image("UpdatePNK")},
        {"accessory", "update", "ext:zz", Image("UpdatePNK")},
        {"accessory", "update", "ext:0", Image("UpdatePNK")},
        {"accessory", "update", "bosi"}}) {
    r = Karvelm(never.Port(), args);
    EXPECT_EQ(r.exitCode, 2) << args[2];
  }
}

// An external module in its bootloader takes the image of its kind by its network address
// and reports the image's version afterwards.
TEST_F(CliUpdate, ExtModuleUpdateByItsAddress) {
  TSimProcess sim(Sim({"--no-ext-modules", "--ext-module", "6:2:0A:010100B0"}));
  TRunResult r = Karvelm(sim.Port(), {"accessory", "update", "ext:0a", Image("UpdateExtM")});
  ASSERT_EQ(r.exitCode, 0) << r.err;
  EXPECT_EQ(r.out, "ext:0a updated from " + Image("UpdateExtM") + " (3000 bytes)\n");
  r = Karvelm(sim.Port(), {"versions", "--json"});
  EXPECT_TRUE(Has(r.out,
                  "\"modules\": [{\"name\": \"RK-110M 0x0A\", \"address\": 10, "
                  "\"version\": \"1.1.21.\", \"bootloader\": false}]"))
      << r.out;
}

// In process, so that the test can see what reached the module.
class CliUpdateInProcess : public CliUpdate {
 protected:
  void SetUp() override {
    TSimServerOptions options;
    options.port = 0;
    server_ = std::make_unique<TSimUdpServer>(TSimConfig{}, options);
    server_->WithSim([](TModuleSim& sim) {
      ExtModuleInfo module{};
      module.NetAddress = 0x0A;
      module.Version = 0x010100B0;  // in its bootloader
      sim.ExtModules()[{6, 2}] = module;
    });
    server_->Start();
    std::string error;
    ASSERT_TRUE(WriteSimImages(dir_.Path(), error)) << error;
  }
  void TearDown() override { server_->Stop(); }

  testing::TCliRun Run(std::vector<std::string> args) {
    return testing::RunCliInProcess(At(server_->Port(), std::move(args)));
  }
  int Received(uint8_t code) {
    return server_->WithSim([code](TModuleSim& sim) {
      int n = 0;
      for (const TSimRequest& r : sim.Requests()) n += r.type == kSimTypeReply && r.code == code;
      return n;
    });
  }

  std::unique_ptr<TSimUdpServer> server_;
};

TEST_F(CliUpdateInProcess, ExtModuleByTheAddressAFreshQueryLists) {
  testing::TCliRun r = Run({"accessory", "update", "ext:0B", Image("UpdateExtM")});
  EXPECT_EQ(r.code, 1);
  EXPECT_EQ(r.err, "no external module answers at address 0x0B\n");
  EXPECT_GT(Received(cmdGetExtModule), 0) << "the query is fresh";
  for (uint8_t code : {cmdPause, cmdPrepareExtModuleUpdate, cmdWriteExtModuleFirmware,
                       cmdFinishExtModuleUpdate, cmdResume})
    EXPECT_EQ(Received(code), 0) << "nothing sent: " << CommandName(code, csApplication);

  r = Run({"accessory", "update", "ext:0a", Image("UpdateExtM")});
  ASSERT_EQ(r.code, 0) << r.err;
  EXPECT_EQ(r.out, "ext:0a updated from " + Image("UpdateExtM") + " (3000 bytes)\n");
  EXPECT_EQ(Received(cmdResume), 1);
  r = Run({"versions", "--json"});
  EXPECT_TRUE(Has(r.out,
                  "\"modules\": [{\"name\": \"RK-110M 0x0A\", \"address\": 10, "
                  "\"version\": \"1.1.21.\", \"bootloader\": false}]"))
      << r.out;
}

// An image whose name marks it for the other kind of target is refused before the link is
// opened; --force sends it, saying the mismatch on stderr. Names without either extension pass.
TEST_F(CliUpdateInProcess, ImageOfTheOtherKindNeedsForce) {
  const std::string refusedModule =
      " is an accessory image (*.upm), not a module image (*.upd); nothing was sent (--force "
      "sends it anyway)\n";
  const std::string refusedAccessory =
      " is a module image (*.upd), not an accessory image (*.upm); nothing was sent (--force "
      "sends it anyway)\n";
  const std::string forcedModule =
      " is an accessory image (*.upm), not a module image (*.upd); sent anyway (--force)\n";
  const std::string forcedAccessory =
      " is a module image (*.upd), not an accessory image (*.upm); sent anyway (--force)\n";
  const struct {
    const char* file;  // the built-in image of the target copied under this name
    bool module;
    bool force;
    int code;
    std::string err;  // after the path; "warning: " before it when forced
  } cases[] = {
      {"module.upm", true, false, 1, refusedModule},
      {"module.UPM", true, true, 0, forcedModule},
      {"module.upd", true, false, 0, ""},
      {"panel.upd", false, false, 1, refusedAccessory},
      {"panel.upd", false, true, 0, forcedAccessory},
      {"panel.bin", false, false, 0, ""},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(std::string(c.file) + (c.force ? " --force" : ""));
    const std::string path =
        dir_.Write(c.file, TTempFolder::Read(Image(c.module ? "UpdateKarvel" : "UpdatePNK")));
    std::vector<std::string> args =
        c.module ? std::vector<std::string>{"firmware", "update", path, "--restart", "--wait", "5"}
                 : std::vector<std::string>{"accessory", "update", "panel-karvel", path};
    if (c.force) args.push_back("--force");
    // cmdWriteFirmware shares its code with cmdEnterLoader: any of them means the link was used.
    const uint8_t data = c.module ? cmdWriteFirmware : cmdWritePanelFirmware;
    const int before = Received(data);
    const testing::TCliRun r = Run(args);
    EXPECT_EQ(r.code, c.code) << r.err;
    const std::string err = c.err.empty() ? "" : (c.force ? "warning: " : "") + path + c.err;
    EXPECT_EQ(r.err, err);
    EXPECT_EQ(Received(data) > before, c.code == 0);
    EXPECT_EQ(r.out.empty(), c.code != 0);
  }
}

}  // namespace
}  // namespace karvelm
