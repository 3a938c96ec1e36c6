// Configuration files on disk: the UI-free parts of opening and saving a file.
#pragma once

#include <cstdio>
#include <string>

#include "config/byte_stream.h"
#include "config/config_image.h"
#include "config/config_reader.h"

namespace karvelm {

class TFileSource final : public TByteSource {
 public:
  explicit TFileSource(std::FILE* file) : FFile(file) {}
  size_t Get(uint8_t* data, size_t size) override;
  bool Failed() const override;

 private:
  std::FILE* FFile;
};

class TFileSink final : public TByteSink {
 public:
  explicit TFileSink(std::FILE* file) : FFile(file) {}
  bool Put(const uint8_t* data, size_t size) override;

 private:
  std::FILE* FFile;
};

enum TConfigFileStatus : uint8_t {
  cfOk,
  cfCannotOpen,    // the file could not be opened; the image is untouched
  cfBadContent,    // a bad frame; what came before it is in the image, page checks cleared
  cfCannotCreate,  // the new file could not be created; nothing was written
  cfCannotWrite,   // writing failed; the file that was there is unchanged
};

struct TConfigFileResult {
  TConfigFileStatus status = cfOk;
  std::string message;              // the system's text for the user; empty on success
  TConfigReadStatus detail = crOk;  // why the content was refused
  bool cutOff = false;  // read, but the file ends inside a frame: the rest of it is missing
  bool ok() const { return status == cfOk; }
};

// Reads a configuration file into the image. On success all page checks are recomputed;
// after a bad frame they are cleared (the message is kOpenFileErrorText).
TConfigFileResult LoadConfigImageFile(const std::string& path, TConfigImage& image);

// Writes both sections and the end record. The stream goes to a new file beside path that
// replaces path only once it was written completely, so a failed save never damages the
// file that was there. Seals the image's settings block.
TConfigFileResult SaveConfigImageFile(const std::string& path, TConfigImage& image);

// The file's name without its folder, for the window caption.
std::string FileNameOnly(const std::string& path);

}  // namespace karvelm
