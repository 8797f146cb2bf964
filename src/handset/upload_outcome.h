#pragma once

namespace tollhaven {

// What one upload did, in a form a front end can act on without reading the log line: the
// window stops a selection on a cancel, the command-line tool chooses its exit status, the mount
// its error number.
enum class UploadResult {
  Done,         // the new file is on the handset, whole (in place of the old one, if any)
  Skipped,      // nothing was sent: a directory, a local file that cannot be read, no name
  Refused,      // refused before anything was sent; HandsetFiles::lastRefusal() says why
  NotReplaced,  // the old file could not be deleted, or the user kept it; it is as it was
  Failed,       // the new file did not arrive; nothing of it is left (unless partialLeft)
  OldFileKept,  // failed or cancelled over an old file, which was written back whole
  OldFileLost,  // failed or cancelled over an old file, which could not be written back
};

struct UploadOutcome {
  UploadResult result = UploadResult::Done;
  // Stopped by the user (the wait dialog's Cancel): a front end walking a selection stops.
  bool cancelled = false;
  // Part of the new file stayed on the handset because it could not be removed.
  bool partialLeft = false;
  // An old file was replaced without a copy to fall back on (it could not be read).
  bool replacedUnkept = false;
  // The handset stopped answering during the upload.
  bool handsetGone = false;
};

}  // namespace tollhaven
