#include "update/image_kind.h"

#include <cctype>

namespace karvelm {

namespace {

std::string LowerExtension(const std::string& path) {
  const size_t slash = path.find_last_of('/');
  const size_t dot = path.find_last_of('.');
  if (dot == std::string::npos || (slash != std::string::npos && dot < slash)) return {};
  std::string extension = path.substr(dot + 1);
  for (char& c : extension) c = static_cast<char>(std::tolower(static_cast<unsigned char>(c)));
  return extension;
}

const char* KindText(TImageKind kind) {
  return kind == ikModule ? "обновление модуля KarvelM (*.upd)"
                          : "обновление внешнего модуля (*.upm)";
}

}  // namespace

TImageKind ImageKindOfPath(const std::string& path) {
  const std::string extension = LowerExtension(path);
  if (extension == "upd") return ikModule;
  if (extension == "upm") return ikAccessory;
  return ikUnknown;
}

std::optional<TImageMismatch> CheckImageKind(const std::string& path, TImageKind wanted) {
  const TImageKind found = ImageKindOfPath(path);
  if (wanted == ikUnknown || found == ikUnknown || found == wanted) return std::nullopt;
  return TImageMismatch{wanted, found};
}

std::string ImageMismatchText(const std::string& path, const TImageMismatch& mismatch) {
  return std::string("Файл \"") + path + "\" — это " + KindText(mismatch.found) + ", а нужно " +
         KindText(mismatch.wanted) + ".";
}

std::string ImageMismatchQuestion(const std::string& path, const TImageMismatch& mismatch) {
  return ImageMismatchText(path, mismatch) + "\nВсё равно прошить этим файлом?";
}

}  // namespace karvelm
