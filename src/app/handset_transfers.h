#pragma once

namespace tollhaven {

class MainWindow;

// Copy between a local panel and a handset panel: the selected files of the active panel go to
// the other one, each under the wait dialog while the progress bar follows it.
void UploadSelection(MainWindow& window);
void DownloadSelection(MainWindow& window);

}  // namespace tollhaven
