// karvelm report: the JSON against the simulated module's known state, the HTML naming every
// device, the tests when asked, and what a report says of a module that fails or is absent.
// Over both USB kinds in process (the tests' waits cost nothing) and over loopback UDP.
#include <gtest/gtest.h>

#include <filesystem>
#include <memory>
#include <nlohmann/json.hpp>
#include <string>
#include <tuple>
#include <vector>

#include "child_process.h"
#include "cli_usb_fixture.h"
#include "config/config_fields.h"
#include "config/config_image.h"
#include "config/koi7.h"
#include "sim/harness_model.h"
#include "sim/peripheral_setup.h"
#include "temp_folder.h"
#include "udp_test_ports.h"

namespace karvelm {
namespace {

using nlohmann::json;
using testing::TCliRun;
using testing::TCliUsbFixture;
using testing::TSimHidModule;

bool Has(const std::string& text, const std::string& part) {
  return text.find(part) != std::string::npos;
}

// Every page different, a Cyrillic name.
std::unique_ptr<TConfigImage> StoredImage(uint8_t seed, const std::string& name) {
  auto image = std::make_unique<TConfigImage>();
  ResetConfigImage(*image);
  for (size_t i = 0; i < kMemoryImageSize; ++i)
    image->MemoryImage[i] = static_cast<uint8_t>((i * seed) >> 7);
  SetConfigName(*image, Utf8ToCp1251(name));
  SealSettingsBlock(*image);
  UpdateAllPageChecks(*image);
  return image;
}

json PageChecks(const TConfigImage& image, bool crc) {
  json checks = json::array();
  for (int page = 0; page < kPageCount; ++page)
    checks.push_back(crc ? image.PageCrc[page] : image.PageSum[page]);
  return checks;
}

class CliReportUsb : public TCliUsbFixture {
 protected:
  TSimHidModule& PlugLively() {
    TSimHidModule& module = Plug(spFirmware);
    ApplyPeripheralSetup(module.sim, LivelySetup());
    first_ = StoredImage(3, "ТОКАРНЫЙ 16К20");
    second_ = StoredImage(5, "ФРЕЗЕРНЫЙ");
    module.sim.Storage().Load(0, *first_);
    module.sim.Storage().Load(1, *second_);
    return module;
  }
  json ReadJson() const { return json::parse(TTempFolder::Read(dir_.File("out/report.json"))); }
  std::string Html() const { return TTempFolder::Read(dir_.File("out/report.html")); }
  std::string Out() const { return dir_.File("out"); }

