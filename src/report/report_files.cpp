#include "report/report_files.h"

#include <fcntl.h>
#include <unistd.h>

#include <cerrno>
#include <cstring>
#include <filesystem>

#include "report/report_html.h"
#include "report/report_json.h"

namespace karvelm {

namespace {

std::string Reason(const std::string& what, const std::string& path, int error) {
  return what + " " + path + ": " + std::strerror(error);
}

}  // namespace

bool ReplaceFileText(const std::string& path, const std::string& text, std::string& error) {
  const std::string temporary = path + ".tmp-" + std::to_string(static_cast<long>(getpid()));
  const int fd = open(temporary.c_str(), O_WRONLY | O_CREAT | O_TRUNC | O_CLOEXEC, 0666);
  if (fd < 0) {
    error = Reason("cannot create", path, errno);
    return false;
  }
  size_t done = 0;
  while (done < text.size()) {
    const ssize_t n = write(fd, text.data() + done, text.size() - done);
    if (n < 0 && errno == EINTR) continue;
    if (n <= 0) {
      error = Reason("cannot write", path, n < 0 ? errno : EIO);
      close(fd);
      unlink(temporary.c_str());
      return false;
    }
    done += static_cast<size_t>(n);
  }
  const bool synced = fsync(fd) == 0;
  const int syncError = errno;
  const bool closed = close(fd) == 0;
  if (!synced || !closed) {
    error = Reason("cannot write", path, synced ? errno : syncError);
    unlink(temporary.c_str());
    return false;
  }
  if (rename(temporary.c_str(), path.c_str()) != 0) {
    error = Reason("cannot create", path, errno);
    unlink(temporary.c_str());
    return false;
  }
  return true;
}

bool PrepareReportFolder(const std::string& folder, std::string& error) {
  std::error_code code;
  std::filesystem::create_directories(folder, code);
  if (!code && access(folder.c_str(), W_OK) == 0) return true;
  error = "cannot write into the folder " + folder + ": " +
          (code ? code.message() : std::string(std::strerror(errno)));
  return false;
}

TReportFilesResult WriteReportFiles(const std::string& folder, const TModuleReport& report) {
  TReportFilesResult result;
  std::error_code code;
  std::filesystem::create_directories(folder, code);
  if (code) {
    result.error = "cannot create the folder " + folder + ": " + code.message();
    return result;
  }
  result.jsonPath = (std::filesystem::path(folder) / kReportJsonName).string();
  result.htmlPath = (std::filesystem::path(folder) / kReportHtmlName).string();
  if (!ReplaceFileText(result.jsonPath, ReportJsonText(ReportJson(report)) + "\n", result.error))
    return result;
  if (!ReplaceFileText(result.htmlPath, ReportHtml(report), result.error)) return result;
  result.ok = true;
  return result;
}

}  // namespace karvelm
