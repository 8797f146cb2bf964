#include "emulator/demo_seed.h"

#include <array>
#include <cstdio>
#include <random>
#include <string>
#include <vector>

#include "emulator/simulated_handset.h"

namespace p2ksim {
namespace {

// One fixed seed: the demo shows the same handset on every run and every machine
// (std::mt19937's sequence is fixed by the standard; only raw draws are used).
constexpr uint32_t kSeed = 20040704;

constexpr std::array<uint8_t, 4> kOwners = {0x07, 0x16, 0x0E, 0x2A};

class Seeder {
 public:
  explicit Seeder(SimulatedHandset& handset) : handset_(handset), random_(kSeed) {}

  uint32_t Between(uint32_t low, uint32_t high) { return low + random_() % (high - low + 1); }

  template <std::size_t N>
  auto Pick(const std::array<const char*, N>& names) {
    return names[random_() % N];
  }

  // A file of `size` bytes that opens with the format's signature, the rest noise.
  void Add(const std::string& path, const std::string& signature, uint32_t size,
           uint16_t attributes, uint8_t owner) {
    std::vector<uint8_t> contents(size);
    uint32_t state = random_() | 1;
    for (std::size_t i = 0; i < contents.size(); ++i) {
      state ^= state << 13;
      state ^= state >> 17;
      state ^= state << 5;
      contents[i] =
          i < signature.size() ? static_cast<uint8_t>(signature[i]) : static_cast<uint8_t>(state);
    }
    handset_.AddFile(path, std::move(contents), attributes, owner);
  }

  uint8_t Owner() { return kOwners[random_() % kOwners.size()]; }

  // Mostly plain user files, now and then archived, hidden, read-only or no-copy.
  uint16_t UserAttributes() {
    static constexpr std::array<uint16_t, 10> kWords = {0x00, 0x00, 0x00, 0x20, 0x20,
                                                        0x21, 0x01, 0x02, 0x40, 0x0120};
    return kWords[random_() % kWords.size()];
  }

