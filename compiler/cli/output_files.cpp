#include "cli/output_files.h"

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>
#include <cstdio>
#include <cstring>
#include <filesystem>

namespace ombrik::cli {

namespace {

std::string reason() { return std::strerror(errno); }

// A new file beside path that no one else uses; -1 with errno on failure.
int create_temporary(const std::string &path, std::string &temporary) {
  namespace fs = std::filesystem;
  fs::path target(path);
  for (int attempt = 0; attempt < 100; attempt++) {
    fs::path name = target.parent_path() / ("." + target.filename().string() + ".tmp" + std::to_string(getpid()) + "_" +
                                            std::to_string(attempt));
    temporary = name.string();
    int fd = open(temporary.c_str(), O_WRONLY | O_CREAT | O_EXCL | O_CLOEXEC, 0666);
    if (fd >= 0 || errno != EEXIST) return fd;
  }
  return -1;
}

bool write_all(int fd, const std::string &contents) {
  size_t done = 0;
  while (done < contents.size()) {
    ssize_t n = write(fd, contents.data() + done, contents.size() - done);
    if (n < 0 && errno == EINTR) continue;
    if (n <= 0) return false;
    done += static_cast<size_t>(n);
  }
  return true;
}

}  // namespace

bool write_outputs(const std::vector<OutputFile> &files, std::string &error) {
  std::vector<std::string> temporaries;
  auto give_up = [&](const std::string &path, const std::string &why) {
    for (const std::string &t : temporaries) unlink(t.c_str());
    error = "cannot write '" + path + "': " + why;
    return false;
  };
  for (const OutputFile &f : files) {
    struct stat st;
    if (stat(f.path.c_str(), &st) == 0 && S_ISDIR(st.st_mode)) return give_up(f.path, "is a directory");
    std::string temporary;
    int fd = create_temporary(f.path, temporary);
    if (fd < 0) return give_up(f.path, reason());
    temporaries.push_back(temporary);
    bool ok = write_all(fd, f.contents);
    std::string why = ok ? "" : reason();
    if (close(fd) != 0 && ok) {
      ok = false;
      why = reason();
    }
    if (!ok) return give_up(f.path, why);
  }
  for (size_t i = 0; i < files.size(); i++) {
    if (rename(temporaries[i].c_str(), files[i].path.c_str()) != 0) {
      std::string why = reason();
      for (size_t k = i; k < temporaries.size(); k++) unlink(temporaries[k].c_str());
      error = "cannot write '" + files[i].path + "': " + why;
      return false;
    }
  }
  return true;
}

}  // namespace ombrik::cli
