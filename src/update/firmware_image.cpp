#include "update/firmware_image.h"

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>
#include <cstring>

namespace karvelm {

namespace {

TImageOpenResult Failure(const std::string& path, const std::string& reason) {
  TImageOpenResult result;
  result.error = "Не удалось прочитать файл обновления \"" + path + "\": " + reason;
  return result;
}

// Closes the descriptor on every way out.
class TFd {
 public:
  explicit TFd(int fd) : fd_(fd) {}
  ~TFd() {
    if (fd_ >= 0) ::close(fd_);
  }
  TFd(const TFd&) = delete;
  TFd& operator=(const TFd&) = delete;
  int get() const { return fd_; }

 private:
  int fd_;
};

}  // namespace

TImageOpenResult ReadImageFile(const std::string& path) {
  // O_NONBLOCK: opening a FIFO must not wait for a writer; it is refused below anyway.
  TFd fd(::open(path.c_str(), O_RDONLY | O_NOCTTY | O_NONBLOCK | O_CLOEXEC));
  if (fd.get() < 0) return Failure(path, std::strerror(errno));
  struct stat info {};
  if (::fstat(fd.get(), &info) != 0) return Failure(path, std::strerror(errno));
  if (S_ISDIR(info.st_mode)) return Failure(path, "это папка");
  if (!S_ISREG(info.st_mode)) return Failure(path, "это не обычный файл");
  if (static_cast<uint64_t>(info.st_size) > kMaxImageSize)
    return Failure(path, "файл слишком велик для образа прошивки");

  TImageOpenResult result;
  result.image.name = path;
  std::vector<uint8_t>& bytes = result.image.bytes;
  bytes.reserve(static_cast<size_t>(info.st_size));
  uint8_t buffer[65536];
  for (;;) {
    const ssize_t n = ::read(fd.get(), buffer, sizeof buffer);
    if (n < 0) {
      if (errno == EINTR) continue;
      return Failure(path, std::strerror(errno));
    }
    if (n == 0) break;
    // The file may grow while it is read.
    if (bytes.size() + static_cast<size_t>(n) > kMaxImageSize)
      return Failure(path, "файл слишком велик для образа прошивки");
    bytes.insert(bytes.end(), buffer, buffer + n);
  }
  result.ok = true;
  return result;
}

}  // namespace karvelm
