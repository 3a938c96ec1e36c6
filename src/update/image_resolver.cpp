#include "update/image_resolver.h"

#include <filesystem>
#include <system_error>

namespace karvelm {

std::optional<TImageOpenResult> TFolderImageSource::Find(const std::string& name) {
  std::error_code error;
  const std::filesystem::path path = std::filesystem::path(folder_) / name;
  // Anything there under that name counts as found, so that a folder or an unreadable
  // file is reported as such rather than as missing.
  if (folder_.empty() || !std::filesystem::exists(std::filesystem::symlink_status(path, error)))
    return std::nullopt;
  return ReadImageFile(path.string());
}

std::string TFolderImageSource::Where(const std::string& name) const {
  return (std::filesystem::path(folder_) / name).string();
}

std::optional<TImageOpenResult> TMemoryImageSource::Find(const std::string& name) {
  const auto it = images_.find(name);
  if (it == images_.end()) return std::nullopt;
  TImageOpenResult result;
  result.ok = true;
  result.image.name = name;
  result.image.bytes = it->second;
  return result;
}

std::string TMemoryImageSource::Where(const std::string& /*name*/) const {
  return label_;
}

void TImageResolver::Prepend(std::shared_ptr<TImageSource> source) {
  sources_.insert(sources_.begin(), std::move(source));
}

void TImageResolver::Append(std::shared_ptr<TImageSource> source) {
  sources_.push_back(std::move(source));
}

TImageOpenResult TImageResolver::OpenBuiltIn(const std::string& name) {
  std::string places;
  for (const auto& source : sources_) {
    if (auto found = source->Find(name)) return std::move(*found);
    places += (places.empty() ? "" : "; ") + source->Where(name);
  }
  TImageOpenResult result;
  result.error = "Встроенный образ прошивки \"" + name + "\" не найден";
  result.error += places.empty() ? "." : ". Искали: " + places + ".";
  return result;
}

TImageOpenResult TImageResolver::Open(const TImageRef& ref) {
  return ref.fromFile ? ReadImageFile(ref.source) : OpenBuiltIn(ref.source);
}

std::string ExecutableFolder() {
  std::error_code error;
  const std::filesystem::path exe = std::filesystem::read_symlink("/proc/self/exe", error);
  return error ? std::string() : exe.parent_path().string();
}

std::string InstalledImageFolder() {
  return KARVELM_FIRMWARE_DIR;
}

TImageResolver DefaultImageResolver() {
  TImageResolver resolver;
  const std::string beside = ExecutableFolder();
  if (!beside.empty()) resolver.Append(std::make_shared<TFolderImageSource>(beside));
  resolver.Append(std::make_shared<TFolderImageSource>(InstalledImageFolder()));
  return resolver;
}

}  // namespace karvelm
