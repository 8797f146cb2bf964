#include "app/case_twin_question.h"

#include <optional>
#include <string>

#include "app/file_prompts.h"
#include "app/main_window.h"
#include "handset/handset_files.h"
#include "handset/handset_names.h"
#include "handset/upload_checks.h"

namespace tollhaven {

void OfferCaseTwinReplace(MainWindow& window, HandsetFiles& files,
                          const std::filesystem::path& localFile, std::string_view handsetDir) {
  const std::string shownName = Utf8FileName(localFile);
  const std::optional<std::string> name = HandsetNameFromUtf8(shownName);
  if (!name || name->empty()) {
    return;  // the upload says why it skips the file
  }
  const std::string path = HandsetPath(handsetDir, *name);
  const std::optional<std::string> twin = ListedCaseTwin(files.list(), path);
  if (!twin) {
    return;
  }
  const std::string twinName = twin->substr(twin->rfind('/') + 1);
  if (FilePrompts::Of(window).askReplaceCaseTwin(
          QString::fromStdString(Utf8FromHandsetName(twinName)),
          QString::fromStdString(shownName))) {
    files.Delete(*twin, false);
  }
}

}  // namespace tollhaven
