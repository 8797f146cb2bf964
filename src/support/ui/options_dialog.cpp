#include "support/ui/options_dialog.h"

#include <QCheckBox>
#include <QGridLayout>
#include <QGroupBox>
#include <QHBoxLayout>
#include <QLabel>
#include <QPushButton>
#include <QRadioButton>
#include <QSlider>
#include <QVBoxLayout>

#include "support/ui/control_ids.h"
#include "support/ui/dialog_buttons.h"
#include "support/ui/dialog_fonts.h"

namespace tollhaven {
namespace {

QString UnlimitedText() {
  return QStringLiteral("Unlimited");
}

}  // namespace

OptionsDialog::OptionsDialog(Settings& settings, std::function<void(bool)> applyAutoStart,
                             QWidget* parent)
    : QDialog(parent), settings_(settings), applyAutoStart_(std::move(applyAutoStart)) {
  SetControlId(this, kDialogId, QStringLiteral("optionsDialog"));
  setWindowTitle(tr("Options"));
  BuildControls();
  LoadFromSettings();
  slider_->setFocus();
}

void OptionsDialog::BuildControls() {
  // Number of files to load, and the kind of handset.
  auto* p2kGroup = new QGroupBox(tr("P2K options"), this);
  SetControlId(p2kGroup, kP2kOptionsGroupId, QStringLiteral("p2kOptionsGroup"));
  auto* caption = new QLabel(tr("Number of files to load:"), p2kGroup);
  SetControlId(caption, kFileCountCaptionId, QStringLiteral("fileCountCaption"));
  valueLabel_ = new QLabel(p2kGroup);
  SetControlId(valueLabel_, kFileCountValueLabelId, QStringLiteral("fileCountValueLabel"));
  valueLabel_->setFont(BoldTahomaFont());
  slider_ = new QSlider(Qt::Horizontal, p2kGroup);
  SetControlId(slider_, kFileCountSliderId, QStringLiteral("fileCountSlider"));
  slider_->setRange(kSliderMin, kSliderMax);
  slider_->setTickInterval(kSliderTickInterval);
  slider_->setTickPosition(QSlider::TicksBelow);
  caption->setBuddy(slider_);
  auto* low = new QLabel(QString::number(kSliderMin), p2kGroup);
  SetControlId(low, kScaleLowLabelId, QStringLiteral("scaleLowLabel"));
  auto* high = new QLabel(UnlimitedText(), p2kGroup);
  SetControlId(high, kScaleHighLabelId, QStringLiteral("scaleHighLabel"));

  auto* standard = new QRadioButton(tr("Standard P2K handsets (E398, V3, Vxxx...)"), p2kGroup);
  SetControlId(standard, kStandardHandsetRadioId, QStringLiteral("standardHandsetRadio"));
  auto* fast3g = new QRadioButton(tr("New (fast) 3G P2K handsets (E1000, V975...)"), p2kGroup);
  SetControlId(fast3g, kFast3gHandsetRadioId, QStringLiteral("fast3gHandsetRadio"));
  auto* safe3g = new QRadioButton(tr("Safe (slow) 3G P2K handsets (A1000, V980...)"), p2kGroup);
  SetControlId(safe3g, kSafe3gHandsetRadioId, QStringLiteral("safe3gHandsetRadio"));

  auto* p2kLayout = new QGridLayout(p2kGroup);
  p2kLayout->addWidget(caption, 0, 0, 1, 2);
  p2kLayout->addWidget(valueLabel_, 0, 2, Qt::AlignRight);
  p2kLayout->addWidget(slider_, 1, 0, 1, 3);
  p2kLayout->addWidget(low, 2, 0, Qt::AlignLeft);
  p2kLayout->addWidget(high, 2, 2, Qt::AlignRight);
  p2kLayout->addWidget(standard, 3, 0, 1, 3);
  p2kLayout->addWidget(fast3g, 4, 0, 1, 3);
  p2kLayout->addWidget(safe3g, 5, 0, 1, 3);

  // Which partition of the handset to show.
  auto* partitionGroup = new QGroupBox(tr("Handset partition selection"), this);
  SetControlId(partitionGroup, kPartitionGroupId, QStringLiteral("partitionGroup"));
  auto* partitionA =
      new QRadioButton(tr("/a \u2013 the partition all P2K handsets have"), partitionGroup);
  SetControlId(partitionA, kPartitionARadioId, QStringLiteral("partitionARadio"));
  auto* partitionB = new QRadioButton(tr("/b \u2013 TransFlash memory card"), partitionGroup);
  SetControlId(partitionB, kPartitionBRadioId, QStringLiteral("partitionBRadio"));
  auto* partitionC =
      new QRadioButton(tr("/c \u2013 the partition used by E1 and E798"), partitionGroup);
  SetControlId(partitionC, kPartitionCRadioId, QStringLiteral("partitionCRadio"));
  auto* partitionLayout = new QVBoxLayout(partitionGroup);
  partitionLayout->addWidget(partitionA);
  partitionLayout->addWidget(partitionB);
  partitionLayout->addWidget(partitionC);

  // How the program behaves around the handset work.
  auto* effectsGroup = new QGroupBox(tr("Interface effects"), this);
  SetControlId(effectsGroup, kEffectsGroupId, QStringLiteral("effectsGroup"));
  auto* fadeIn = new QCheckBox(tr("Fade in at start (slow on old VGA displays)"), effectsGroup);
  SetControlId(fadeIn, kFadeInCheckId, QStringLiteral("fadeInCheckBox"));
  auto* noReminder = new QCheckBox(tr("No reminder needed at start"), effectsGroup);
  SetControlId(noReminder, kNoReminderCheckId, QStringLiteral("noReminderCheckBox"));
  auto* checkUpdate = new QCheckBox(tr("Check for a new version online"), effectsGroup);
  SetControlId(checkUpdate, kCheckUpdateCheckId, QStringLiteral("checkUpdateCheckBox"));
  auto* autoStart =
      new QCheckBox(tr("Start the companion program with the computer"), effectsGroup);
  SetControlId(autoStart, kAutoStartCheckId, QStringLiteral("autoStartCheckBox"));
  auto* effectsLayout = new QVBoxLayout(effectsGroup);
  effectsLayout->addWidget(fadeIn);
  effectsLayout->addWidget(noReminder);
  effectsLayout->addWidget(checkUpdate);
  effectsLayout->addWidget(autoStart);

  QHBoxLayout* buttons = OkCancelRow(this, kOkButtonId, kCancelButtonId);

  auto* layout = new QVBoxLayout(this);
  layout->addWidget(p2kGroup);
  layout->addWidget(partitionGroup);
  layout->addWidget(effectsGroup);
  layout->addLayout(buttons);

  connect(slider_, &QSlider::valueChanged, this, &OptionsDialog::OnSliderMoved);

  // A click sets the field from what the box shows after the click, so a stray value from the
  // settings file (neither 0 nor 1) cannot leave the box and the setting disagreeing.
  const auto flag = [](bool on) { return on ? 1 : 0; };
  connect(fadeIn, &QCheckBox::clicked, this,
          [this, flag](bool on) { settings_.fadeIn = flag(on); });
  connect(noReminder, &QCheckBox::clicked, this,
          [this, flag](bool on) { settings_.showReminder = flag(!on); });
  connect(checkUpdate, &QCheckBox::clicked, this,
          [this, flag](bool on) { settings_.checkUpdate = flag(on); });
  connect(autoStart, &QCheckBox::clicked, this,
          [this, flag](bool on) { settings_.autoStart = flag(on); });

  connect(standard, &QRadioButton::clicked, this, [this] { settings_.handsetType = 0; });
  connect(fast3g, &QRadioButton::clicked, this, [this] { settings_.handsetType = 3; });
  connect(safe3g, &QRadioButton::clicked, this, [this] { settings_.handsetType = 1; });

  const auto choosePartition = [this](int a, int b, int c) {
    settings_.partitionA = a;
    settings_.partitionB = b;
    settings_.partitionC = c;
  };
  connect(partitionA, &QRadioButton::clicked, this, [=] { choosePartition(1, 0, 0); });
  connect(partitionB, &QRadioButton::clicked, this, [=] { choosePartition(0, 1, 0); });
  connect(partitionC, &QRadioButton::clicked, this, [=] { choosePartition(0, 0, 1); });
}

void OptionsDialog::LoadFromSettings() {
  // The slider clamps a limit from the settings file that lies outside its range.
  slider_->setValue(settings_.fileLimit == -1 ? kSliderMax : settings_.fileLimit);
  OnSliderMoved(slider_->value());

  FindControl<QCheckBox>(this, kFadeInCheckId)->setChecked(settings_.fadeIn == 1);
  // Any other handset type leaves all three unchecked.
  FindControl<QRadioButton>(this, kStandardHandsetRadioId)->setChecked(settings_.handsetType == 0);
  FindControl<QRadioButton>(this, kSafe3gHandsetRadioId)->setChecked(settings_.handsetType == 1);
  FindControl<QRadioButton>(this, kFast3gHandsetRadioId)->setChecked(settings_.handsetType == 3);
  FindControl<QCheckBox>(this, kNoReminderCheckId)->setChecked(settings_.showReminder == 0);
  FindControl<QCheckBox>(this, kCheckUpdateCheckId)->setChecked(settings_.checkUpdate == 1);
  FindControl<QCheckBox>(this, kAutoStartCheckId)->setChecked(settings_.autoStart == 1);
  FindControl<QRadioButton>(this, kPartitionARadioId)->setChecked(settings_.partitionA == 1);
  FindControl<QRadioButton>(this, kPartitionBRadioId)->setChecked(settings_.partitionB == 1);
  FindControl<QRadioButton>(this, kPartitionCRadioId)->setChecked(settings_.partitionC == 1);
}

void OptionsDialog::OnSliderMoved(int position) {
  if (position == kSliderMax) {
    workingValue_ = -1;
    valueLabel_->setText(UnlimitedText());
  } else {
    workingValue_ = position;
    valueLabel_->setText(QString::number(position));
  }
}

void OptionsDialog::accept() {
  settings_.fileLimit = workingValue_;
  QDialog::accept();
  if (applyAutoStart_) {
    applyAutoStart_(settings_.autoStart == 1);
  }
}

}  // namespace tollhaven
