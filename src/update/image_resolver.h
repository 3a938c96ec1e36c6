// Finds the built-in images by name. Places are asked in order: sources added in front
// (compiled-in resources, the simulator's own images, tests), then folders.
#pragma once

#include <map>
#include <memory>
#include <optional>
#include <string>
#include <vector>

#include "update/firmware_image.h"

namespace karvelm {

// One place built-in images may come from.
class TImageSource {
 public:
  virtual ~TImageSource() = default;
  // The image of that name; nullopt when this place has none. A file that is there but
  // cannot be read is found, with its error.
  virtual std::optional<TImageOpenResult> Find(const std::string& name) = 0;
  // Where this place looked for name, for the message when no place has it.
  virtual std::string Where(const std::string& name) const = 0;
};

// Files named exactly as the image, in one folder.
class TFolderImageSource final : public TImageSource {
 public:
  explicit TFolderImageSource(std::string folder) : folder_(std::move(folder)) {}
  std::optional<TImageOpenResult> Find(const std::string& name) override;
  std::string Where(const std::string& name) const override;

 private:
  std::string folder_;
};

// Images held in memory under their names.
class TMemoryImageSource final : public TImageSource {
 public:
  explicit TMemoryImageSource(std::string label) : label_(std::move(label)) {}
  void Add(const std::string& name, std::vector<uint8_t> bytes) {
    images_[name] = std::move(bytes);
  }
  std::optional<TImageOpenResult> Find(const std::string& name) override;
  std::string Where(const std::string& name) const override;

 private:
  std::string label_;
  std::map<std::string, std::vector<uint8_t>> images_;
};

// Which image an update takes: a file the user chose, or a built-in one by name.
struct TImageRef {
  std::string source;  // a path when fromFile, else a built-in name
  bool fromFile = false;
};

class TImageResolver {
 public:
  void Prepend(std::shared_ptr<TImageSource> source);
  void Append(std::shared_ptr<TImageSource> source);

  // The built-in image; when no place has it, the message names it and every place asked.
  TImageOpenResult OpenBuiltIn(const std::string& name);
  // A file path or a built-in name, as the reference says.
  TImageOpenResult Open(const TImageRef& ref);

 private:
  std::vector<std::shared_ptr<TImageSource>> sources_;
};

// The folder of the running executable; empty when it cannot be found.
std::string ExecutableFolder();
// The folder the installed program keeps its firmware images in.
std::string InstalledImageFolder();
// Files beside the executable, then in the installed data folder.
TImageResolver DefaultImageResolver();

}  // namespace karvelm
