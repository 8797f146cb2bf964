#include "cli/progress_line.h"

#include <algorithm>
#include <cstdio>
#include <ostream>

#include "handset/handset.h"

namespace tollhaven::cli {

namespace {

// Often enough to look alive, seldom enough not to slow a fast transfer down.
constexpr uint32_t kShowEveryMs = 200;

}  // namespace

std::string ByteCountText(uint64_t bytes) {
  char text[32];
  if (bytes < 1024) {
    std::snprintf(text, sizeof text, "%llu B", static_cast<unsigned long long>(bytes));
  } else if (bytes < 1024 * 1024) {
    std::snprintf(text, sizeof text, "%.1f KiB", static_cast<double>(bytes) / 1024.0);
  } else {
    std::snprintf(text, sizeof text, "%.1f MiB", static_cast<double>(bytes) / (1024.0 * 1024.0));
  }
  return text;
}

ProgressLine::ProgressLine(std::ostream& err, Clock& clock, bool enabled)
    : err_(err), clock_(clock), enabled_(enabled) {}

void ProgressLine::BeginJob(uint64_t totalBytes, uint32_t totalFiles) {
  totalBytes_ = totalBytes;
  totalFiles_ = totalFiles;
  finishedBytes_ = 0;
  finishedFiles_ = 0;
  inFile_ = false;
  started_ = clock_.TickCount();
  shown_ = started_;
  Show(true);
}

void ProgressLine::BeginFile(uint32_t size) {
  fileSize_ = size;
  fileBlocks_ = 0;
  inFile_ = true;
}

void ProgressLine::EndFile() {
  if (!inFile_) {
    return;
  }
  inFile_ = false;
  finishedBytes_ += fileSize_;
  ++finishedFiles_;
  Show(false);
}

void ProgressLine::StepIt() {
  if (everyBlock_) {
    finishedBytes_ += kFileBlockSize;
  } else if (!inFile_) {
    // The file list's load steps it too; only the blocks of a file count.
    return;
  } else {
    ++fileBlocks_;
  }
  Show(false);
}

uint64_t ProgressLine::bytesDone() const {
  const uint64_t inFile =
      inFile_ ? std::min<uint64_t>(uint64_t{fileBlocks_} * kFileBlockSize, fileSize_) : 0;
  return finishedBytes_ + inFile;
}

std::string ProgressLine::Text() const {
  const uint64_t done = bytesDone();
  std::string text = ByteCountText(done) + " / " + ByteCountText(totalBytes_) + "  " +
                     std::to_string(finishedFiles_) + "/" + std::to_string(totalFiles_) + " files";
  const uint32_t elapsed = clock_.TickCount() - started_;
  if (elapsed > 0 && done > 0) {
    const double perSecond = static_cast<double>(done) * 1000.0 / elapsed;
    const auto left = static_cast<uint64_t>(
        static_cast<double>(totalBytes_ - std::min(done, totalBytes_)) / perSecond);
    char tail[64];
    std::snprintf(tail, sizeof tail, "/s  %llu:%02llu left",
                  static_cast<unsigned long long>(left / 60),
                  static_cast<unsigned long long>(left % 60));
    text += "  " + ByteCountText(static_cast<uint64_t>(perSecond)) + tail;
  }
  return text;
}

void ProgressLine::Show(bool now) {
  if (!enabled_) {
    return;
  }
  const uint32_t tick = clock_.TickCount();
  if (!now && tick - shown_ < kShowEveryMs) {
    return;
  }
  shown_ = tick;
  const std::string text = Text();
  // Blanks over what is left of a longer line before it.
  const std::size_t pad = shownLength_ > text.size() ? shownLength_ - text.size() : 0;
  err_ << '\r' << text << std::string(pad, ' ') << std::flush;
  shownLength_ = text.size();
}

void ProgressLine::Finish() {
  if (enabled_ && shownLength_ > 0) {
    err_ << '\r' << std::string(shownLength_, ' ') << '\r' << std::flush;
  }
  shownLength_ = 0;
}

}  // namespace tollhaven::cli
