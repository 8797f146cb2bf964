#pragma once

class QString;

namespace tollhaven {

class MainWindow;

// The program started with a file. A skin pack (".s4m", compared byte for byte and
// case-sensitively) gets a message and the window's normal close. Anything else is a patch file:
// dialog 1600 shows it, its start button connects to the handset, shows the handset in the
// right panel and runs every line through PatchExecutor; the outcome is reported (a restart
// question after a completed run, "Phone not connected!" when the handset was not found,
// nothing after cancel), and the program ends without writing ".config" or ".log". A run in
// which lines failed, or that Cancel in the wait dialog stopped, says so in its restart question
// instead, and writes ".log" first so that the user can learn why.
// Without a non-empty argument 1 it does nothing. The fourth start-up task
// (RunCommandLineArgument) calls it.
void RunStartupArgument(MainWindow& window);
// The fourth start-up task: the program's argument 1, when it has one, as RunStartupArgument
// takes it.
void RunCommandLineArgument(MainWindow& window);

}  // namespace tollhaven
