#include "support/shell_integration.h"

#include <gmock/gmock.h>
#include <gtest/gtest.h>

#include <fstream>
#include <iterator>

namespace tollhaven {
namespace {

namespace fs = std::filesystem;
using ::testing::HasSubstr;
using ::testing::Not;

constexpr std::string_view kOurs = "org.tollhaven.Tollhaven.desktop";
constexpr std::string_view kPatch = kPatchFileMimeType;

TEST(MimeappsList, OurEntryGoesFirstAndEverythingElseStays) {
  const struct {
    const char* name;
    std::string before;
    std::string after;
  } cases[] = {
      {"no file yet", "",
       "[Default Applications]\napplication/x-tollhaven-patch=org.tollhaven.Tollhaven.desktop;\n"},
      {"other groups only: ours is appended after a blank line",
       "[Added Associations]\ntext/plain=gedit.desktop;\n",
       "[Added Associations]\ntext/plain=gedit.desktop;\n\n[Default Applications]\n"
       "application/x-tollhaven-patch=org.tollhaven.Tollhaven.desktop;\n"},
      {"the group exists: ours follows its last line, the next group keeps its blank line",
       "# mine\n[Default Applications]\ntext/plain=gedit.desktop;\n# keep\n\n[Added "
       "Associations]\nimage/png=eog.desktop;\n",
       "# mine\n[Default Applications]\ntext/plain=gedit.desktop;\n# "
       "keep\napplication/x-tollhaven-patch=org.tollhaven.Tollhaven.desktop;\n\n[Added "
       "Associations]\nimage/png=eog.desktop;\n"},
      {"another default stays as the fallback",
       "[Default Applications]\napplication/x-tollhaven-patch=other.desktop;third.desktop\n",
       "[Default "
       "Applications]\napplication/x-tollhaven-patch=org.tollhaven.Tollhaven.desktop;other.desktop;"
       "third.desktop;\n"},
      {"ours further down the list moves to the front",
       "[Default Applications]\napplication/x-tollhaven-patch = other.desktop; "
       "org.tollhaven.Tollhaven.desktop;\n",
       "[Default "
       "Applications]\napplication/"
       "x-tollhaven-patch=org.tollhaven.Tollhaven.desktop;other.desktop;\n"},
      {"associations elsewhere and longer keys are not ours to change",
       "[Added Associations]\napplication/x-tollhaven-patch=other.desktop;\n[Default "
       "Applications]\napplication/x-tollhaven-patch-old=x.desktop;\n",
       "[Added Associations]\napplication/x-tollhaven-patch=other.desktop;\n[Default "
       "Applications]\napplication/x-tollhaven-patch-old=x.desktop;\n"
       "application/x-tollhaven-patch=org.tollhaven.Tollhaven.desktop;\n"},
      {"the key in a repeated group is set in both",
       "[Default Applications]\napplication/x-tollhaven-patch=a.desktop;\n[Default "
       "Applications]\napplication/x-tollhaven-patch=b.desktop;\n",
       "[Default "
       "Applications]\napplication/"
       "x-tollhaven-patch=org.tollhaven.Tollhaven.desktop;a.desktop;\n[Default "
       "Applications]\napplication/x-tollhaven-patch=org.tollhaven.Tollhaven.desktop;b.desktop;\n"},
      {"a file without a last line feed", "[Default Applications]\ntext/plain=gedit.desktop;",
       "[Default Applications]\ntext/plain=gedit.desktop;\n"
       "application/x-tollhaven-patch=org.tollhaven.Tollhaven.desktop;\n"},
      {"CR LF lines get a CR LF line", "[Default Applications]\r\ntext/plain=gedit.desktop;\r\n",
       "[Default Applications]\r\ntext/plain=gedit.desktop;\r\n"
       "application/x-tollhaven-patch=org.tollhaven.Tollhaven.desktop;\r\n"},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.name);
    const std::string once = WithDefaultApplication(c.before, kPatch, kOurs);
    EXPECT_EQ(once, c.after);
    // A second start finds nothing to change.
    EXPECT_EQ(WithDefaultApplication(once, kPatch, kOurs), once);
  }
}

TEST(DesktopEntry, ExecArgumentIsQuotedAndEscapedOnlyWhenItMustBe) {
  const struct {
    std::string path;
    std::optional<std::string> exec;
  } cases[] = {
      {"/usr/bin/tollhaven", "/usr/bin/tollhaven"},
      {"/opt/My Tools/tollhaven", "\"/opt/My Tools/tollhaven\""},
      // A per cent sign would begin a field code, quoted or not.
      {"/opt/100%/tollhaven", "/opt/100%%/tollhaven"},
      // Inside quotes " ` $ \ take a backslash, and every backslash is then doubled once more by
      // the value's own escapes.
      {"/opt/a\"b$c`d/t", "\"/opt/a\\\\\"b\\\\$c\\\\`d/t\""},
      {"/opt/a\\b/t", "\"/opt/a\\\\\\\\b/t\""},
      {"/opt/caf\xC3\xA9/t", "/opt/caf\xC3\xA9/t"},
      {"/opt/a\nb/t", std::nullopt},
      {"/opt/\x7F/t", std::nullopt},
      {"/opt/latin1-\xE9/t", std::nullopt},
      {"/opt/overlong-\xC0\xAF/t", std::nullopt},
      {"/opt/cut-\xE2\x82", std::nullopt},
      {"", std::nullopt},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.path);
    EXPECT_EQ(DesktopExecArgument(c.path), c.exec);
  }
}

