#include <QCheckBox>
#include <QLabel>
#include <QPushButton>
#include <QRadioButton>
#include <QSlider>
#include <QTest>
#include <optional>

#include "support/settings.h"
#include "support/ui/control_ids.h"
#include "support/ui/options_dialog.h"

using tollhaven::FindControl;
using tollhaven::OptionsDialog;
using tollhaven::Settings;

using SettingsField = int32_t Settings::*;
Q_DECLARE_METATYPE(SettingsField)

class OptionsDialogTest : public QObject {
  Q_OBJECT

 private slots:
  void init() {
    settings_ = Settings{};
    applied_.reset();
    applyCalls_ = 0;
    dialogSeenByCallback_ = nullptr;
  }

  void sliderStartsFromFileLimit_data() {
    QTest::addColumn<int>("fileLimit");
    QTest::addColumn<int>("position");
    QTest::addColumn<QString>("label");
    QTest::newRow("unlimited") << -1 << 510 << "Unlimited";
    QTest::newRow("in range") << 100 << 100 << "100";
    QTest::newRow("below range, clamped") << 3 << 10 << "10";
    QTest::newRow("above range, clamped") << 5000 << 510 << "Unlimited";
  }
  void sliderStartsFromFileLimit() {
    QFETCH(int, fileLimit);
    QFETCH(int, position);
    QFETCH(QString, label);
    settings_.fileLimit = fileLimit;
    auto dialog = MakeDialog();
    QCOMPARE(Slider(*dialog)->value(), position);
    QCOMPARE(ValueLabel(*dialog)->text(), label);
    QCOMPARE(Slider(*dialog)->minimum(), 10);
    QCOMPARE(Slider(*dialog)->maximum(), 510);
    QCOMPARE(Slider(*dialog)->tickInterval(), 50);
  }

  void sliderReachesFileLimitOnOk_data() {
    QTest::addColumn<int>("key");
    QTest::addColumn<QString>("label");
    QTest::addColumn<int>("fileLimit");
    QTest::newRow("right end") << int(Qt::Key_End) << "Unlimited" << -1;
    QTest::newRow("left end") << int(Qt::Key_Home) << "10" << 10;
    QTest::newRow("one step left of the end") << int(Qt::Key_Left) << "509" << 509;
  }
  void sliderReachesFileLimitOnOk() {
    QFETCH(int, key);
    QFETCH(QString, label);
    QFETCH(int, fileLimit);
    settings_.fileLimit = -1;
    auto dialog = MakeDialog();
    Show(*dialog);
    QCOMPARE(QApplication::focusWidget(), Slider(*dialog));
    QTest::keyClick(QApplication::focusWidget(), Qt::Key(key));
    QCOMPARE(ValueLabel(*dialog)->text(), label);
    QCOMPARE(settings_.fileLimit, -1);  // not before OK

    Button(*dialog, OptionsDialog::kOkButtonId)->click();
    QVERIFY(!dialog->isVisible());
    QCOMPARE(settings_.fileLimit, fileLimit);
  }

  void cancelKeepsFileLimitButKeepsToggledBoxes() {
    settings_.fileLimit = 100;
    settings_.fadeIn = 1;
    auto dialog = MakeDialog();
    Show(*dialog);
    Slider(*dialog)->setValue(510);
    Check(*dialog, OptionsDialog::kFadeInCheckId)->click();
    QCOMPARE(settings_.fadeIn, 0);

    Button(*dialog, OptionsDialog::kCancelButtonId)->click();
    QVERIFY(!dialog->isVisible());
    QCOMPARE(settings_.fileLimit, 100);
    QCOMPARE(settings_.fadeIn, 0);
    QCOMPARE(applyCalls_, 0);
  }

  void escapeAndCloseBoxActAsCancel() {
    for (bool useEscape : {true, false}) {
      settings_.fileLimit = 200;
      applyCalls_ = 0;
      auto dialog = MakeDialog();
      Show(*dialog);
      Slider(*dialog)->setValue(10);
      if (useEscape) {
        QTest::keyClick(dialog.get(), Qt::Key_Escape);
      } else {
        dialog->close();
      }
      QVERIFY(!dialog->isVisible());
      QCOMPARE(settings_.fileLimit, 200);
      QCOMPARE(applyCalls_, 0);
    }
  }

  void okAppliesAutoStartAfterTheDialogEnds_data() {
    QTest::addColumn<int>("autoStart");
    QTest::addColumn<bool>("toggle");
    QTest::addColumn<bool>("applied");
    QTest::newRow("on, untouched") << 1 << false << true;
    QTest::newRow("on, turned off") << 1 << true << false;
    QTest::newRow("off, turned on") << 0 << true << true;
  }
  void okAppliesAutoStartAfterTheDialogEnds() {
    QFETCH(int, autoStart);
    QFETCH(bool, toggle);
    QFETCH(bool, applied);
    settings_.autoStart = autoStart;
    auto dialog = MakeDialog();
    dialogSeenByCallback_ = dialog.get();
    Show(*dialog);
    if (toggle) {
      Check(*dialog, OptionsDialog::kAutoStartCheckId)->click();
    }
    Button(*dialog, OptionsDialog::kOkButtonId)->click();
    QCOMPARE(applyCalls_, 1);
    QCOMPARE(applied_, std::optional<bool>(applied));
    QVERIFY(!visibleDuringApply_);
  }