 private:
  SimulatedHandset& handset_;
  std::mt19937 random_;
};

std::string Numbered(const char* format, unsigned number) {
  char text[64];
  std::snprintf(text, sizeof text, format, number);
  return text;
}

void SeedAudio(Seeder& seed) {
  static constexpr std::array<const char*, 16> kTunes = {
      "Bells",   "Chimes", "Morning", "Latin", "Jazz", "Siren", "Alarm", "Beep",
      "Classic", "Dance",  "Funk",    "Harp",  "Pop",  "Rock",  "Tango", "Waltz"};
  for (unsigned i = 1; i <= 44; ++i) {
    seed.Add("/a/mobile/audio/" + std::string(seed.Pick(kTunes)) + Numbered("_%02u.mid", i), "MThd",
             seed.Between(2'000, 18'000), seed.UserAttributes(), seed.Owner());
  }
  for (unsigned i = 1; i <= 18; ++i) {
    seed.Add(Numbered("/a/mobile/audio/Track %02u.mp3", i), "ID3\x03", seed.Between(20'000, 60'000),
             seed.UserAttributes(), seed.Owner());
  }
  for (unsigned i = 1; i <= 16; ++i) {
    seed.Add(Numbered("/a/mobile/audio/Voice%03u.amr", i), "#!AMR\n", seed.Between(1'500, 9'000),
             seed.UserAttributes(), 0x07);
  }
  for (const char* name : {"Alert.wav", "Click.wav", "PowerOn.wav", "PowerOff.wav"}) {
    seed.Add(std::string("/a/mobile/audio/") + name, "RIFF", seed.Between(3'000, 12'000), 0x04,
             0x16);
  }
}

void SeedPictures(Seeder& seed) {
  static constexpr std::array<const char*, 10> kSubjects = {
      "Beach", "Sunset", "Mountain", "City", "Family", "Friends", "Dog", "Cat", "Flower", "Car"};
  for (unsigned i = 1; i <= 64; ++i) {
    seed.Add(Numbered("/a/mobile/picture/IMG_%04u.jpg", 100 + i), "\xFF\xD8\xFF\xE0",
             seed.Between(6'000, 28'000), seed.UserAttributes(), 0x07);
  }
  for (unsigned i = 1; i <= 30; ++i) {
    seed.Add("/a/mobile/picture/" + std::string(seed.Pick(kSubjects)) + Numbered("%02u.gif", i),
             "GIF89a", seed.Between(1'000, 9'000), seed.UserAttributes(), seed.Owner());
  }
  for (const char* name : {"Wallpaper.jpg", "Screensaver.gif", "Operator.gif"}) {
    seed.Add(std::string("/a/mobile/picture/") + name, "\xFF\xD8\xFF\xE0",
             seed.Between(8'000, 20'000), 0x40, 0x2A);
  }
}

void SeedSkins(Seeder& seed) {
  static constexpr std::array<const char*, 6> kSkins = {"Default",  "Aqua",    "Carbon",
                                                        "Graphite", "Sunrise", "Neon"};
  static constexpr std::array<const char*, 7> kParts = {
      "background.gif", "softkeys.gif", "title.gif",    "icons.gif",
      "menu.gif",       "status.gif",   "highlight.gif"};
  for (const char* skin : kSkins) {
    const std::string dir = std::string("/a/mobile/skins/") + skin + "/";
    const bool builtIn = std::string(skin) == "Default";
    seed.Add(dir + "skin.ini", "[Skin]\r\n", seed.Between(300, 1'200), builtIn ? 0x05 : 0x20,
             builtIn ? 0x0E : 0x07);
    for (const char* part : kParts) {
      seed.Add(dir + part, "GIF89a", seed.Between(400, 6'000), builtIn ? 0x05 : 0x00,
               builtIn ? 0x0E : 0x07);
    }
  }
}

void SeedVideo(Seeder& seed) {
  for (unsigned i = 1; i <= 6; ++i) {
    seed.Add(Numbered("/a/mobile/video/VID_%04u.3gp", i),
             std::string("\0\0\0\x14"
                         "ftyp3gp4",
                         12),
             seed.Between(60'000, 220'000), seed.UserAttributes(), 0x07);
  }
  seed.Add("/a/mobile/video/Intro.3gp",
           std::string("\0\0\0\x14"
                       "ftyp3gp4",
                       12),
           150'000, 0x41, 0x2A);
}

void SeedSystem(Seeder& seed) {
  static constexpr std::array<const char*, 12> kKinds = {
      "phonebook", "calendar",  "sms_inbox", "sms_outbox", "mms_index", "java_reg",
      "wap_cache", "bookmarks", "alarms",    "profiles",   "themes",    "lang_pack"};
  for (const char* kind : kKinds) {
    for (unsigned i = 0; i < 3; ++i) {
      seed.Add("/a/mobile/system/" + std::string(kind) + Numbered("%u.dat", i), "P2KDB",
               seed.Between(200, 16'000), i == 0 ? 0x04 : 0x06, kOwners[(i + 1) % kOwners.size()]);
    }
  }
  for (const char* name : {"config.cfg", "setup.cfg", "network.cfg", "usb.cfg"}) {
    seed.Add(std::string("/a/mobile/system/") + name, "[cfg]\r\n", seed.Between(100, 2'000), 0x05,
             0x16);
  }
  seed.Add("/a/mobile/system/firmware.ver", "R374_G_0E.30.49R", 16, 0x0107, 0x2A);
  seed.Add("/a/mobile/system/empty.log", "", 0, 0x20, 0x0E);
}

void SeedMemoryCard(Seeder& seed, SimulatedHandset& handset) {
  handset.AddDirectory("/b/mobile/picture");
  handset.AddDirectory("/b/mobile/audio");
  handset.AddDirectory("/b/backup");
  for (unsigned i = 1; i <= 5; ++i) {
    seed.Add(Numbered("/b/mobile/picture/Holiday%02u.jpg", i), "\xFF\xD8\xFF\xE0",
             seed.Between(20'000, 45'000), 0x20, 0x07);
  }
  for (unsigned i = 1; i <= 3; ++i) {
    seed.Add(Numbered("/b/mobile/audio/Album Track %u.mp3", i), "ID3\x03",
             seed.Between(80'000, 120'000), 0x00, 0x07);
  }
}

}  // namespace

void SeedDemoFileSystem(SimulatedHandset& handset) {
  Seeder seed(handset);
  handset.SetVolumes({"/a", "/b"});
  handset.SetFreeSpace(12u * 1024 * 1024 + 345'678);
  handset.SetModel("V3");
  for (const char* dir : {"/a/mobile/audio", "/a/mobile/picture", "/a/mobile/skins",
                          "/a/mobile/video", "/a/mobile/system", "/a/mobile/java"}) {
    handset.AddDirectory(dir);
  }
  SeedAudio(seed);
  SeedPictures(seed);
  SeedSkins(seed);
  SeedVideo(seed);
  SeedSystem(seed);
  SeedMemoryCard(seed, handset);
}

}  // namespace p2ksim