TEST(DesktopEntry, OpensOneFileWithTheExecutable) {
  EXPECT_EQ(TollhavenDesktopEntry("/opt/My Tools/tollhaven", {kPatch, kSkinPackMimeType}),
            "[Desktop Entry]\n"
            "Type=Application\n"
            "Version=1.0\n"
            "Name=Tollhaven\n"
            "GenericName=Handset File Manager\n"
            "Comment=Browse and copy the files of a Motorola P2K handset\n"
            "Icon=org.tollhaven.Tollhaven\n"
            "TryExec=/opt/My Tools/tollhaven\n"
            "Exec=\"/opt/My Tools/tollhaven\" %f\n"
            "Terminal=false\n"
            "Categories=Utility;FileTools;\n"
            "MimeType=application/x-tollhaven-patch;application/x-tollhaven-skin-pack;\n");
  // A relative path would be resolved against whatever directory the desktop starts us in.
  EXPECT_EQ(TollhavenDesktopEntry("tollhaven", {kPatch}), std::nullopt);
  EXPECT_EQ(TollhavenDesktopEntry("/bad\npath", {kPatch}), std::nullopt);
}

TEST(DesktopEntry, CompanionEntryIsHiddenWhenOff) {
  const std::optional<std::string> on = CompanionAutostartEntry("/opt/t/Lampwick", true);
  const std::optional<std::string> off = CompanionAutostartEntry("/opt/t/Lampwick", false);
  ASSERT_TRUE(on && off);
  EXPECT_EQ(DesktopEntryValue(*on, "Exec"), "/opt/t/Lampwick");
  EXPECT_EQ(DesktopEntryValue(*on, "Hidden"), "false");
  EXPECT_EQ(DesktopEntryValue(*off, "Exec"), "/opt/t/Lampwick");
  EXPECT_EQ(DesktopEntryValue(*off, "Hidden"), "true");
  EXPECT_EQ(CompanionAutostartEntry("Lampwick", true), std::nullopt);
}

