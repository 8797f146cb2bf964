#include <fcntl.h>
#include <sys/file.h>
#include <unistd.h>

#include <QDir>
#include <QFile>
#include <cerrno>
#include <cstdlib>
#include <string>

#include "app/single_instance.h"

namespace tollhaven {

bool ClaimSingleInstance() {
  // The session's runtime directory is private to the user and cleared at log-out; the temporary
  // directory serves where there is none.
  const char* runtime = std::getenv("XDG_RUNTIME_DIR");
  const QString directory =
      (runtime != nullptr && *runtime != '\0') ? QFile::decodeName(runtime) : QDir::tempPath();
  const std::string path =
      QFile::encodeName(directory + QLatin1Char('/') + kInstanceName).toStdString();
  // An advisory lock on an open descriptor goes away with the process, so a copy that crashed
  // never blocks the next start. Close-on-exec keeps programs we start from inheriting it.
  const int descriptor = ::open(path.c_str(), O_RDWR | O_CREAT | O_CLOEXEC, 0600);
  if (descriptor < 0) {
    // Without a lock file we cannot tell; running twice is better than not running at all.
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
