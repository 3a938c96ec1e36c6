#include "config/config_file.h"

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <atomic>
#include <cerrno>
#include <cstring>

#include "config/config_records.h"
#include "config/config_texts.h"
#include "config/file_error_text.h"

namespace karvelm {
namespace {

TConfigFileResult Failure(TConfigFileStatus status, const char* format, const std::string& path,
                          int error) {
  return {status, FileErrorText(format, path, error), crOk};
}

std::string FolderOf(const std::string& path) {
  const size_t slash = path.find_last_of('/');
  if (slash == std::string::npos) return ".";
  if (slash == 0) return "/";
  return path.substr(0, slash);
}

// Opens a new file beside path that nobody else uses; -1 with errno set on failure.
int CreateTemporaryBeside(const std::string& path, std::string& temporary) {
  static std::atomic<unsigned> counter{0};
  const std::string stem = FolderOf(path) + "/." + FileNameOnly(path) + ".tmp-" +
                           std::to_string(static_cast<long>(getpid())) + "-";
  for (int attempt = 0; attempt < 100; ++attempt) {
    temporary = stem + std::to_string(counter++);
    const int fd = open(temporary.c_str(), O_WRONLY | O_CREAT | O_EXCL | O_CLOEXEC, 0666);
    if (fd >= 0 || errno != EEXIST) return fd;
  }
  errno = EEXIST;
  return -1;
}

}  // namespace

size_t TFileSource::Get(uint8_t* data, size_t size) {
  return std::fread(data, 1, size, FFile);
}

bool TFileSource::Failed() const {
  return std::ferror(FFile) != 0;
}

bool TFileSink::Put(const uint8_t* data, size_t size) {
  return std::fwrite(data, 1, size, FFile) == size;
}

std::string FileNameOnly(const std::string& path) {
  const size_t slash = path.find_last_of('/');
  return slash == std::string::npos ? path : path.substr(slash + 1);
}

TConfigFileResult LoadConfigImageFile(const std::string& path, TConfigImage& image) {
  std::FILE* file = std::fopen(path.c_str(), "rb");
  if (!file) return Failure(cfCannotOpen, kCannotOpenFileFormat, path, errno);
  struct stat info {};
  if (fstat(fileno(file), &info) == 0 && S_ISDIR(info.st_mode)) {
    std::fclose(file);
    return Failure(cfCannotOpen, kCannotOpenFileFormat, path, EISDIR);
  }
  TFileSource source(file);
  bool cutOff = false;
  const TConfigReadStatus status = ReadConfigRecords(source, image, &cutOff);
  std::fclose(file);
  if (status != crOk) {
    ClearPageChecks(image);
    return {cfBadContent, kOpenFileErrorText, status};
  }
  UpdateAllPageChecks(image);
  TConfigFileResult result;
  result.cutOff = cutOff;
  return result;
}

TConfigFileResult SaveConfigImageFile(const std::string& path, TConfigImage& image) {
  std::string temporary;
  const int fd = CreateTemporaryBeside(path, temporary);
  if (fd < 0) return Failure(cfCannotCreate, kCannotCreateFileFormat, path, errno);
  // The new file keeps the permissions of the one it replaces.
  struct stat old {};
  if (stat(path.c_str(), &old) == 0 && S_ISREG(old.st_mode)) fchmod(fd, old.st_mode & 07777);

  std::FILE* file = fdopen(fd, "wb");
  if (!file) {
    const int error = errno;
    close(fd);
    unlink(temporary.c_str());
    return Failure(cfCannotWrite, kCannotWriteFileFormat, path, error);
  }
  TFileSink sink(file);
  errno = 0;
  bool written = WriteConfigFile(image, sink);
  int error = written ? 0 : (errno ? errno : EIO);
  if (written && std::fflush(file) != 0) written = false, error = errno;
  if (written && fsync(fileno(file)) != 0) written = false, error = errno;
  if (std::fclose(file) != 0 && written) written = false, error = errno;
  if (!written) {
    unlink(temporary.c_str());
    return Failure(cfCannotWrite, kCannotWriteFileFormat, path, error);
  }
  if (rename(temporary.c_str(), path.c_str()) != 0) {
    error = errno;
    unlink(temporary.c_str());
    return Failure(cfCannotCreate, kCannotCreateFileFormat, path, error);
  }
  return {};
}

}  // namespace karvelm