TEST(MimePackage, DeclaresEachTypeWithItsGlob) {
  EXPECT_EQ(MimePackageXml({kPatchFileType, kSkinPackType}),
            "<?xml version=\"1.0\" encoding=\"UTF-8\"?>\n"
            "<mime-info xmlns=\"http://www.freedesktop.org/standards/shared-mime-info\">\n"
            "  <mime-type type=\"application/x-tollhaven-patch\">\n"
            "    <comment>Tollhaven patch file</comment>\n"
            "    <sub-class-of type=\"text/plain\"/>\n"
            "    <generic-icon name=\"text-x-script\"/>\n"
            "    <glob pattern=\"*.tlhv\"/>\n"
            "  </mime-type>\n"
            "  <mime-type type=\"application/x-tollhaven-skin-pack\">\n"
            "    <comment>Handset skin pack</comment>\n"
            "    <generic-icon name=\"package-x-generic\"/>\n"
            "    <glob pattern=\"*.s4m\" case-sensitive=\"true\"/>\n"
            "  </mime-type>\n"
            "</mime-info>\n");
}

TEST(MimeDatabase, GlobOwnersReadsGlobs2Lines) {
  const std::string globs2 =
      "# comment: 50:application/x-c:*.s4m\n"
      "50:application/x-wine-extension-s4m:*.S4M\n"
      "50:application/x-exact:*.S4M:cs\n"
      "60:application/x-other:*.s4mx\n"
      "40:application/x-wine-extension-s4m:*.s4m\n"
      "broken line\n"
      "50::*.s4m\n"
      "45:application/x-last:*.s4m";
  EXPECT_EQ(GlobOwners(globs2, "*.s4m"),
            (std::vector<std::string>{"application/x-wine-extension-s4m", "application/x-last"}));
  EXPECT_TRUE(GlobOwners("", "*.s4m").empty());
}

// A temporary home with the user's directories and one installed data directory.
class DesktopFiles : public ::testing::Test {
 protected:
  DesktopFiles() {
    root = fs::temp_directory_path() /
           ("tollhaven-shell-" +
            std::string(::testing::UnitTest::GetInstance()->current_test_info()->name()));
    fs::remove_all(root);
    dirs.dataHome = root / "data";
    dirs.configHome = root / "config";
    dirs.dataDirs = {root / "system"};
    fs::create_directories(root / "system");
  }
  ~DesktopFiles() override { fs::remove_all(root); }

  static void Write(const fs::path& file, const std::string& text) {
    fs::create_directories(file.parent_path());
    std::ofstream(file, std::ios::binary) << text;
  }
  static std::string Read(const fs::path& file) {
    std::ifstream in(file, std::ios::binary);
    return std::string(std::istreambuf_iterator<char>(in), {});
  }
  // Sets a file's time well in the past, so that any later write shows.
  static void Age(const fs::path& file) {
    fs::last_write_time(file, fs::last_write_time(file) - std::chrono::hours(24));
  }

  fs::path Package() const { return dirs.dataHome / "mime/packages/tollhaven.xml"; }
  fs::path Entry() const { return dirs.dataHome / "applications/org.tollhaven.Tollhaven.desktop"; }
  fs::path Icon() const {
    return dirs.dataHome / "icons/hicolor/scalable/apps/org.tollhaven.Tollhaven.svg";
  }
  fs::path Mimeapps() const { return dirs.configHome / "mimeapps.list"; }
  fs::path SkinPackPackage() const {
    return dirs.dataHome / "mime/packages/tollhaven-skin-pack.xml";
  }
  // What the Debian package puts into the system.
  void InstallPackage() const {
    Write(root / "system/applications/org.tollhaven.Tollhaven.desktop",
          "[Desktop Entry]\nExec=tollhaven %f\nMimeType=application/x-tollhaven-patch;\n");
    Write(root / "system/mime/packages/tollhaven.xml", MimePackageXml({kPatchFileType}));
  }

  fs::path root;
  XdgDirectories dirs;
};

