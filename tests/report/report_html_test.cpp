// The report's page from a model: every text the module or the user supplied is escaped, the
// sections follow what the model holds, and the program's version is the project's.
#include <gtest/gtest.h>

#include <string>

#include "app/app_texts.h"
#include "report/module_report.h"
#include "report/report_html.h"
#include "report/report_json.h"

namespace karvelm {
namespace {

bool Has(const std::string& text, const std::string& part) {
  return text.find(part) != std::string::npos;
}

TEST(ReportHtml, EscapesEveryMarkupCharacter) {
  struct TCase {
    std::string text, html;
  };
  for (const TCase& c : std::vector<TCase>{{"", ""},
                                           {"ТОКАРНЫЙ 16К20", "ТОКАРНЫЙ 16К20"},
                                           {"<script>", "&lt;script&gt;"},
                                           {"a&b \"c\" 'd'", "a&amp;b &quot;c&quot; &#39;d&#39;"},
                                           {"&amp;", "&amp;amp;"}})
    EXPECT_EQ(HtmlEscape(c.text), c.html) << c.text;
}

// A module whose texts carry markup: a configuration name, the link, a device name.
TEST(ReportHtml, ModuleTextsCannotInjectMarkup) {
  TModuleReport report;
  report.date = "2026-01-02T03:04:05+0000";
  report.link = "udp <10.0.0.1>";
  report.programVersion = ProgramVersion();
  report.identity.program = mpFirmware;
  report.identity.firmwareWord = 0x02002200;
  report.moduleVersion = report.identity.firmwareWord;
  TBusReport bus;
  TModuleListing module;
  module.name = "RK-<b>M";
  module.addressText = "0x0A";
  module.versionText = "1.1.21.";
  module.registers = {"167602", "167604"};
  bus.listing.modules.push_back(module);
  report.bus = bus;
  TStoredConfigReport config;
  config.number = 1;
  config.read = true;
  config.name = "</table><img src=x>";
  report.configurations.push_back(config);
  report.problems.push_back("a & b");

  const std::string html = ReportHtml(report);
  EXPECT_TRUE(Has(html, "<td>udp &lt;10.0.0.1&gt;</td>"));
  EXPECT_TRUE(Has(html,
                  "<td>RK-&lt;b&gt;M</td><td>0x0A</td><td>1.1.21.</td>"
                  "<td>167602<br>167604</td><td>—</td>"))
      << "a counter that was not read shows a dash";
  EXPECT_TRUE(Has(html, "&lt;/table&gt;&lt;img src=x&gt;"));
  EXPECT_FALSE(Has(html, "<img"));
  EXPECT_TRUE(Has(html, "<h2>Замечания</h2>\n<ul>\n<li>a &amp; b</li>"));
  EXPECT_FALSE(Has(html, "<h2>Проверки</h2>")) << "no tests were asked for";
  EXPECT_TRUE(Has(html, "<h3>Низкоскоростная шина</h3>\n<p>Устройства не найдены.</p>"));

  // The JSON keeps the texts as they are.
  const TReportJson json = ReportJson(report);
  EXPECT_EQ(json["link"], "udp <10.0.0.1>");
  EXPECT_EQ(json["configurations"][0]["config_name"], "</table><img src=x>");
  EXPECT_EQ(json["bus"]["modules"][0]["exchanges"], nullptr);
  EXPECT_EQ(json["complete"], false) << "a problem makes the report incomplete";
}

// The window's title and the report name the same version.
TEST(ReportHtml, ProgramVersionIsTheProjects) {
  EXPECT_STREQ(ProgramVersion(), kAppVersion);
}

}  // namespace
}  // namespace karvelm
