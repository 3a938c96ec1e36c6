#include "report/report_html.h"

#include <initializer_list>

#include "base/octal_text.h"
#include "diag/bus_listing.h"
#include "link/commands_codec.h"

namespace karvelm {

namespace {

constexpr const char* kStyle =
    "body{font-family:sans-serif;font-size:11pt;margin:2em;color:#000;background:#fff}"
    "h1{font-size:16pt}h2{font-size:13pt;margin-top:1.5em;border-bottom:1px solid #888}"
    "h3{font-size:11pt}table{border-collapse:collapse;margin:.5em 0}"
    "th,td{border:1px solid #888;padding:2px 8px;text-align:left;vertical-align:top}"
    "th{background:#eee}.mono{font-family:monospace}.fail{color:#b00;font-weight:bold}"
    ".ok{color:#060}@media print{body{margin:0}h2{page-break-after:avoid}}";

class THtml {
 public:
  void Raw(const std::string& text) { FText += text; }
  void Text(const std::string& text) { FText += HtmlEscape(text); }
  void Heading(int level, const std::string& text) {
    const std::string tag = "h" + std::to_string(level);
    FText += "<" + tag + ">" + HtmlEscape(text) + "</" + tag + ">\n";
  }
  void Paragraph(const std::string& text, const char* cls = nullptr) {
    FText += cls ? std::string("<p class=\"") + cls + "\">" : std::string("<p>");
    FText += HtmlEscape(text) + "</p>\n";
  }
  void HeaderRow(std::initializer_list<std::string> cells) {
    FText += "<tr>";
    for (const std::string& cell : cells) FText += "<th>" + HtmlEscape(cell) + "</th>";
    FText += "</tr>\n";
  }
  // Cells given as escaped HTML already (line breaks in a cell).
  void RowHtml(std::initializer_list<std::string> cells) {
    FText += "<tr>";
    for (const std::string& cell : cells) FText += "<td>" + cell + "</td>";
    FText += "</tr>\n";
  }
  void Row(std::initializer_list<std::string> cells) {
    FText += "<tr>";
    for (const std::string& cell : cells) FText += "<td>" + HtmlEscape(cell) + "</td>";
    FText += "</tr>\n";
  }
  std::string Take() { return std::move(FText); }