TEST_F(DesktopFiles, UpdateFileWritesOnlyChangesAndFollowsLinks) {
  const fs::path file = root / "deep/er/file";
  EXPECT_EQ(UpdateFile(file, "one"), FileUpdate::Written);
  EXPECT_TRUE(FileHasContent(file, "one"));
  Age(file);
  const fs::file_time_type aged = fs::last_write_time(file);
  EXPECT_EQ(UpdateFile(file, "one"), FileUpdate::Unchanged);
  EXPECT_EQ(fs::last_write_time(file), aged);
  // Same length, other bytes; and another length.
  EXPECT_FALSE(FileHasContent(file, "two"));
  EXPECT_EQ(UpdateFile(file, "two"), FileUpdate::Written);
  EXPECT_EQ(UpdateFile(file, "three"), FileUpdate::Written);
  EXPECT_EQ(Read(file), "three");
  EXPECT_FALSE(FileHasContent(root / "absent", ""));

  // A dotfile linked from elsewhere stays a link; its target gets the content.
  const fs::path link = root / "link";
  fs::create_symlink(file, link);
  EXPECT_EQ(UpdateFile(link, "four"), FileUpdate::Written);
  EXPECT_TRUE(fs::is_symlink(fs::symlink_status(link)));
  EXPECT_EQ(Read(file), "four");
  // A link to nowhere is left as it is.
  const fs::path dangling = root / "dangling";
  fs::create_symlink(root / "nowhere", dangling);
  EXPECT_EQ(UpdateFile(dangling, "five"), FileUpdate::Failed);
  EXPECT_TRUE(fs::is_symlink(fs::symlink_status(dangling)));
  EXPECT_FALSE(fs::exists(root / "nowhere"));
}

TEST_F(DesktopFiles, FirstRunWritesEverythingAndTheSecondNothing) {
  Write(Mimeapps(), "[Added Associations]\ntext/plain=gedit.desktop;\n");
  AssociationOutcome first = RegisterAssociations(dirs, "/opt/t/tollhaven", "<svg/>");
  EXPECT_EQ(first.filesWritten, 4);
  EXPECT_TRUE(first.refreshMimeDatabase);
  EXPECT_TRUE(first.refreshDesktopDatabase);
  EXPECT_EQ(Read(Package()), MimePackageXml({kPatchFileType, kSkinPackType}));
  EXPECT_EQ(Read(Entry()),
            TollhavenDesktopEntry("/opt/t/tollhaven", {kPatch, kSkinPackMimeType}).value());
  EXPECT_EQ(Read(Icon()), "<svg/>");
  EXPECT_EQ(Read(Mimeapps()),
            "[Added Associations]\ntext/plain=gedit.desktop;\n\n[Default Applications]\n"
            "application/x-tollhaven-patch=org.tollhaven.Tollhaven.desktop;\n"
            "application/x-tollhaven-skin-pack=org.tollhaven.Tollhaven.desktop;\n");

  // The caches the desktop tools would have built since.
  Write(dirs.dataHome / "mime/mime.cache", "");
  Write(dirs.dataHome / "applications/mimeinfo.cache", "");
  const std::vector<fs::path> files{Package(), Entry(), Icon(), Mimeapps()};
  std::vector<fs::file_time_type> aged;
  for (const fs::path& file : files) {
    Age(file);
    aged.push_back(fs::last_write_time(file));
  }
  AssociationOutcome second = RegisterAssociations(dirs, "/opt/t/tollhaven", "<svg/>");
  EXPECT_EQ(second.filesWritten, 0);
  EXPECT_FALSE(second.refreshMimeDatabase);
  EXPECT_FALSE(second.refreshDesktopDatabase);
  for (std::size_t i = 0; i < files.size(); ++i) {
    EXPECT_EQ(fs::last_write_time(files[i]), aged[i]) << files[i];
  }

  // The program moved: only the entry changes, and only the application cache is rebuilt.
  AssociationOutcome moved = RegisterAssociations(dirs, "/usr/bin/tollhaven", "<svg/>");
  EXPECT_EQ(moved.filesWritten, 1);
  EXPECT_FALSE(moved.refreshMimeDatabase);
  EXPECT_TRUE(moved.refreshDesktopDatabase);
  EXPECT_EQ(DesktopEntryValue(Read(Entry()), "Exec"), "/usr/bin/tollhaven %f");
}

