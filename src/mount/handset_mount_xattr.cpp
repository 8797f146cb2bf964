// The handset's owner byte and attribute word as extended attributes.
#include <cerrno>

#include "handset/transfer_workers.h"
#include "mount/attribute_codec.h"
#include "mount/handset_mount.h"

namespace tollhaven::mount {

int HandsetMount::GetXattr(std::string_view path, std::string_view name, std::string& value) {
  std::optional<Target> target;
  std::optional<MountNode> found;
  if (const int result = Resolve(path, target, found)) {
    return result;
  }
  if (found->directory || (name != kOwnerAttribute && name != kAttributesAttribute)) {
    return -ENODATA;
  }
  Volume* volume = VolumeOf(*target);
  if (volume == nullptr) {
    return -EIO;
  }
  const std::optional<HandsetFile> file = volume->File(target->handset);
  if (!file) {
    return -ENODATA;
  }
  value = name == kOwnerAttribute ? FormatOwner(file->Owner())
                                  : FormatAttributeWord(file->AttributeWord());
  return 0;
}

int HandsetMount::SetXattr(std::string_view path, std::string_view name, std::string_view value) {
  std::optional<Target> target;
  std::optional<MountNode> found;
  if (const int result = Resolve(path, target, found)) {
    return result;
  }
  if ((name != kAttributesAttribute && name != kOwnerAttribute) || found->directory) {
    return -ENOTSUP;
  }
  Volume* volume = VolumeOf(*target);
  if (volume == nullptr) {
    return -EIO;
  }
  const std::optional<uint32_t> word = ParseAttributeWord(value);
  Handle* writer = nullptr;
  for (auto& [id, handle] : handles_) {
    if (handle.writing && handle.target.handset == target->handset) {
      writer = &handle;
    }
  }
  const std::optional<HandsetFile> file = volume->File(target->handset);
  // What the file has now, or gets with its upload.
  const uint32_t owner =
      writer != nullptr || !file ? kCreatedFileAttributeField >> 24 : file->Owner();
  const uint32_t current =
      writer != nullptr || !file ? kUploadAttributeWord : file->AttributeWord();
  if (name == kOwnerAttribute) {
    // The handset has no command that gives a file another owner; copying tools that carry the
    // owner along get through when it is the one the file has.
    return word && *word == owner ? 0 : -EPERM;
  }
  // The attribute bits are the low byte; the high byte is the handset's own and stays.
  if (!word || (*word & 0xFF00) != (current & 0xFF00u)) {
    return -EINVAL;
  }
  if (writer != nullptr) {
    writer->laterWord = *word;
    return 0;
  }
  CloseHandsetFile();
  const std::size_t before = LogCount();
  if (volume->files().SetAttributes(target->handset, *word) != FileOutcome::Done) {
    return Failed(volume->files().lastReport(), before);
  }
  return 0;
}

int HandsetMount::ListXattr(std::string_view path, std::vector<std::string>& names) {
  names.clear();
  std::optional<Target> target;
  std::optional<MountNode> found;
  if (const int result = Resolve(path, target, found)) {
    return result;
  }
  if (!found->directory) {
    names.emplace_back(kOwnerAttribute);
    names.emplace_back(kAttributesAttribute);
  }
  return 0;
}

}  // namespace tollhaven::mount
