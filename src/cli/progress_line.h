#pragma once

#include <cstdint>
#include <iosfwd>
#include <string>

#include "support/clock.h"
#include "support/progress_sink.h"

namespace tollhaven::cli {

// The one line on standard error that follows long work: bytes, files, rate and time left. The
// handset steps it once per block of a file; the command tells it where files begin and end.
// Disabled, it counts all the same but writes nothing.
class ProgressLine : public ProgressSink {
 public:
  ProgressLine(std::ostream& err, Clock& clock, bool enabled);

  void BeginJob(uint64_t totalBytes, uint32_t totalFiles);
  void BeginFile(uint32_t size);
  // The file is done with (moved, skipped or failed): all its bytes count as handled.
  void EndFile();
  // For work that does not tell where its files begin (a patch file): every block stepped counts
  // as a whole block of bytes.
  void CountEveryBlock() { everyBlock_ = true; }
  // Clears the line, so that what follows starts on an empty line.
  void Finish();

  void SetRange(int, int) override {}
  void SetStep(int) override {}
  void SetPosition(int) override {}
  void StepIt() override;

  // "4.0 MiB / 20.0 MiB  200/2000 files  1.3 MiB/s  0:12 left"
  std::string Text() const;
  uint64_t bytesDone() const;

 private:
  void Show(bool now);

  std::ostream& err_;
  Clock& clock_;
  bool enabled_;
  uint64_t totalBytes_ = 0;
  uint32_t totalFiles_ = 0;
  uint64_t finishedBytes_ = 0;
  uint32_t finishedFiles_ = 0;
  uint32_t fileSize_ = 0;
  uint32_t fileBlocks_ = 0;
  bool inFile_ = false;
  bool everyBlock_ = false;
  uint32_t started_ = 0;
  uint32_t shown_ = 0;
  std::size_t shownLength_ = 0;
};

// "1.5 MiB", "312 B": a byte count for people.
std::string ByteCountText(uint64_t bytes);

}  // namespace tollhaven::cli