TEST_F(DesktopFiles, AnInstalledPackageGetsNoUserCopiesButStillTheDefaults) {
  InstallPackage();
  AssociationOutcome outcome = RegisterAssociations(dirs, "/usr/bin/tollhaven", "<svg/>");
  // The skin-pack type the package leaves out, and mimeapps.list.
  EXPECT_EQ(outcome.filesWritten, 2);
  EXPECT_TRUE(outcome.refreshMimeDatabase);
  EXPECT_FALSE(outcome.refreshDesktopDatabase);
  EXPECT_FALSE(fs::exists(Entry()));
  EXPECT_FALSE(fs::exists(Package()));
  EXPECT_FALSE(fs::exists(Icon()));
  EXPECT_EQ(Read(SkinPackPackage()), MimePackageXml({kSkinPackType}));
  // The package's entry does not list skin packs, so the association is added as well.
  EXPECT_EQ(Read(Mimeapps()),
            "[Default Applications]\n"
            "application/x-tollhaven-patch=org.tollhaven.Tollhaven.desktop;\n"
            "application/x-tollhaven-skin-pack=org.tollhaven.Tollhaven.desktop;\n\n"
            "[Added Associations]\n"
            "application/x-tollhaven-skin-pack=org.tollhaven.Tollhaven.desktop;\n");
  Write(dirs.dataHome / "mime/mime.cache", "");
  Age(SkinPackPackage());
  Age(Mimeapps());
  EXPECT_EQ(RegisterAssociations(dirs, "/usr/bin/tollhaven", "<svg/>").filesWritten, 0);

  // With the skin tool there, skin packs are not ours at all.
  fs::remove_all(root);
  InstallPackage();
  Write(root / "system/applications/skinner4moto.desktop", "[Desktop Entry]\nExec=skin\n");
  outcome = RegisterAssociations(dirs, "/usr/bin/tollhaven", "<svg/>");
  EXPECT_EQ(outcome.filesWritten, 1);
  EXPECT_FALSE(outcome.refreshMimeDatabase);
  EXPECT_FALSE(fs::exists(dirs.dataHome));
  EXPECT_EQ(Read(Mimeapps()),
            "[Default Applications]\n"
            "application/x-tollhaven-patch=org.tollhaven.Tollhaven.desktop;\n");
}

TEST_F(DesktopFiles, OurUserEntryFromBeforeThePackageGoesOnceThePackageIsThere) {
  // A run from the build directory, then the package.
  RegisterAssociations(dirs, "/home/me/src/tollhaven/build/tollhaven", "<svg/>");
  ASSERT_TRUE(fs::exists(Entry()));
  InstallPackage();
  AssociationOutcome outcome = RegisterAssociations(dirs, "/usr/bin/tollhaven", "<svg/>");
  EXPECT_EQ(outcome.filesRemoved, 1);
  EXPECT_TRUE(outcome.refreshDesktopDatabase);
  EXPECT_FALSE(fs::exists(Entry()));
  // Nothing else of the user's data directory goes.
  EXPECT_TRUE(fs::exists(Package()));
  EXPECT_TRUE(fs::exists(Icon()));
  outcome = RegisterAssociations(dirs, "/usr/bin/tollhaven", "<svg/>");
  EXPECT_EQ(outcome.filesRemoved, 0);
  EXPECT_FALSE(outcome.refreshDesktopDatabase);

  // An entry of that name we did not write, or one the user changed, stays.
  const std::string ours = TollhavenDesktopEntry("/opt/t/tollhaven", {kPatchFileMimeType}).value();
  for (const std::string& theirs :
       {std::string("[Desktop Entry]\nType=Application\nName=Mine\nExec=mine %f\n"),
        ours + "NoDisplay=true\n", std::string()}) {
    Write(Entry(), theirs);
    EXPECT_EQ(RegisterAssociations(dirs, "/usr/bin/tollhaven", "<svg/>").filesRemoved, 0);
    EXPECT_EQ(Read(Entry()), theirs);
  }
}

