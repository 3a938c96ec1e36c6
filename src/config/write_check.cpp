#include "config/write_check.h"

#include <cstdio>
#include <memory>

#include "config/backup_texts.h"
#include "config/config_fields.h"

namespace karvelm {

namespace {

// First index where a and b differ, or size.
size_t FirstDifference(const uint8_t* a, const uint8_t* b, size_t size) {
  for (size_t i = 0; i < size; ++i)
    if (a[i] != b[i]) return i;
  return size;
}

bool Differs(const uint8_t* sent, const uint8_t* stored, size_t size, TCheckedBlock block, int page,
             TWriteCheck& check) {
  const size_t at = FirstDifference(sent, stored, size);
  if (at == size) return false;
  check.block = block;
  check.page = page;
  check.offset = at;
  check.sent = sent[at];
  check.stored = stored[at];
  return true;
}

// The settings field a byte belongs to, for the user's orientation.
std::string SettingsPlace(size_t offset) {
  if (offset >= static_cast<size_t>(ConfigNameOffset) &&
      offset < static_cast<size_t>(ConfigNameOffset + kConfigNameMaxLength))
    return "имя конфигурации";
  for (const TConfigField& field : ConfigFields())
    if (static_cast<size_t>(field.word) == offset / 2) return field.name;
  return {};
}

}  // namespace

TWriteCheck CompareWritten(const TConfigImage& sent, const TConfigImage& stored) {
  TWriteCheck check;
  check.readOk = true;
  if (Differs(sent.SettingsBlock.data(), stored.SettingsBlock.data(), kSettingsBlockSize,
              cbSettings, 0, check) ||
      Differs(sent.SetPointBlock.data(), stored.SetPointBlock.data(), kSetPointBlockSize,
              cbSetPoints, 0, check))
    return check;
  for (int page = 0; page < kPageCount; ++page)
    if (Differs(sent.Page(page), stored.Page(page), kPageSize, cbPage, page, check)) break;
  return check;
}

TWriteCheck CheckWrittenConfiguration(const TConfigImage& sent, int configIndex,
                                      const TConfigProgress& progress, const TByteProgress& bytes) {
  auto stored = std::make_unique<TConfigImage>();
  ResetConfigImage(*stored);
  const TReadConfigResult read = ReadConfiguration(*stored, configIndex, progress, bytes);
  if (!read.loaderAnswered || !read.settingsOk || !read.setPointOk) {
    TWriteCheck check;
    check.unread = !read.loaderAnswered ? "загрузчик не отвечает"
                   : !read.settingsOk   ? "блок настроек не считан"
                                        : "блок уставок не считан";
    return check;
  }
  for (int page = 0; page < kPageCount; ++page) {
    if (!read.pageOk[page]) {
      TWriteCheck check;
      check.unread = "страница " + std::to_string(page) + " не считана";
      return check;
    }
  }
  return CompareWritten(sent, *stored);
}

std::string WriteCheckFailureText(const TWriteCheck& check) {
  std::string text = kWriteCheckFailedText;
  if (!check.readOk) return text + check.unread;
  std::string place;
  switch (check.block) {
    case cbSettings:
      place = "блок настроек";
      break;
    case cbSetPoints:
      place = "блок уставок";
      break;
    case cbPage:
      place = "страница " + std::to_string(check.page);
      break;
    case cbNone:
      return {};
  }
  char facts[96];
  std::snprintf(facts, sizeof facts, ", смещение 0x%04zX: записано 0x%02X, считано 0x%02X",
                check.offset, check.sent, check.stored);
  text += place + facts;
  if (check.block == cbSettings) {
    if (const std::string field = SettingsPlace(check.offset); !field.empty())
      text += " (" + field + ")";
  }
  return text;
}

}  // namespace karvelm
