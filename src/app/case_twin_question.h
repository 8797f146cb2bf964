#pragma once

#include <filesystem>
#include <string_view>

namespace tollhaven {

class HandsetFiles;
class MainWindow;

// Before `localFile` is uploaded into `handsetDir`: when a listed handset file has its name but
// for letter case, the user cannot tell the two apart in the panel, and the handset may take
// them for one. Asks whether to replace the listed file, and on Yes deletes it, so that the
// upload that follows writes the one file. On No nothing happens here, and the upload refuses
// with its line naming both.
void OfferCaseTwinReplace(MainWindow& window, HandsetFiles& files,
                          const std::filesystem::path& localFile, std::string_view handsetDir);

}  // namespace tollhaven
