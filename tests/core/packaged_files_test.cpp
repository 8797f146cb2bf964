// The files a package installs for the desktop are the ones the program looks for and would
// otherwise write itself: same names, same file types, same icon.
#include <gmock/gmock.h>
#include <gtest/gtest.h>

#include <fstream>
#include <iterator>

#include "support/program_version.h"
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

// Skin packs are left out: the program claims them for its user only while the skin tool is
// absent, which a package cannot know.
TEST(PackagedFiles, TheMimePackageIsTheOneTheProgramWritesForPatchFilesAlone) {
  EXPECT_EQ(Read(kPackaging / kMimePackageFileName), MimePackageXml({kPatchFileType}));
}

TEST(PackagedFiles, TheDesktopEntryCarriesOurIdIconAndTypes) {
  const std::string entry = Read(kPackaging / kDesktopEntryId);
  EXPECT_EQ(DesktopEntryValue(entry, "Icon"), std::string(kIconName));
  EXPECT_EQ(DesktopEntryValue(entry, "Exec"), "tollhaven %f");
  EXPECT_THAT(SplitList(DesktopEntryValue(entry, "MimeType").value_or("")),
              ElementsAre(std::string(kPatchFileMimeType)));
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

// One release number wherever a user may look: the programs' --version, the package, the manual
// pages, the changelog and the software centre's release.
TEST(PackagedFiles, EveryPackagedFileNamesTheProgramsVersion) {
  const std::string version(kProgramVersion);
  EXPECT_EQ(version, "3.2.8");
  for (const char* page : {"tollhaven.1", "tollhaven-cli.1", "tollhaven-mount.1"}) {
    EXPECT_THAT(Read(kPackaging / "man" / page), HasSubstr("\"Tollhaven " + version + "\""))
        << page;
  }
  EXPECT_EQ(Read(kPackaging / "debian/changelog").rfind("tollhaven (" + version + ") ", 0), 0u);
  std::string metainfo(kApplicationId);
  metainfo += ".metainfo.xml";
  EXPECT_THAT(Read(kPackaging / metainfo), HasSubstr("<release version=\"" + version + "\""));
}

// GPL-3.0-or-later, said the same way in the licence file, the package's copyright file and the
// metainfo.
TEST(PackagedFiles, TheLicenceIsTheGplThreeOrLaterEverywhere) {
  const std::string licence = Read(kPackaging / "../LICENSE");
  EXPECT_EQ(licence.rfind("                    GNU GENERAL PUBLIC LICENSE\n"
                          "                       Version 3, 29 June 2007\n",
                          0),
            0u);
  EXPECT_THAT(licence, HasSubstr("END OF TERMS AND CONDITIONS"));
  const std::string copyright = Read(kPackaging / "debian/copyright");
  EXPECT_THAT(copyright, HasSubstr("\nFiles: *\nCopyright: 2026 The Tollhaven developers\n"
                                   "License: GPL-3.0-or-later\n"));
  EXPECT_THAT(copyright, HasSubstr("/usr/share/common-licenses/GPL-3"));
  std::string metainfo(kApplicationId);
  metainfo += ".metainfo.xml";
  EXPECT_THAT(Read(kPackaging / metainfo),
              HasSubstr("<project_license>GPL-3.0-or-later</project_license>"));
}

}  // namespace
}  // namespace tollhaven