  TTempFolder dir_;
  std::unique_ptr<TConfigImage> first_, second_;
};

// The same module state as identify, versions and bus scan show it, both stored
// configurations' checks as stored, and the module back in its firmware afterwards.
TEST_P(CliReportUsb, JsonHoldsTheModulesKnownState) {
  TSimHidModule& module = PlugLively();
  const json identify = json::parse(Run({"identify", "--json"}).out);
  const json versions = json::parse(Run({"versions", "--json"}).out);
  const json scan = json::parse(Run({"bus", "scan", "--json"}).out);

  TCliRun r = Run({"report", "--out", Out(), "--json"});
  ASSERT_EQ(r.code, 0) << r.err;
  EXPECT_EQ(json::parse(r.out)["complete"], true) << r.out;
  const json report = ReadJson();
  EXPECT_EQ(report["program_version"], "1.97");
  EXPECT_EQ(report["link"], GetParam() == itHID_OLD ? "usb1" : "usb2");
  EXPECT_FALSE(report["date"].get<std::string>().empty());
  EXPECT_EQ(report["identity"], identify);
  EXPECT_EQ(report["versions"], versions);
  // The counters move with every poll; everything else is the scan's.
  json bus = report["bus"];
  json expected = scan;
  for (json* tree : {&bus, &expected}) {
    for (const char* key : {"exchanges", "timeouts", "errors"}) {
      ASSERT_TRUE((*tree)["panel"][key].is_number()) << *tree;
      (*tree)["panel"].erase(key);
      for (json& device : (*tree)["modules"]) device.erase(key);
    }
  }
  EXPECT_EQ(bus, expected);
  EXPECT_FALSE(report["bus"]["modules"].empty());

  ASSERT_EQ(report["configurations"].size(), 2u);
  for (const auto& [index, image, name] :
       {std::tuple{0, first_.get(), "ТОКАРНЫЙ 16К20"}, std::tuple{1, second_.get(), "ФРЕЗЕРНЫЙ"}}) {
    const json& config = report["configurations"][static_cast<size_t>(index)];
    EXPECT_EQ(config["config"], index + 1);
    EXPECT_EQ(config["read"], true);
    EXPECT_EQ(config["failed"], json::array());
    EXPECT_EQ(config["config_name"], name);
    EXPECT_EQ(config["page_sum"], PageChecks(*image, false));
    EXPECT_EQ(config["page_crc"], PageChecks(*image, true));
  }
  EXPECT_EQ(report["tests"], json({{"loopback", nullptr}, {"count", nullptr}}));
  EXPECT_EQ(report["problems"], json::array());

  module.clock.Advance(1000);
  EXPECT_EQ(module.sim.Program(), spFirmware) << "restarted after the reads";
  EXPECT_EQ(Run({"identify"}).code, 0);
}

// Every device of both buses and every module of the update page by name, Russian headings,
// nothing fetched from elsewhere.
TEST_P(CliReportUsb, HtmlNamesEveryDeviceAndStandsAlone) {
  PlugLively();
  ASSERT_EQ(Run({"report", "--out", Out()}).code, 0);
  const std::string html = Html();
  const json report = ReadJson();
  ASSERT_TRUE(report["bus"]["panel"].is_object());
  EXPECT_TRUE(Has(html, "<td>П.У.</td><td>0x01</td><td>" +
                            report["bus"]["panel"]["version"].get<std::string>()));
  for (const json& module : report["bus"]["modules"]) {
    char address[8];
    std::snprintf(address, sizeof address, "0x%02X", module["address"].get<int>());
    EXPECT_TRUE(Has(html, "<td>" + module["name"].get<std::string>() + "</td><td>" + address))
        << module;
  }
  for (const json& module : report["versions"]["modules"])
    EXPECT_TRUE(Has(html, "<td>" + module["name"].get<std::string>() + "</td><td>" +
                              module["version"].get<std::string>() +
                              (module["bootloader"] == true ? " загрузчик" : "") + "</td>"))
        << module;
  for (const char* heading :
       {"<h1>Отчёт о модуле KarvelM</h1>", "<h2>Версии прошивок</h2>", "<h2>Периферийные шины</h2>",
        "<h3>Низкоскоростная шина</h3>", "<h3>Высокоскоростная шина</h3>",
        "<h2>Сохранённые конфигурации</h2>", "<h3>Конфигурация 2</h3>", "ТОКАРНЫЙ 16К20",
        "<b>Версия программы</b>", "1.97"})
    EXPECT_TRUE(Has(html, heading) || Has(html, std::string("<b>") + heading + "</b>")) << heading;
  EXPECT_TRUE(Has(html, "<style>"));
  for (const char* outside : {"http:", "https:", "<script", "<link", "src=", "url("})
    EXPECT_FALSE(Has(html, outside)) << outside;
}

// Tests as asked: a crossed pair of lines fails its two bits, the count test passes; a block
// that cannot be read is named. The files are written all the same, and the exit says so.
TEST_P(CliReportUsb, FailuresAreReportedAndTheFilesWritten) {
  TSimHidModule& module = PlugLively();
  TSimHarnessWire* wire = module.sim.FindModel<TLoopbackHarnessModel>()->WireTo(0167602);
  ASSERT_NE(wire, nullptr);
  wire->swaps.push_back({0, 15});
  module.sim.Faults().failReadAt = kSettingsAddress[1];
  TCliRun r = Run({"report", "--out", Out(), "--loopback", "--low", "167602", "--count", "--normal",
                   "167700", "--pair", "1"});
  EXPECT_EQ(r.code, 1);
  EXPECT_TRUE(Has(r.err, "configuration 2 was not read whole")) << r.err;
  EXPECT_TRUE(Has(r.err, "the loop-back test failed")) << r.err;
  EXPECT_FALSE(Has(r.err, "count test")) << r.err;
  const json report = ReadJson();
  EXPECT_EQ(report["complete"], false);
  const json& loopback = report["tests"]["loopback"];
  EXPECT_EQ(loopback["passed"], false);
  EXPECT_EQ(loopback["low"]["output"], "167630");
  EXPECT_EQ(loopback["low"]["bits"][0], false);
  EXPECT_EQ(loopback["low"]["bits"][1], true);
  EXPECT_EQ(loopback["low"]["bits"][15], false);
  EXPECT_EQ(loopback["high"], nullptr);
  EXPECT_EQ(report["tests"]["count"], json({{"normal",
                                             {{"channel", "167700"},
                                              {"output", "167630"},
                                              {"up", "ОК"},
                                              {"down", "ОК"},
                                              {"zero", "ОК"}}},
                                            {"additional", nullptr},
                                            {"passed", true}}));
  EXPECT_EQ(report["configurations"][0]["read"], true);
  EXPECT_EQ(report["configurations"][1]["read"], false);
  EXPECT_EQ(report["configurations"][1]["failed"][0], "settings block");
  const std::string html = Html();
  EXPECT_TRUE(Has(html, "<h3>Тест входов/выходов</h3>"));
  EXPECT_TRUE(Has(html, "-++++++++++++++-</span></td><td><span class=\"fail\">не пройден"));
  EXPECT_TRUE(Has(html, "Считана не полностью: settings block"));
}

// A module found in its bootloader keeps it: no scan, no tests, the configurations read.
TEST_P(CliReportUsb, BootloaderIsReadAndLeftAsFound) {
  TSimHidModule& module = Plug(spLoader);
  TCliRun r = Run({"report", "--out", Out(), "--loopback", "--high", "167604"});
  EXPECT_EQ(r.code, 1);
  EXPECT_TRUE(Has(r.err, "bootloader: no bus scan, no tests")) << r.err;
  const json report = ReadJson();
  EXPECT_EQ(report["identity"]["state"], "bootloader");
  EXPECT_EQ(report["versions"]["module"]["state"], "bootloader");
  EXPECT_EQ(report["bus"], nullptr);
  EXPECT_EQ(report["tests"]["loopback"], nullptr);
  ASSERT_EQ(report["configurations"].size(), 2u);
  EXPECT_EQ(report["configurations"][1]["read"], true);
  module.clock.Advance(1000);
  EXPECT_EQ(module.sim.Program(), spLoader);
}

INSTANTIATE_TEST_SUITE_P(BothGenerations, CliReportUsb, ::testing::Values(itHID_OLD, itHID_NEW),
                         [](const auto& info) {
                           return std::string(info.param == itHID_OLD ? "usb1" : "usb2");
                         });

struct TReportUsageCase {
  const char* name;
  std::vector<std::string> args;
  int code;
  const char* error;
};

class CliReportUsage : public ::testing::TestWithParam<TReportUsageCase> {};

// Refused before any link is opened (the link options name no module here).
TEST_P(CliReportUsage, RefusedBeforeTheModuleIsAsked) {
  TTempFolder dir;
  const std::string file = dir.Write("file", "x");
  std::vector<std::string> args = GetParam().args;
  for (std::string& arg : args)
    if (arg == "DIR")
      arg = dir.File("out");
    else if (arg == "FILE")
      arg = file;
  const TCliRun r = testing::RunCliInProcess(args);
  EXPECT_EQ(r.code, GetParam().code) << r.err;
  EXPECT_TRUE(Has(r.err, GetParam().error)) << r.err;
  EXPECT_TRUE(r.out.empty());
  EXPECT_FALSE(std::filesystem::exists(dir.File("out/report.json")));
}

INSTANTIATE_TEST_SUITE_P(
    Cases, CliReportUsage,
    ::testing::Values(TReportUsageCase{"NoFolder", {"report"}, 2, "usage: report --out FOLDER"},
                      TReportUsageCase{"LowWithoutLoopback",
                                       {"report", "--out", "DIR", "--low", "167602"},
                                       2,
                                       "--low and --high go with --loopback"},
                      TReportUsageCase{"LoopbackWithoutWord",
                                       {"report", "--out", "DIR", "--loopback"},
                                       2,
                                       "--loopback needs --low or --high"},
                      TReportUsageCase{"BadInputWord",
                                       {"report", "--out", "DIR", "--loopback", "--low", "167630"},
                                       2,
                                       "--low must be an input word"},
                      TReportUsageCase{"CountWithNumber",
                                       {"report", "--out", "DIR", "--count", "5"},
                                       2,
                                       "report takes --count without a number"},
                      TReportUsageCase{"ChannelWithoutCount",
                                       {"report", "--out", "DIR", "--normal", "167700"},
                                       2,
                                       "--normal and --additional go with --count"},
                      TReportUsageCase{"CountWithoutChannel",
                                       {"report", "--out", "DIR", "--count"},
                                       2,
                                       "--count needs --normal or --additional"},
                      TReportUsageCase{"FolderIsAFile",
                                       {"report", "--out", "FILE"},
                                       1,
                                       "cannot write into the folder"}),
    [](const auto& info) { return std::string(info.param.name); });

// Over loopback UDP against karvelm-sim: into the bootloader and back on real time; an
// absent module still gets its report (saying so), with exit 1.
TEST(CliReport, UdpRoundTripAndAbsentModule) {
  TTempFolder dir;
  {
    testing::TSimProcess sim;
    const testing::TRunResult r =
        testing::RunProgram(KARVELM_CLI_PATH,
                            {"report", "--out", dir.File("live"), "--ip", "127.0.0.1", "--port",
                             std::to_string(sim.Port()), "--local-port", "0"},
                            60);
    EXPECT_EQ(r.exitCode, 0) << r.err;
    const json report = json::parse(TTempFolder::Read(dir.File("live/report.json")));
    EXPECT_EQ(report["link"], "udp 127.0.0.1:" + std::to_string(sim.Port()));
    EXPECT_EQ(report["identity"]["state"], "firmware");
    EXPECT_EQ(report["configurations"][0]["read"], true);
    EXPECT_EQ(report["configurations"][1]["read"], true);
    EXPECT_EQ(report["complete"], true);
  }
  const uint16_t silent = testing::FreeUdpPort();
  const testing::TRunResult r =
      testing::RunProgram(KARVELM_CLI_PATH,
                          {"report", "--out", dir.File("absent"), "--ip", "127.0.0.1", "--port",
                           std::to_string(silent), "--local-port", "0"},
                          30);
  EXPECT_EQ(r.exitCode, 1);
  EXPECT_EQ(r.err, "the module does not answer\n");
  const json report = json::parse(TTempFolder::Read(dir.File("absent/report.json")));
  EXPECT_EQ(report["identity"]["state"], "absent");
  EXPECT_EQ(report["versions"], nullptr);
  EXPECT_EQ(report["configurations"], json::array());
  EXPECT_TRUE(Has(TTempFolder::Read(dir.File("absent/report.html")), "не отвечает"));
}

}  // namespace
}  // namespace karvelm