 private:
  std::string FText;
};

std::string Lines(const std::vector<std::string>& texts) {
  std::string html;
  for (const std::string& text : texts) html += (html.empty() ? "" : "<br>") + HtmlEscape(text);
  return html;
}

std::string VersionOrDash(const std::optional<uint32_t>& word) {
  return word ? FormatVersion(*word) : std::string(kNoVersionText);
}

// A version label of the update page without its "v ", as the module's own row shows it.
std::string LabelVersion(const std::string& label) {
  return label.rfind("v ", 0) == 0 ? label.substr(2) : label;
}

std::string ProgramText(TModuleProgram program) {
  switch (program) {
    case mpFirmware:
      return "работает прошивка";
    case mpBootloader:
      return "работает загрузчик";
    default:
      return "не отвечает";
  }
}

template <typename Counters>
std::string CounterCell(const Counters* counters, uint32_t Counters::*field) {
  return counters ? std::to_string(counters->*field) : std::string("—");
}

void Identity(THtml& html, const TModuleReport& report) {
  html.Heading(2, "Модуль");
  html.Raw("<table>\n");
  html.RowHtml({"<b>Состояние</b>", HtmlEscape(ProgramText(report.identity.program))});
  html.RowHtml({"<b>Версия прошивки</b>", HtmlEscape(VersionOrDash(report.identity.firmwareWord))});
  html.RowHtml({"<b>Версия загрузчика</b>", HtmlEscape(VersionOrDash(report.identity.loaderWord))});
  html.Raw("</table>\n");
}

void Versions(THtml& html, const TModuleReport& report) {
  html.Heading(2, "Версии прошивок");
  html.Raw("<table>\n");
  html.HeaderRow({"Устройство", "Версия"});
  const TVersionPageRows& rows = report.versions;
  html.Row({"Модуль KarvelM", VersionOrDash(report.moduleVersion)});
  html.Row({"Модуль связи с БОСИ", LabelVersion(rows.bosi.version)});
  html.Row({"ПУ-Karvel/Torsen", LabelVersion(rows.panel.version)});
  for (const TExtModuleRow& row : rows.modules) html.Row({row.name, LabelVersion(row.version)});
  html.Raw("</table>\n");
}

void Buses(THtml& html, const TBusReport& bus) {
  html.Heading(2, "Периферийные шины");
  auto header = [&html] {
    html.Raw("<table>\n<tr>");
    for (const char* title : kBusColumnTitles) html.Raw("<th>" + HtmlEscape(title) + "</th>");
    html.Raw("</tr>\n");
  };
  html.Heading(3, kLowSpeedTitle);
  if (bus.listing.panel) {
    header();
    const TPanelListing& panel = *bus.listing.panel;
    const PanelLinkStats* stats = bus.poll.panelRead ? &bus.records.panelStats : nullptr;
    html.RowHtml({HtmlEscape(kPanelName), HtmlEscape(kPanelAddressText),
                  HtmlEscape(panel.versionText), Lines(panel.registers),
                  CounterCell(stats, &PanelLinkStats::Exchanges),
                  CounterCell(stats, &PanelLinkStats::Timeouts),
                  CounterCell(stats, &PanelLinkStats::Errors)});
    html.Raw("</table>\n");
  } else {
    html.Paragraph("Устройства не найдены.");
  }
  html.Heading(3, kHighSpeedTitle);
  if (bus.listing.modules.empty()) {
    html.Paragraph("Устройства не найдены.");
    return;
  }
  header();
  for (const TModuleListing& module : bus.listing.modules) {
    const size_t slot = static_cast<size_t>(module.slot);
    const ExtModuleStats* stats = bus.poll.moduleRead[slot] ? &bus.records.extStats[slot] : nullptr;
    html.RowHtml({HtmlEscape(module.name), HtmlEscape(module.addressText),
                  HtmlEscape(module.versionText), Lines(module.registers),
                  CounterCell(stats, &ExtModuleStats::Exchanges),
                  CounterCell(stats, &ExtModuleStats::Timeouts),
                  CounterCell(stats, &ExtModuleStats::Errors)});
  }
  html.Raw("</table>\n");
}

void Configurations(THtml& html, const TModuleReport& report) {
  html.Heading(2, "Сохранённые конфигурации");
  if (report.configurations.empty()) {
    html.Paragraph("Не считаны.");
    return;
  }
  for (const TStoredConfigReport& config : report.configurations) {
    html.Heading(3, "Конфигурация " + std::to_string(config.number));
    html.Raw("<p>Название: <b>");
    html.Text(config.name);
    html.Raw("</b></p>\n");
    if (config.read) {
      html.Paragraph("Считана полностью.", "ok");
    } else {
      std::string failed;
      for (const std::string& block : config.failed) failed += (failed.empty() ? "" : ", ") + block;
      html.Paragraph("Считана не полностью: " + failed, "fail");
    }
    html.Raw("<table class=\"mono\">\n");
    html.HeaderRow({"Страница", "Сумма", "CRC"});
    for (int page = 0; page < kPageCount; ++page)
      html.Row({std::to_string(page), WordToOctal(config.pageSum[static_cast<size_t>(page)]),
                WordToOctal(config.pageCrc[static_cast<size_t>(page)])});
    html.Raw("</table>\n");
  }
}

std::string Verdict(bool passed) {
  return passed ? "<span class=\"ok\">пройден</span>" : "<span class=\"fail\">не пройден</span>";
}

void Tests(THtml& html, const TModuleReport& report) {
  if (!report.loopback && !report.count) return;
  html.Heading(2, "Проверки");
  if (report.loopback) {
    html.Heading(3, "Тест входов/выходов");
    html.Raw("<table>\n");
    html.HeaderRow({"Выход", "Вход", "Биты 15…0", "Результат"});
    for (const std::optional<TLoopbackWord>* word :
         {&report.loopback->low, &report.loopback->high}) {
      if (!*word) continue;
      std::string bits;
      for (int bit = kLoopbackBits - 1; bit >= 0; --bit)
        bits += (*word)->bits[static_cast<size_t>(bit)] ? '+' : '-';
      html.RowHtml({WordToOctal((*word)->output), WordToOctal((*word)->input),
                    "<span class=\"mono\">" + bits + "</span>", Verdict((*word)->Passed())});
    }
    html.Raw("</table>\n");
  }
  if (report.count) {
    html.Heading(3, "Тест датчиков положения");
    html.Raw("<table>\n");
    html.HeaderRow({"Канал", "Выход", "Счет в +", "Счет в -", "0-метка", "Результат"});
    for (const std::optional<TCountResult>* result :
         {&report.count->normal, &report.count->additional}) {
      if (!*result) continue;
      const TCountResult& r = **result;
      html.RowHtml({kSensorChannelTexts[static_cast<size_t>(r.channel)], WordToOctal(r.output),
                    HtmlEscape(r.texts[ctUp]), HtmlEscape(r.texts[ctDown]),
                    HtmlEscape(r.texts[ctZeroMark]), Verdict(r.Passed())});
    }
    html.Raw("</table>\n");
  }
}

}  // namespace

std::string HtmlEscape(const std::string& text) {
  std::string out;
  out.reserve(text.size());
  for (char c : text) {
    switch (c) {
      case '&':
        out += "&amp;";
        break;
      case '<':
        out += "&lt;";
        break;
      case '>':
        out += "&gt;";
        break;
      case '"':
        out += "&quot;";
        break;
      case '\'':
        out += "&#39;";
        break;
      default:
        out += c;
    }
  }
  return out;
}

std::string ReportHtml(const TModuleReport& report) {
  THtml html;
  html.Raw("<!DOCTYPE html>\n<html lang=\"ru\">\n<head>\n<meta charset=\"utf-8\">\n<title>");
  html.Text("Отчёт о модуле KarvelM");
  html.Raw("</title>\n<style>");
  html.Raw(kStyle);
  html.Raw("</style>\n</head>\n<body>\n");
  html.Heading(1, "Отчёт о модуле KarvelM");
  html.Raw("<table>\n");
  html.RowHtml({"<b>Дата</b>", HtmlEscape(report.date)});
  html.RowHtml({"<b>Связь</b>", HtmlEscape(report.link)});
  html.RowHtml({"<b>Версия программы</b>", HtmlEscape(report.programVersion)});
  html.Raw("</table>\n");
  Identity(html, report);
  if (report.identity.program != mpAbsent) Versions(html, report);
  if (report.bus) Buses(html, *report.bus);
  if (report.identity.program != mpAbsent) Configurations(html, report);
  Tests(html, report);
  if (!report.problems.empty()) {
    html.Heading(2, "Замечания");
    html.Raw("<ul>\n");
    for (const std::string& problem : report.problems) {
      html.Raw("<li>");
      html.Text(problem);
      html.Raw("</li>\n");
    }
    html.Raw("</ul>\n");
  }
  html.Raw("</body>\n</html>\n");
  return html.Take();
}

}  // namespace karvelm
