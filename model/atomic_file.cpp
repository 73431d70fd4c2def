#include "atomic_file.h"

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>
#include <vector>

#include "output_file.h"

namespace kurimo {
namespace {

// The permissions a newly created file gets from the process's umask (mkstemp gives 0600).
mode_t NewFileMode() {
  const mode_t mask = umask(0);
  umask(mask);
  return static_cast<mode_t>(0666 & ~mask);
}

}  // namespace

std::optional<std::string> WriteFileAtomically(const std::string& path, std::string_view bytes) {
  if (path.empty()) return DescribeSystemError(ENOENT);
  struct stat target {};
  if (stat(path.c_str(), &target) == 0 && S_ISDIR(target.st_mode)) {
    return DescribeSystemError(EISDIR);
  }
  const std::string pattern = path + ".tmp-XXXXXX";
  std::vector<char> name(pattern.begin(), pattern.end());
  name.push_back('\0');
  const int fd = mkstemp(name.data());
  if (fd < 0) return DescribeSystemError(errno);

  auto failWith = [&](int errorNumber) {
    close(fd);
    unlink(name.data());
    return std::optional<std::string>(DescribeSystemError(errorNumber));
  };
  // An existing file keeps its permissions; a new one gets the usual ones.
  const mode_t mode = stat(path.c_str(), &target) == 0 ? (target.st_mode & 07777) : NewFileMode();
  if (fchmod(fd, mode) != 0) return failWith(errno);

  std::size_t written = 0;
  while (written < bytes.size()) {
    const ssize_t n = write(fd, bytes.data() + written, bytes.size() - written);
    if (n < 0) {
      if (errno == EINTR) continue;
      return failWith(errno);
    }
    written += static_cast<std::size_t>(n);
  }
  if (fsync(fd) != 0) return failWith(errno);
  if (close(fd) != 0) {
    const int error = errno;
    unlink(name.data());
    return DescribeSystemError(error);
  }
  if (rename(name.data(), path.c_str()) != 0) {
    const int error = errno;
    unlink(name.data());
    return DescribeSystemError(error);
  }
  return std::nullopt;
}

}  // namespace kurimo
