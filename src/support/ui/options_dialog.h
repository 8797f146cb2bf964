#pragma once

#include <QDialog>
#include <functional>

#include "support/settings.h"

class QLabel;
class QSlider;

namespace tollhaven {

// Edits the settings. The check boxes and radio buttons change the settings the moment they are
// clicked and keep their effect after Cancel; the number of files to load waits for OK. OK then
// hands the auto-start setting to `applyAutoStart`, which brings the system in line with it.
// Nothing is written to disk here: the settings are saved when the program closes.
class OptionsDialog : public QDialog {
  Q_OBJECT

 public:
  static constexpr int kDialogId = 1500;
  static constexpr int kFileCountSliderId = 1501;
  static constexpr int kFileCountCaptionId = 1502;
  static constexpr int kFileCountValueLabelId = 1503;
  static constexpr int kScaleLowLabelId = 1004;
  static constexpr int kScaleHighLabelId = 1005;
  static constexpr int kOkButtonId = 1506;
  static constexpr int kCancelButtonId = 1507;
  static constexpr int kFadeInCheckId = 1510;
  static constexpr int kStandardHandsetRadioId = 1511;
  static constexpr int kFast3gHandsetRadioId = 1512;
  static constexpr int kSafe3gHandsetRadioId = 1513;
  static constexpr int kEffectsGroupId = 1540;
  static constexpr int kPartitionGroupId = 1541;
  static constexpr int kP2kOptionsGroupId = 1542;
  static constexpr int kPartitionARadioId = 1550;
  static constexpr int kPartitionBRadioId = 1551;
  static constexpr int kPartitionCRadioId = 1552;
  static constexpr int kNoReminderCheckId = 1560;
  static constexpr int kCheckUpdateCheckId = 1561;
  static constexpr int kAutoStartCheckId = 1562;

  // The slider's ends; its right end means "no limit".
  static constexpr int kSliderMin = 10;
  static constexpr int kSliderMax = 510;
  static constexpr int kSliderTickInterval = 50;

  OptionsDialog(Settings& settings, std::function<void(bool)> applyAutoStart,
                QWidget* parent = nullptr);

  // The file-count limit OK would store: the slider's value, or -1 at its right end.
  int workingFileLimit() const { return workingValue_; }

  void accept() override;

 private:
  void OnSliderMoved(int position);
  void BuildControls();
  void LoadFromSettings();

  Settings& settings_;
  std::function<void(bool)> applyAutoStart_;
  int workingValue_ = -1;
  QSlider* slider_ = nullptr;
  QLabel* valueLabel_ = nullptr;
};

}  // namespace tollhaven
