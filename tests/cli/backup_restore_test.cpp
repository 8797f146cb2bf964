// backup and restore through the simulated handset.

#include <gmock/gmock.h>

#include "cli/backup_manifest.h"
#include "cli_fixture.h"

namespace tollhaven::testing {
namespace {

namespace fs = std::filesystem;
using ::testing::HasSubstr;

class BackupRestore : public CliTest {
 protected:
  void Seed(p2ksim::SimulatedHandset& handset) {
    handset.SetVolumes({"/a", "/b"});
    handset.AddFile("/a/mobile/audio/ring tone.mp3", Pattern(5000, 1), 0x0021, 0x07);
    handset.AddFile("/a/mobile/audio/caf\xE9.mp3", Pattern(1024, 2), 0x0004, 0x07);
    handset.AddFile("/a/mobile/system/boot.cfg", Pattern(10, 3), 0x0107, 0x01);
    handset.AddFile("/a/mobile/made/~tollhaven", Bytes("5"), 0x0004, 0x07);
    handset.AddFile("/a/empty.bin", {}, 0x0002, 0x07);
    handset.AddFile("/b/back\\slash\ttab.txt", Bytes("odd name"), 0x0040, 0x07);
  }

  std::string ManifestText() {
    const std::vector<uint8_t> bytes = ReadLocal(temp / "backup" / cli::kManifestName);
    return std::string(bytes.begin(), bytes.end());
  }
};

TEST_F(BackupRestore, BackupCopiesEveryVolumeAndWritesTheManifest) {
  Seed(sim);
  EXPECT_EQ(Run({"backup", (temp / "backup").string()}), cli::kExitSuccess) << err.str();
  EXPECT_EQ(LocalTree(temp / "backup"),
            (std::vector<std::string>{"a/empty.bin", "a/mobile/audio/caf\xC3\xA9.mp3",
                                      "a/mobile/audio/ring tone.mp3", "a/mobile/made/~tollhaven",
                                      "a/mobile/system/boot.cfg", "b/back\\slash\ttab.txt",
                                      std::string(cli::kManifestName)}));
  EXPECT_EQ(ReadLocal(temp / "backup/a/mobile/audio/ring tone.mp3"), Pattern(5000, 1));
  EXPECT_EQ(ManifestText(),
            "# tollhaven backup manifest 1\n"
            "# size, owner, attribute word, handset path\n"
            "0\t07\t0002\t/a/empty.bin\n"
            "1024\t07\t0004\t/a/mobile/audio/caf\xC3\xA9.mp3\n"
            "5000\t07\t0021\t/a/mobile/audio/ring tone.mp3\n"
            "1\t07\t0004\t/a/mobile/made/~tollhaven\n"
            "10\t01\t0107\t/a/mobile/system/boot.cfg\n"
            "8\t07\t0040\t/b/back\\\\slash\\x09tab.txt\n");
  EXPECT_THAT(out.str(), HasSubstr("6 fetched, 0 unchanged"));
}

TEST_F(BackupRestore, SecondBackupFetchesOnlyWhatChanged) {
  Seed(sim);
  const std::string backup = (temp / "backup").string();
  ASSERT_EQ(Run({"backup", backup}), cli::kExitSuccess) << err.str();

  sim.ClearReceived();
  EXPECT_EQ(Run({"backup", backup}), cli::kExitSuccess);
  EXPECT_EQ(Received(kRead), 0);
  EXPECT_THAT(out.str(), HasSubstr("0 fetched, 6 unchanged since the last backup (not fetched)"));

  // A file of another size comes again; a new attribute word is only written down.
  sim.AddFile("/a/mobile/system/boot.cfg", Pattern(2000, 9), 0x0107, 0x01);
  sim.AddFile("/a/empty.bin", {}, 0x0003, 0x07);
  sim.ClearReceived();
  EXPECT_EQ(Run({"backup", backup}), cli::kExitSuccess);
  EXPECT_EQ(Received(kRead), 2);  // 2000 bytes: one full block and the rest
  EXPECT_THAT(out.str(), HasSubstr("1 fetched, 5 unchanged"));
  EXPECT_EQ(ReadLocal(temp / "backup/a/mobile/system/boot.cfg"), Pattern(2000, 9));
  EXPECT_THAT(ManifestText(), HasSubstr("0\t07\t0003\t/a/empty.bin\n"));
}

TEST_F(BackupRestore, BackupOverADamagedManifestFetchesEverythingAgainAndRewritesIt) {
  Seed(sim);
  const fs::path backup = temp / "backup";
  WriteLocal(backup / cli::kManifestName, Bytes("# tollhaven backup manifest 1\nbroken line\n"));
  EXPECT_EQ(Run({"backup", backup.string()}), cli::kExitSuccess);
  EXPECT_THAT(err.str(), HasSubstr("line 2: fewer than four fields; every file is fetched again"));
  EXPECT_THAT(out.str(), HasSubstr("6 fetched"));
  EXPECT_THAT(ManifestText(), HasSubstr("5000\t07\t0021\t/a/mobile/audio/ring tone.mp3\n"));
}

TEST_F(BackupRestore, StoppedBackupWritesDownWhatItFetchedAndTheNextOneFetchesTheRest) {
  Seed(sim);
  const std::string backup = (temp / "backup").string();
  // The user asks to stop while the second file is on its way.
  std::atomic<bool> stop{false};
  int closes = 0;
  discovery.afterSend = [&] {
    const auto received = sim.Received();
    if (!received.empty() && received.back().subCommand() == 0x04 && ++closes == 2) {
      stop = true;
    }
  };
  link.reset();
  log = std::make_unique<EventLog>();
  link = std::make_unique<PhoneLink>(*log, clock);
  cli::CliEnvironment env(*link, discovery, out, err);
  env.stopRequested = &stop;
  EXPECT_EQ(cli::RunCli({"backup", backup}, env), cli::kExitFailed);
  EXPECT_THAT(err.str(), HasSubstr("backup: stopped on request"));
  EXPECT_THAT(out.str(), HasSubstr("2 fetched"));
  EXPECT_EQ(LocalTree(temp / "backup").size(), 3u);  // two files and the manifest

  discovery.afterSend = nullptr;
  sim.ClearReceived();
  EXPECT_EQ(Run({"backup", backup}), cli::kExitSuccess);
  EXPECT_THAT(out.str(), HasSubstr("4 fetched, 2 unchanged"));
}

TEST_F(BackupRestore, RestoreOntoAWipedHandsetGivesBackFilesBytesAndAttributeWords) {
  Seed(sim);
  const std::string backup = (temp / "backup").string();
  ASSERT_EQ(Run({"backup", backup}), cli::kExitSuccess) << err.str();

  p2ksim::SimulatedHandset wiped;
  wiped.SetVolumes({"/a", "/b"});
  SimulatedHandsetDiscovery toWiped(wiped, clock);
  link.reset();
  log = std::make_unique<EventLog>();
  link = std::make_unique<PhoneLink>(*log, clock);
  cli::CliEnvironment env(*link, toWiped, out, err);
  EXPECT_EQ(cli::RunCli({"restore", backup}, env), cli::kExitSuccess) << err.str();
  EXPECT_THAT(out.str(), HasSubstr("6 uploaded"));

  EXPECT_EQ(wiped.FilePaths(), sim.FilePaths());
  for (const std::string& path : sim.FilePaths()) {
    EXPECT_EQ(wiped.File(path)->contents, sim.File(path)->contents) << path;
    EXPECT_EQ(wiped.File(path)->attributes, sim.File(path)->attributes) << path;
  }

  // Run again, everything is there already.
  out.str("");
  wiped.ClearReceived();
  EXPECT_EQ(cli::RunCli({"restore", backup}, env), cli::kExitSuccess);
  EXPECT_THAT(out.str(), HasSubstr("0 uploaded, 0 given their attributes back, 6 already"));
}

TEST_F(BackupRestore, RestoreOnlyPutsBackWhatIsMissingOrDifferentUnderThePathAsked) {
  Seed(sim);
  const std::string backup = (temp / "backup").string();
  ASSERT_EQ(Run({"backup", backup}), cli::kExitSuccess);

  ASSERT_EQ(Run({"rm", "-r", "/a/mobile"}), cli::kExitSuccess);
  ASSERT_EQ(Run({"attr", "/a/empty.bin", "+r"}), cli::kExitSuccess);
  EXPECT_EQ(Run({"restore", backup, "--only", "/a/mobile/audio"}), cli::kExitSuccess) << err.str();
  EXPECT_THAT(out.str(), HasSubstr("2 uploaded"));
  EXPECT_EQ(sim.File("/a/mobile/audio/ring tone.mp3")->attributes, 0x0021);
  EXPECT_FALSE(sim.File("/a/mobile/system/boot.cfg").has_value());
  EXPECT_EQ(sim.File("/a/empty.bin")->attributes, 0x0003);

  EXPECT_EQ(Run({"restore", backup, "--only=/a/empty.bin"}), cli::kExitSuccess);
  EXPECT_THAT(out.str(), HasSubstr("0 uploaded, 1 given their attributes back"));
  EXPECT_EQ(sim.File("/a/empty.bin")->attributes, 0x0002);
}

TEST_F(BackupRestore, RestoreGoesOnPastAMissingLocalCopy) {
  Seed(sim);
  const std::string backup = (temp / "backup").string();
  ASSERT_EQ(Run({"backup", backup}), cli::kExitSuccess);
  fs::remove(temp / "backup/a/mobile/system/boot.cfg");

  p2ksim::SimulatedHandset wiped;
  wiped.SetVolumes({"/a", "/b"});
  SimulatedHandsetDiscovery toWiped(wiped, clock);
  link.reset();
  log = std::make_unique<EventLog>();
  link = std::make_unique<PhoneLink>(*log, clock);
  cli::CliEnvironment env(*link, toWiped, out, err);
  EXPECT_EQ(cli::RunCli({"restore", backup}, env), cli::kExitFailed);
  EXPECT_THAT(err.str(), HasSubstr("Skipped, cannot read boot.cfg"));
  EXPECT_EQ(wiped.FilePaths().size(), 5u);
}

TEST_F(BackupRestore, MalformedManifestIsRefusedBeforeTheHandsetIsTouched) {
  const fs::path backup = temp / "backup";
  const std::string header = "# tollhaven backup manifest 1\n";
  const struct {
    std::string text;
    std::string says;
  } cases[] = {
      {"size owner word path\n", "no backup manifest of this program"},
      {header + "12\t07\t0004\n", "line 2: fewer than four fields"},
      {header + "12\t7\t0004\t/a/x\n", "line 2: a size, owner or attribute word"},
      {header + "-1\t07\t0004\t/a/x\n", "line 2: a size, owner or attribute word"},
      {header + "99999999999\t07\t0004\t/a/x\n", "line 2: a size, owner or attribute word"},
      {header + "1\t07\t0004\t/a/../../etc/passwd\n", "line 2: a path that is no file"},
      {header + "1\t07\t0004\t/d/x\n", "line 2: a path that is no file"},
      {header + "1\t07\t0004\t/a/x\\q\n", "line 2: a path that is no file"},
      {header + "1\t07\t0004\t/a/\xE6\x97\xA5\n", "line 2: a path that is no file"},
      {header + "1\t07\t0004\t/a/x\n# note\n2\t07\t0004\t/a/x\n", "line 4: a path listed twice"},
  };
  for (const auto& c : cases) {
    WriteLocal(backup / cli::kManifestName, Bytes(c.text));
    EXPECT_EQ(Run({"restore", backup.string()}), cli::kExitUsage) << c.says;
    EXPECT_THAT(err.str(), HasSubstr(c.says));
  }
  EXPECT_EQ(discovery.searches, 0);

  // Someone else's file of that name is not overwritten by a backup either.
  WriteLocal(backup / cli::kManifestName, Bytes("my own notes\n"));
  EXPECT_EQ(Run({"backup", backup.string()}), cli::kExitUsage);
  EXPECT_EQ(ReadLocal(backup / cli::kManifestName), Bytes("my own notes\n"));
}

TEST_F(BackupRestore, ArgumentsAndTheHandsetAreCheckedBeforeAnythingIsCreated) {
  // An empty name is a usage error, never a directory or a manifest in the current directory.
  for (const char* command : {"backup", "restore"}) {
    EXPECT_EQ(Run({command, ""}), cli::kExitUsage) << command;
    EXPECT_THAT(err.str(), HasSubstr("the directory name is empty")) << command;
  }
  EXPECT_EQ(discovery.searches, 0);

  // No handset: the directory asked for is not made.
  discovery.plugged = false;
  const fs::path backup = temp / "new" / "backup";
  EXPECT_EQ(Run({"backup", backup.string()}), cli::kExitNoHandset);
  EXPECT_FALSE(fs::exists(temp / "new"));
}

}  // namespace
}  // namespace tollhaven::testing
