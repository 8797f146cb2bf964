#pragma once

#include <QApplication>
#include <QPushButton>
#include <QTest>
#include <QTimer>

#include "emulator/simulated_handset.h"
#include "support/ui/wait_dialog.h"

namespace tollhaven::testing {

// Presses the wait dialog's Cancel once the simulated handset has received `commands` commands
// of the file-system sub-command `subCommand`.
struct CancelUnderWay {
  CancelUnderWay(const p2ksim::SimulatedHandset& handset, int subCommand, int commands) {
    poll.setInterval(10);
    QObject::connect(&poll, &QTimer::timeout, [this, &handset, subCommand, commands] {
      auto* dialog = qobject_cast<WaitDialog*>(QApplication::activeModalWidget());
      int seen = 0;
      for (const auto& command : handset.Received()) {
        seen += command.subCommand() == subCommand;
      }
      if (dialog == nullptr || seen < commands) {
        return;
      }
      poll.stop();
      QTest::mouseClick(dialog->findChild<QPushButton*>(QStringLiteral("cancelButton")),
                        Qt::LeftButton);
      pressed = true;
    });
    poll.start();
  }
  QTimer poll;
  bool pressed = false;
};

}  // namespace tollhaven::testing