TEST(DesktopEntry, OursIsKnownByItsWholeText) {
  const std::vector<std::string_view> both{kPatchFileMimeType, kSkinPackMimeType};
  for (const char* executable :
       {"/opt/t/tollhaven", "/home/me/My \"Tools\" 100% \\/tollhaven", "/usr/bin/tollhaven"}) {
    SCOPED_TRACE(executable);
    EXPECT_TRUE(IsOurDesktopEntry(TollhavenDesktopEntry(executable, {kPatchFileMimeType}).value()));
    EXPECT_TRUE(IsOurDesktopEntry(TollhavenDesktopEntry(executable, both).value()));
  }
  const std::string ours = TollhavenDesktopEntry("/opt/t/tollhaven", both).value();
  // Another program in Exec than the one TryExec names, and an entry without TryExec.
  std::string otherExec = ours;
  otherExec.replace(otherExec.find("\nExec=/opt") + 1, 9, "Exec=/tmp");
  std::string noTryExec = ours;
  noTryExec.replace(noTryExec.find("TryExec="), 8, "X-TryIt=");
  for (const std::string& entry :
       {otherExec, noTryExec, ours + "\n", "# mine\n" + ours,
        TollhavenDesktopEntry("/opt/t/tollhaven", {kSkinPackMimeType}).value(), std::string()}) {
    EXPECT_FALSE(IsOurDesktopEntry(entry)) << entry;
  }
}

TEST_F(DesktopFiles, AnInstalledEntryWithoutTheTypeIsNotEnough) {
  Write(root / "system/applications/org.tollhaven.Tollhaven.desktop",
        "[Desktop Entry]\nExec=tollhaven %f\n");
  EXPECT_FALSE(InstalledSystemWide(dirs.dataDirs));
  Write(root / "system/mime/application/x-tollhaven-patch.xml", "<mime-type/>");
  EXPECT_TRUE(InstalledSystemWide(dirs.dataDirs));
  EXPECT_FALSE(InstalledSystemWide({}));
}

TEST_F(DesktopFiles, TheSkinToolKeepsSkinPacks) {
  const struct {
    const char* name;
    const char* file;  // below the installed data directory
    std::string content;
    bool tool;
  } cases[] = {
      {"an entry named after the tool", "applications/skinner4moto.desktop",
       "[Desktop Entry]\nExec=skin\n", true},
      {"an entry in a vendor subdirectory", "applications/wine/Programs/Skinner4Moto.desktop",
       "[Desktop Entry]\nExec=x\n", true},
      {"an entry that starts the tool", "applications/any.desktop",
       "[Desktop Entry]\nExec=env WINEPREFIX=/w wine C:\\\\\\\\Tools\\\\\\\\SKINNER4MOTO.EXE\n",
       true},
      {"an entry for our skin pack type", "applications/packer.desktop",
       "[Desktop Entry]\nExec=packer %f\nMimeType=text/plain;application/x-tollhaven-skin-pack;\n",
       true},
      {"an entry hidden by the user", "applications/skinner4moto.desktop",
       "[Desktop Entry]\nExec=skin\nHidden=true\n", false},
      {"our own entry", "applications/org.tollhaven.Tollhaven.desktop",
       "[Desktop Entry]\nExec=t %f\nMimeType=application/x-tollhaven-skin-pack;\n", false},
      {"a type in another group", "applications/packer.desktop",
       "[Desktop Action x]\nMimeType=application/x-tollhaven-skin-pack;\n", false},
      {"an unrelated entry", "applications/editor.desktop",
       "[Desktop Entry]\nExec=edit %f\nMimeType=text/plain;\n", false},
      {"not a desktop entry", "applications/skinner4moto.txt", "", false},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.name);
    fs::remove_all(root);
    fs::create_directories(root / "system");
    Write(root / "system" / c.file, c.content);
    EXPECT_EQ(SkinToolInstalled(dirs), c.tool);
  }
}