  void checkBoxesTakeEffectOnClick_data() {
    QTest::addColumn<int>("controlId");
    QTest::addColumn<SettingsField>("field");
    QTest::addColumn<int>("before");
    QTest::addColumn<bool>("checkedBefore");
    QTest::addColumn<int>("after");
    QTest::newRow("fade in off") << 1510 << &Settings::fadeIn << 1 << true << 0;
    QTest::newRow("fade in on") << 1510 << &Settings::fadeIn << 0 << false << 1;
    QTest::newRow("fade in from a stray value") << 1510 << &Settings::fadeIn << 7 << false << 1;
    QTest::newRow("no reminder") << 1560 << &Settings::showReminder << 1 << false << 0;
    QTest::newRow("reminder back") << 1560 << &Settings::showReminder << 0 << true << 1;
    QTest::newRow("update check off") << 1561 << &Settings::checkUpdate << 1 << true << 0;
    QTest::newRow("auto start on") << 1562 << &Settings::autoStart << 0 << false << 1;
  }
  void checkBoxesTakeEffectOnClick() {
    QFETCH(int, controlId);
    QFETCH(SettingsField, field);
    QFETCH(int, before);
    QFETCH(bool, checkedBefore);
    QFETCH(int, after);
    settings_.*field = before;
    auto dialog = MakeDialog();
    Show(*dialog);
    QCheckBox* box = Check(*dialog, controlId);
    QCOMPARE(box->isChecked(), checkedBefore);
    QCOMPARE(settings_.*field, before);  // showing the box changes nothing
    QTest::mouseClick(box, Qt::LeftButton, {}, QPoint(6, box->height() / 2));
    QCOMPARE(box->isChecked(), !checkedBefore);
    QCOMPARE(settings_.*field, after);
  }

  void handsetTypeRadios_data() {
    QTest::addColumn<int>("handsetType");
    QTest::addColumn<int>("checkedId");  // 0: none
    QTest::newRow("standard") << 0 << 1511;
    QTest::newRow("safe 3G") << 1 << 1513;
    QTest::newRow("fast 3G") << 3 << 1512;
    QTest::newRow("unknown value") << 2 << 0;
  }
  void handsetTypeRadios() {
    QFETCH(int, handsetType);
    QFETCH(int, checkedId);
    settings_.handsetType = handsetType;
    auto dialog = MakeDialog();
    for (int id : {1511, 1512, 1513}) {
      QCOMPARE(Radio(*dialog, id)->isChecked(), id == checkedId);
    }
    Show(*dialog);
    const std::pair<int, int> clicks[] = {{1512, 3}, {1513, 1}, {1511, 0}};
    for (auto [id, value] : clicks) {
      Radio(*dialog, id)->click();
      QCOMPARE(settings_.handsetType, value);
    }
    QCOMPARE(settings_.fileLimit, -1);
  }

  void partitionRadiosKeepExactlyOneFlag() {
    settings_.partitionA = 1;
    auto dialog = MakeDialog();
    QVERIFY(Radio(*dialog, OptionsDialog::kPartitionARadioId)->isChecked());
    Show(*dialog);
    const std::tuple<int, int, int, int> clicks[] = {
        {1551, 0, 1, 0}, {1552, 0, 0, 1}, {1550, 1, 0, 0}};
    for (auto [id, a, b, c] : clicks) {
      Radio(*dialog, id)->click();
      QCOMPARE(settings_.partitionA, a);
      QCOMPARE(settings_.partitionB, b);
      QCOMPARE(settings_.partitionC, c);
    }
  }

  void valueLabelIsBold() {
    auto dialog = MakeDialog();
    QCOMPARE(ValueLabel(*dialog)->font().weight(), QFont::DemiBold);
    QCOMPARE(ValueLabel(*dialog)->font().pixelSize(), 13);
  }

 private:
  std::unique_ptr<OptionsDialog> MakeDialog() {
    return std::make_unique<OptionsDialog>(settings_, [this](bool on) {
      ++applyCalls_;
      applied_ = on;
      visibleDuringApply_ = dialogSeenByCallback_ && dialogSeenByCallback_->isVisible();
    });
  }
  static void Show(QDialog& dialog) {
    dialog.show();
    QVERIFY(QTest::qWaitForWindowActive(&dialog));
  }
  static QSlider* Slider(QWidget& w) {
    return FindControl<QSlider>(&w, OptionsDialog::kFileCountSliderId);
  }
  static QLabel* ValueLabel(QWidget& w) {
    return FindControl<QLabel>(&w, OptionsDialog::kFileCountValueLabelId);
  }
  static QPushButton* Button(QWidget& w, int id) { return FindControl<QPushButton>(&w, id); }
  static QCheckBox* Check(QWidget& w, int id) { return FindControl<QCheckBox>(&w, id); }
  static QRadioButton* Radio(QWidget& w, int id) { return FindControl<QRadioButton>(&w, id); }

  Settings settings_;
  std::optional<bool> applied_;
  int applyCalls_ = 0;
  QDialog* dialogSeenByCallback_ = nullptr;
  bool visibleDuringApply_ = false;
};

QTEST_MAIN(OptionsDialogTest)
#include "options_dialog_test.moc"
