#define FUSE_USE_VERSION 31
#include "mount/mount_program.h"

#include <fuse.h>
#include <fuse_lowlevel.h>
#include <stdlib.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>
#include <cstring>
#include <filesystem>
#include <iostream>
#include <mutex>
#include <string>
#include <vector>

#include "handset/handset_connection.h"
#include "link/quick_discovery.h"
#include "mount/handset_mount.h"
#include "support/app_paths.h"
#include "support/event_log.h"
#include "support/program_version.h"
#include "support/settings.h"

namespace tollhaven::mount {

namespace {

constexpr std::string_view kProgram = "tollhaven-mount: ";

// What every callback reaches: the mount and the times its files show (the handset keeps none).
struct Served {
  HandsetMount* mount = nullptr;
  timespec started{};
  uid_t uid = 0;
  gid_t gid = 0;
};

Served& Context() {
  return *static_cast<Served*>(fuse_get_context()->private_data);
}

// Every callback holds the mount's lock: the handset does one thing at a time.
template <typename Call>
auto Locked(Call call) {
  Served& served = Context();
  std::lock_guard<std::mutex> lock(served.mount->mutex());
  return call(*served.mount);
}

void FillStat(const Served& served, const MountNode& node, struct stat* st) {
  std::memset(st, 0, sizeof *st);
  if (node.directory) {
    st->st_mode = S_IFDIR | 0755;
    st->st_nlink = 2;
  } else {
    // The read-only bit shows as missing write permission.
    st->st_mode = S_IFREG | (node.readOnly ? 0444 : 0644);
    st->st_nlink = 1;
    st->st_size = static_cast<off_t>(node.size);
    st->st_blocks = static_cast<blkcnt_t>((node.size + 511) / 512);
  }
  st->st_uid = served.uid;
  st->st_gid = served.gid;
  st->st_atim = served.started;
  st->st_mtim = served.started;
  st->st_ctim = served.started;
}

void* Init(fuse_conn_info* conn, fuse_config* config) {
  // An open with O_TRUNC arrives as one call, so the file is not first emptied on the handset.
  if ((conn->capable & FUSE_CAP_ATOMIC_O_TRUNC) != 0) {
    conn->want |= FUSE_CAP_ATOMIC_O_TRUNC;
  }
  // Stat answers come from memory: asked every time, they show an attribute change or an
  // upload at once.
  config->attr_timeout = 0;
  config->use_ino = 0;
  config->nullpath_ok = 0;
  return fuse_get_context()->private_data;
}

int GetAttr(const char* path, struct stat* st, fuse_file_info*) {
  Served& served = Context();
  MountNode node;
  const int result = Locked([&](HandsetMount& m) { return m.GetAttr(path, node); });
  if (result == 0) {
    FillStat(served, node, st);
  }
  return result;
}

int ReadDir(const char* path, void* buffer, fuse_fill_dir_t fill, off_t, fuse_file_info*,
            fuse_readdir_flags) {
  std::vector<MountDirEntry> entries;
  const int result = Locked([&](HandsetMount& m) { return m.ReadDir(path, entries); });
  if (result != 0) {
    return result;
  }
  fill(buffer, ".", nullptr, 0, static_cast<fuse_fill_dir_flags>(0));
  fill(buffer, "..", nullptr, 0, static_cast<fuse_fill_dir_flags>(0));
  for (const MountDirEntry& entry : entries) {
    fill(buffer, entry.name.c_str(), nullptr, 0, static_cast<fuse_fill_dir_flags>(0));
  }
  return 0;
}

int Open(const char* path, fuse_file_info* fi) {
  uint64_t handle = 0;
  const int result = Locked([&](HandsetMount& m) { return m.Open(path, fi->flags, handle); });
  fi->fh = handle;
  return result;
}

int Create(const char* path, mode_t, fuse_file_info* fi) {
  uint64_t handle = 0;
  const int result = Locked([&](HandsetMount& m) { return m.Create(path, handle); });
  fi->fh = handle;
  return result;
}

int Read(const char*, char* buffer, size_t size, off_t offset, fuse_file_info* fi) {
  return static_cast<int>(
      Locked([&](HandsetMount& m) { return m.Read(fi->fh, buffer, size, offset); }));
}

int Write(const char*, const char* buffer, size_t size, off_t offset, fuse_file_info* fi) {
  return static_cast<int>(
      Locked([&](HandsetMount& m) { return m.Write(fi->fh, buffer, size, offset); }));
}

int Truncate(const char* path, off_t size, fuse_file_info* fi) {
  const uint64_t handle = fi != nullptr ? fi->fh : 0;
  return Locked([&](HandsetMount& m) { return m.Truncate(path, size, handle); });
}

int Flush(const char*, fuse_file_info* fi) {
  return Locked([&](HandsetMount& m) { return m.Flush(fi->fh); });
}

int Fsync(const char*, int, fuse_file_info* fi) {
  return Locked([&](HandsetMount& m) { return m.Flush(fi->fh); });
}

int Release(const char*, fuse_file_info* fi) {
  return Locked([&](HandsetMount& m) { return m.Release(fi->fh); });
}

int MakeDirectory(const char* path, mode_t) {
  return Locked([&](HandsetMount& m) { return m.MakeDirectory(path); });
}

int RemoveDirectory(const char* path) {
  return Locked([&](HandsetMount& m) { return m.RemoveDirectory(path); });
}

int Unlink(const char* path) {
  return Locked([&](HandsetMount& m) { return m.Unlink(path); });
}

int Rename(const char* from, const char* to, unsigned int) {
  return Locked([&](HandsetMount& m) { return m.Rename(from, to); });
}

// The handset keeps no times and no modes beyond the read-only bit (an extended attribute):
// copying tools that carry them over are let through rather than failed.
int Utimens(const char* path, const timespec[2], fuse_file_info*) {
  MountNode node;
  return Locked([&](HandsetMount& m) { return m.GetAttr(path, node); });
}

int Chmod(const char* path, mode_t, fuse_file_info*) {
  MountNode node;
  return Locked([&](HandsetMount& m) { return m.GetAttr(path, node); });
}

int Chown(const char* path, uid_t uid, gid_t gid, fuse_file_info*) {
  Served& served = Context();
  if ((uid != static_cast<uid_t>(-1) && uid != served.uid) ||
      (gid != static_cast<gid_t>(-1) && gid != served.gid)) {
    return -EPERM;
  }
  MountNode node;
  return Locked([&](HandsetMount& m) { return m.GetAttr(path, node); });
}

int GetXattr(const char* path, const char* name, char* value, size_t size) {
  std::string text;
  const int result = Locked([&](HandsetMount& m) { return m.GetXattr(path, name, text); });
  if (result != 0) {
    return result;
  }
  if (size == 0) {
    return static_cast<int>(text.size());
  }
  if (size < text.size()) {
    return -ERANGE;
  }
  std::memcpy(value, text.data(), text.size());
  return static_cast<int>(text.size());
}

int SetXattr(const char* path, const char* name, const char* value, size_t size, int) {
  return Locked(
      [&](HandsetMount& m) { return m.SetXattr(path, name, std::string_view(value, size)); });
}

int ListXattr(const char* path, char* list, size_t size) {
  std::vector<std::string> names;
  const int result = Locked([&](HandsetMount& m) { return m.ListXattr(path, names); });
  if (result != 0) {
    return result;
  }
  std::string joined;
  for (const std::string& name : names) {
    joined += name;
    joined += '\0';
  }
  if (size == 0) {
    return static_cast<int>(joined.size());
  }
  if (size < joined.size()) {
    return -ERANGE;
  }
  std::memcpy(list, joined.data(), joined.size());
  return static_cast<int>(joined.size());
}

int RemoveXattr(const char*, const char* name) {
  const std::string_view attribute(name);
  return attribute == kOwnerAttribute || attribute == kAttributesAttribute ? -EPERM : -ENODATA;
}

fuse_operations Operations() {
  fuse_operations ops{};
  ops.init = Init;
  ops.getattr = GetAttr;
  ops.readdir = ReadDir;
  ops.open = Open;
  ops.create = Create;
  ops.read = Read;
  ops.write = Write;
  ops.truncate = Truncate;
  ops.flush = Flush;
  ops.fsync = Fsync;
  ops.release = Release;
  ops.mkdir = MakeDirectory;
  ops.rmdir = RemoveDirectory;
  ops.unlink = Unlink;
  ops.rename = Rename;
  ops.utimens = Utimens;
  ops.chmod = Chmod;
  ops.chown = Chown;
  ops.getxattr = GetXattr;
  ops.setxattr = SetXattr;
  ops.listxattr = ListXattr;
  ops.removexattr = RemoveXattr;
  return ops;
}

void Usage(std::ostream& out) {
  out << "usage: tollhaven-mount MOUNTPOINT [-f] [-o OPTIONS]\n"
         "Mounts the connected handset: one directory per volume (a, b, ...).\n"
         "  -f            stay in the foreground\n"
         "  -o OPTIONS    FUSE mount options\n"
         "  -h, --help    this help\n"
         "  -V, --version the program's version\n"
         "Unmount with: fusermount3 -u MOUNTPOINT\n";
}

// The directory written files wait in until they are uploaded.
std::filesystem::path MakeSpoolDirectory() {
  std::string pattern = (std::filesystem::temp_directory_path() / "tollhaven-mount-XXXXXX");
  if (mkdtemp(pattern.data()) == nullptr) {
    return {};
  }
  return pattern;
}

}  // namespace

int RunMount(int argc, char* argv[], Discovery& discovery, Clock& clock, std::ostream& err) {
  fuse_args args = FUSE_ARGS_INIT(argc, argv);
  fuse_cmdline_opts options{};
  if (fuse_parse_cmdline(&args, &options) != 0) {
    Usage(err);
    return kExitUsage;
  }
  struct Cleanup {
    fuse_args& args;
    fuse_cmdline_opts& options;
    ~Cleanup() {
      free(options.mountpoint);
      fuse_opt_free_args(&args);
    }
  } cleanup{args, options};
  if (options.show_help) {
    Usage(std::cout);
    return kExitSuccess;
  }
  if (options.show_version) {
    // "<program> <version>" like the other two programs; the FUSE library's after it.
    std::cout << "tollhaven-mount " << kProgramVersion << " (FUSE " << fuse_pkgversion() << ")\n";
    return kExitSuccess;
  }
  if (options.mountpoint == nullptr) {
    err << kProgram << "no mount point given\n";
    Usage(err);
    return kExitUsage;
  }

  EventLog log;
  PhoneLink link(log, clock);
  Settings settings{};
  // The same settings file as the window: its handset type decides how the list is asked for.
  LoadSettings(settings, ConfigDirectory(ExecutableDirectory()) / kSettingsFileName);
  // A load limit would leave files out of the mount.
  settings.fileLimit = -1;
  HandsetConnection handset(link, settings);
  QuickDiscovery quick(discovery, log);
  if (!handset.Connect(quick)) {
    for (const std::string& line : log.Lines()) {
      err << kProgram << line << '\n';
    }
    return kExitNoHandset;
  }

  const std::filesystem::path spool = MakeSpoolDirectory();
  if (spool.empty()) {
    err << kProgram << "cannot make a directory for written files: " << std::strerror(errno)
        << '\n';
    return kExitFailed;
  }
  int status = kExitFailed;
  {
    HandsetMount mount(handset, err, spool);
    Served served;
    served.mount = &mount;
    clock_gettime(CLOCK_REALTIME, &served.started);
    served.uid = getuid();
    served.gid = getgid();
    const fuse_operations ops = Operations();
    fuse* fs = fuse_new(&args, &ops, sizeof ops, &served);
    // The handlers are in place before the mount point appears: a SIGINT or SIGTERM as soon as
    // it is there ends the program cleanly instead of killing it with the mount left behind.
    fuse_session* session = fs != nullptr ? fuse_get_session(fs) : nullptr;
    if (session != nullptr && fuse_set_signal_handlers(session) == 0) {
      if (fuse_mount(fs, options.mountpoint) == 0) {
        if (fuse_daemonize(options.foreground) == 0) {
          // One request at a time: the handset serves one command at a time anyway, and a
          // reader's open file must not be interleaved with another file's commands.
          // An end by SIGINT or SIGTERM answers the signal's number: a clean end too.
          status = fuse_loop(fs) >= 0 ? kExitSuccess : kExitFailed;
        }
        fuse_unmount(fs);
      } else {
        err << kProgram << "cannot mount on " << options.mountpoint << '\n';
      }
      fuse_remove_signal_handlers(session);
    }
    if (fs != nullptr) {
      fuse_destroy(fs);
    }
    std::lock_guard<std::mutex> lock(mount.mutex());
    mount.CloseHandsetFile();
  }
  std::error_code ignored;
  std::filesystem::remove_all(spool, ignored);
  return status;
}

}  // namespace tollhaven::mount