TEST_F(DesktopFiles, AnyTypeClaimingSkinPacksCounts) {
  // Programs run under Wine get a type of their own for the extension.
  Write(root / "system/applications/wine-extension-s4m.desktop",
        "[Desktop Entry]\nExec=wine start %f\nMimeType=application/x-wine-extension-s4m;\n");
  EXPECT_FALSE(SkinToolInstalled(dirs));
  Write(dirs.dataHome / "mime/globs2", "50:application/x-wine-extension-s4m:*.s4m\n");
  EXPECT_TRUE(SkinToolInstalled(dirs));

  Write(Mimeapps(), "[Default Applications]\napplication/x-tollhaven-skin-pack=old.desktop;\n");
  RegisterAssociations(dirs, "/opt/t/tollhaven", "<svg/>");
  EXPECT_EQ(Read(Package()), MimePackageXml({kPatchFileType}));
  EXPECT_EQ(DesktopEntryValue(Read(Entry()), "MimeType"), "application/x-tollhaven-patch;");
  // What the user had for skin packs stays as it was.
  EXPECT_EQ(Read(Mimeapps()),
            "[Default Applications]\napplication/x-tollhaven-skin-pack=old.desktop;\n"
            "application/x-tollhaven-patch=org.tollhaven.Tollhaven.desktop;\n");
}

TEST_F(DesktopFiles, NothingIsWrittenForAnExecutableNoEntryCanName) {
  AssociationOutcome outcome = RegisterAssociations(dirs, "/opt/bad\xFF/tollhaven", "<svg/>");
  EXPECT_EQ(outcome.filesWritten, 0);
  EXPECT_FALSE(fs::exists(dirs.dataHome));
  EXPECT_FALSE(fs::exists(dirs.configHome));
  EXPECT_EQ(RegisterAssociations({}, "/opt/t/tollhaven", "<svg/>").filesWritten, 0);
}

TEST_F(DesktopFiles, CompanionAutostartFollowsTheSetting) {
  const fs::path entry = dirs.configHome / "autostart/Lampwick.desktop";
  const fs::path companion = root / "bin/Lampwick";
  const auto write = [&](bool enabled) {
    return WriteCompanionAutostart(dirs.configHome, companion.string(), enabled);
  };
  // Not there, or not a program: no entry is made, enabled or hidden.
  EXPECT_EQ(write(true), FileUpdate::Unchanged);
  EXPECT_EQ(write(false), FileUpdate::Unchanged);
  fs::create_directories(companion);
  EXPECT_FALSE(CompanionPresent(companion));
  EXPECT_EQ(write(true), FileUpdate::Unchanged);
  fs::remove(companion);
  Write(companion, "#!/bin/sh\n");
  fs::permissions(companion, fs::perms::owner_read | fs::perms::owner_write);
  EXPECT_FALSE(CompanionPresent(companion));
  EXPECT_EQ(write(true), FileUpdate::Unchanged);
  EXPECT_FALSE(fs::exists(fs::symlink_status(entry)));

  fs::permissions(companion, fs::perms::owner_all);
  EXPECT_TRUE(CompanionPresent(companion));
  EXPECT_EQ(write(true), FileUpdate::Written);
  EXPECT_EQ(DesktopEntryValue(Read(entry), "Hidden"), "false");
  EXPECT_EQ(DesktopEntryValue(Read(entry), "Exec"), companion.string());
  EXPECT_EQ(write(true), FileUpdate::Unchanged);
  EXPECT_EQ(write(false), FileUpdate::Written);
  EXPECT_EQ(DesktopEntryValue(Read(entry), "Hidden"), "true");
  EXPECT_THAT(Read(entry), Not(HasSubstr("Hidden=false")));

  // The companion goes: turned off, the entry already there is still hidden; turned on, it is
  // not brought back for a program that is not there.
  EXPECT_EQ(write(true), FileUpdate::Written);
  fs::remove(companion);
  EXPECT_EQ(write(false), FileUpdate::Written);
  EXPECT_EQ(DesktopEntryValue(Read(entry), "Hidden"), "true");
  EXPECT_EQ(write(true), FileUpdate::Unchanged);
  EXPECT_EQ(DesktopEntryValue(Read(entry), "Hidden"), "true");
  EXPECT_EQ(WriteCompanionAutostart({}, companion.string(), true), FileUpdate::Failed);
}

}  // namespace
}  // namespace tollhaven
