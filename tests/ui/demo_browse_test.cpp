// A walk through the demo handset as a newcomer would take it in tollhaven-demo. With
// TOLLHAVEN_DEMO_SCREENSHOT set to a file name, the window is also saved there as a picture.
#include <QComboBox>
#include <QCoreApplication>
#include <QDir>
#include <QLineEdit>
#include <QTest>
#include <QTreeView>

#include "app/main_window.h"
#include "app/status_bar.h"
#include "demo/demo_handset.h"
#include "main_window_fixture.h"
#include "panels/ui/panel_operations.h"
#include "panels/ui/panels_state.h"

using namespace tollhaven;
using tollhaven::testing::Names;
using tollhaven::testing::QuietSettings;
using tollhaven::testing::WindowUnderTest;

namespace {

void Activate(MainWindow& window, int side, const QString& name) {
  const int row = static_cast<int>(Names(window, side).indexOf(name));
  QVERIFY2(row >= 0, qPrintable(name));
  window.list(side)->setCurrentIndex(window.list(side)->model()->index(row, 0));
  // As the user does it: Enter on the focused row.
  window.list(side)->setFocus();
  QTest::keyClick(window.list(side), Qt::Key_Return);
}

// The sample entries the build puts beside the programs, copied beside the window under test.
bool CopyTemplates(const std::filesystem::path& exeDir) {
  const std::filesystem::path built =
      (QCoreApplication::applicationDirPath() + QStringLiteral("/../../Templates")).toStdString();
  std::error_code error;
  std::filesystem::copy(built, exeDir / "Templates", std::filesystem::copy_options::recursive,
                        error);
  return !error;
}

}  // namespace

class DemoBrowseTest : public QObject {
  Q_OBJECT

 private slots:
  void browsesTheDemoHandset() {
    const std::unique_ptr<p2ksim::SimulatedHandset> handset =
        MakeDemoHandset(std::chrono::microseconds(0));
    WindowUnderTest test(QuietSettings(), {},
                         SimulatedReach(*handset, std::make_unique<ManualClock>()));
    QVERIFY(CopyTemplates(test.dir()));
    MainWindow& window = *test.window;
    QVERIFY(test.Show());

    window.driveSelector(kRight)->setCurrentIndex(0);
    onDriveChosen(window, kRight);
    QCOMPARE(window.status().partText(0), QStringLiteral("Space:12625 Kb"));
    // Each volume name is followed by its separator, shown as a blank.
    QCOMPARE(window.status().partText(1), QStringLiteral("Vols: /a /b "));
    QVERIFY2(window.status().partText(2).startsWith(QStringLiteral("Files:")),
             qPrintable(window.status().partText(2)));
    QVERIFY(window.status().partText(2).mid(6).toInt() > 200);
    QCOMPARE(window.status().partText(3), QStringLiteral("Model:V3"));
    QCOMPARE(Names(window, kRight), QStringList{"a"});

    Activate(window, kRight, QStringLiteral("a"));
    QCOMPARE(window.pathField(kRight)->text(), QStringLiteral("P2k:/a/"));
    QCOMPARE(Names(window, kRight), (QStringList{"..", "mobile"}));
    Activate(window, kRight, QStringLiteral("mobile"));
    QCOMPARE(window.pathField(kRight)->text(), QStringLiteral("P2k:/a/mobile/"));
    QCOMPARE(Names(window, kRight),
             (QStringList{"..", "audio", "picture", "skins", "system", "video"}));
    for (int row = 1; row < 6; ++row) {
      QCOMPARE(window.list(kRight)->model()->index(row, 1).data().toString(),
               QStringLiteral("< DIR >"));
      // The sample entry D gives directories their icon.
      QVERIFY(window.panels().model(kRight).rows()[static_cast<std::size_t>(row)].icon !=
              PanelIcons::kGenericFile);
    }

    const QString screenshot = qEnvironmentVariable("TOLLHAVEN_DEMO_SCREENSHOT");
    if (!screenshot.isEmpty()) {
      window.pathField(kLeft)->setText(QDir::homePath());
      fillLocalPanel(window, kLeft);
      window.list(kRight)->setFocus();
      QTest::qWait(50);
      QVERIFY(window.grab().save(screenshot));
    }

    Activate(window, kRight, QStringLiteral(".."));
    QCOMPARE(window.pathField(kRight)->text(), QStringLiteral("P2k:/a/"));
    QCOMPARE(QString::fromStdString(window.panel(kRight).handsetDir), QStringLiteral("/a/"));
  }
};

QTEST_MAIN(DemoBrowseTest)
#include "demo_browse_test.moc"
