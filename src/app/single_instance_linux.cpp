#include <fcntl.h>
#include <sys/file.h>
#include <sys/stat.h>
#include <unistd.h>

#include <QDir>
#include <QFile>
#include <cerrno>
#include <cstdlib>
#include <string>

#include "app/single_instance.h"

namespace tollhaven {

namespace {

// The directory the lock lives in, opened; -1 when there is none we may trust. The session's
// runtime directory is private to the user and cleared at log-out. Without one, a directory of
// our own in the temporary directory serves, named after the user so that another user's copy
// neither shares nor blocks it; one that someone else made or can write into is not used.
int OpenLockDirectory() {
  const char* runtime = std::getenv("XDG_RUNTIME_DIR");
  if (runtime != nullptr && *runtime != '\0') {
    return ::open(runtime, O_RDONLY | O_DIRECTORY | O_CLOEXEC);
  }
  const std::string directory = QFile::encodeName(QDir::tempPath()).toStdString() + "/tollhaven-" +
                                std::to_string(::geteuid());
  if (::mkdir(directory.c_str(), 0700) != 0 && errno != EEXIST) {
    return -1;
  }
  // Not followed if it is a link: a link would lead wherever its maker wanted.
  const int descriptor = ::open(directory.c_str(), O_RDONLY | O_DIRECTORY | O_NOFOLLOW | O_CLOEXEC);
  if (descriptor < 0) {
    return -1;
  }
  struct stat status {};
  if (::fstat(descriptor, &status) != 0 || status.st_uid != ::geteuid() ||
      (status.st_mode & (S_IWGRP | S_IWOTH)) != 0) {
    ::close(descriptor);
    return -1;
  }
  return descriptor;
}

}  // namespace

bool ClaimSingleInstance() {
  const int directory = OpenLockDirectory();
  if (directory < 0) {
    // Without a lock file we cannot tell; running twice is better than not running at all.
    return true;
  }
  // An advisory lock on an open descriptor goes away with the process, so a copy that crashed
  // never blocks the next start. Close-on-exec keeps programs we start from inheriting it.
  const int descriptor =
      ::openat(directory, kInstanceName, O_RDWR | O_CREAT | O_NOFOLLOW | O_CLOEXEC, 0600);
  ::close(directory);
  if (descriptor < 0) {
    return true;
  }
  int result;
  do {
    result = ::flock(descriptor, LOCK_EX | LOCK_NB);
  } while (result != 0 && errno == EINTR);
  if (result != 0) {
    const int error = errno;
    ::close(descriptor);
    // Only a lock held elsewhere means another copy runs; any other failure lets this one run.
    return error != EWOULDBLOCK;
  }
  // The descriptor stays open, and the lock held, until the process ends.
  return true;
}

}  // namespace tollhaven
