// The files a package installs for the desktop are the ones the program looks for and would
// otherwise write itself: same names, same file types, same icon.
#include <gmock/gmock.h>
#include <gtest/gtest.h>

#include <fstream>
#include <iterator>

#include "support/shell_integration.h"

namespace tollhaven {
namespace {

namespace fs = std::filesystem;
using ::testing::ElementsAre;
using ::testing::HasSubstr;

const fs::path kPackaging = TOLLHAVEN_PACKAGING_DIR;

std::string Read(const fs::path& file) {
  std::ifstream in(file, std::ios::binary);
  EXPECT_TRUE(in) << file;
  return {std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>()};
}

TEST(PackagedFiles, TheMimePackageIsTheOneTheProgramWritesForBothTypes) {
  EXPECT_EQ(Read(kPackaging / kMimePackageFileName),
            MimePackageXml({kPatchFileType, kSkinPackType}));
}

TEST(PackagedFiles, TheDesktopEntryCarriesOurIdIconAndTypes) {
  const std::string entry = Read(kPackaging / kDesktopEntryId);
  EXPECT_EQ(DesktopEntryValue(entry, "Icon"), std::string(kIconName));
  EXPECT_EQ(DesktopEntryValue(entry, "Exec"), "tollhaven %f");
  EXPECT_THAT(SplitList(DesktopEntryValue(entry, "MimeType").value_or("")),
              ElementsAre(std::string(kPatchFileMimeType), std::string(kSkinPackMimeType)));
  // The icon it names is in the tree at every size the package installs.
  for (const char* size :
       {"16x16", "22x22", "24x24", "32x32", "48x48", "64x64", "128x128", "256x256"}) {
    EXPECT_TRUE(fs::exists(kPackaging / "icons" / size / (std::string(kIconName) + ".png")))
        << size;
  }
}

TEST(PackagedFiles, TheMetainfoNamesOurIdAndLaunchesOurEntry) {
  std::string name(kApplicationId);
  name += ".metainfo.xml";
  const std::string metainfo = Read(kPackaging / name);
  std::string id = "<id>";
  id.append(kApplicationId).append("</id>");
  std::string launchable = "<launchable type=\"desktop-id\">";
  launchable.append(kDesktopEntryId).append("</launchable>");
  EXPECT_THAT(metainfo, HasSubstr(id));
  EXPECT_THAT(metainfo, HasSubstr(launchable));
}

}  // namespace
}  // namespace tollhaven
