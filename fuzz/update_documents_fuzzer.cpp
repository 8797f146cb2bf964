// The update check's two documents: the latest release and the message.

#include <fuzzer/FuzzedDataProvider.h>

#include <string>

#include "support/update_version.h"

using namespace tollhaven;

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, std::size_t size) {
  FuzzedDataProvider input(data, size);
  const std::string caption = input.ConsumeRandomLengthString(64);
  const std::string latestDocument = input.ConsumeRandomLengthString(2 * kUpdateDocumentLimit);
  const std::string messageDocument = input.ConsumeRemainingBytesAsString();

  const LatestRelease latest = ParseLatest(latestDocument);
  IsSameRelease(latest, UpdateVersionKey(caption));
  MayOpenUpdateAddress(latest.address);
  UpdateMessageText(messageDocument);
  return 0;
}
