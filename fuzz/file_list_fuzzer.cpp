// File-list chunks from the handset, then the handset directory view and the cached edits over
// whatever the load kept.

#include <fuzzer/FuzzedDataProvider.h>

#include <memory>
#include <string>
#include <string_view>
#include <vector>

#include "fuzzed_transport.h"
#include "handset/phone_file_list.h"
#include "link/phone_link.h"
#include "panels/handset_view.h"
#include "support/clock.h"
#include "support/event_log.h"
#include "support/settings.h"
#include "support/status_sink.h"
#include "support/worker_signal.h"

using namespace tollhaven;

namespace {

struct NoIcons : HandsetIcons {
  int ParentRowIcon() override { return 1; }
  int TemplateIcon(std::string_view name) override { return name.size() % 2 == 0 ? 2 : -1; }
};

struct NoStatus : StatusSink {
  void SetStatusText(int, std::string_view) override {}
};

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, std::size_t size) {
  FuzzedDataProvider input(data, size);
  Settings settings;
  constexpr int32_t kHandsetTypes[] = {0, 1, 3};
  settings.handsetType = input.PickValueInArray(kHandsetTypes);
  settings.fileLimit = input.ConsumeBool() ? -1 : input.ConsumeIntegral<int32_t>();
  settings.partitionA = input.ConsumeBool();
  settings.partitionB = input.ConsumeBool();
  settings.partitionC = input.ConsumeBool();
  // What the edits and the views work on comes first, so the handset's answers can use up the
  // rest of the input.
  std::vector<std::string> paths;
  for (int i = input.ConsumeIntegralInRange<int>(0, 6); i > 0; --i) {
    paths.push_back(input.ConsumeRandomLengthString(200));
  }
  const bool volumeInfo = input.ConsumeBool();
  const auto attribute = input.ConsumeIntegral<uint32_t>();

  EventLog log;
  ManualClock clock;
  PhoneLink link(log, clock);
  link.SetTransport(std::make_unique<fuzz::FuzzedTransport>(input));
  Handset handset(link);
  PhoneFileList list(handset, settings);
  if (volumeInfo) {
    NoStatus status;
    list.LoadVolumeInfo(status);
  }
  WorkerSignal signal;
  list.FileListWorker(signal);

  // Every directory the list names, and the ones the fuzzer asks for.
  std::vector<std::string> dirs = {"/", "/a/", "/b/", "/c/"};
  list.ForEachEntry([&](const FileListEntry& entry) {
    dirs.push_back(HandsetDirOf(entry.name));
    paths.emplace_back(entry.name);
  });
  for (const std::string& path : paths) {
    dirs.push_back(HandsetDirOf(path));
  }
  auto fill = [&] {
    for (const std::string& dir : dirs) {
      NoIcons icons;
      std::vector<PanelRow> rows;
      fillHandsetPanel(
          {kLeftSide, dir, true, false}, list, icons, [] {}, rows);
      for (const PanelRow& row : rows) {
        activateHandsetRow(row, dir);
        AttributeWordOfText(row.column2);
      }
    }
  };
  fill();

  for (std::size_t i = 0; i < paths.size(); ++i) {
    switch ((attribute >> (2 * (i % 16))) & 3) {
      case 0:
        list.AddCachedFileRecord(paths[i], attribute, attribute >> 3);
        break;
      case 1:
        list.MarkCachedRecordDeleted(paths[i]);
        break;
      case 2:
        list.SetCachedAttribute(paths[i], attribute);
        break;
      default:
        list.HoldsFile(paths[i]);
        break;
    }
  }
  fill();
  list.Release();
  return 0;
}
