#include "handset/ui/attributes_dialog.h"

#include <QCheckBox>
#include <QFont>
#include <QGridLayout>
#include <QHBoxLayout>
#include <QLabel>
#include <QPushButton>
#include <QVBoxLayout>
#include <cstddef>

#include "support/text_helpers.h"
#include "support/ui/control_ids.h"
#include "support/ui/dialog_buttons.h"

namespace tollhaven {

namespace {

// Where the fields sit in a row's attribute text: "OO    HHLL".
constexpr std::size_t kOwnerOffset = 0;
constexpr std::size_t kOwnerDigits = 2;
constexpr std::size_t kWordOffset = 6;
constexpr std::size_t kWordDigits = 4;

bool IsHexDigit(char c) {
  return (c >= '0' && c <= '9') || (c >= 'A' && c <= 'F') || (c >= 'a' && c <= 'f');
}

// The digits at fixed positions of the text, one at a time, so that a short or damaged text
// still yields a value of the field's width: a missing, blank or foreign character counts as 0
// and never shifts the digits after it.
uint32_t HexField(std::string_view text, std::size_t offset, std::size_t digits) {
  uint32_t value = 0;
  for (std::size_t i = offset; i < offset + digits; ++i) {
    const char c = i < text.size() ? text[i] : ' ';
    value = (value << 4) | (IsHexDigit(c) ? ParseHex(std::string_view(&c, 1)) : 0);
  }
  return value;
}

QString UpperHex(uint32_t value, int digits) {
  return QStringLiteral("%1").arg(value, digits, 16, QLatin1Char('0')).toUpper();
}

struct AttributeBox {
  int id;
  uint32_t bit;
  const char* objectName;
  const char* text;
};

// Bits 3, 4 and 7 and the high byte have no box; they are carried through untouched so that OK
// never clears something the user was not shown.
constexpr AttributeBox kBoxes[] = {
    {AttributesDialog::kReadOnlyBoxId, 0x01, "readOnlyBox",
     QT_TRANSLATE_NOOP("tollhaven::AttributesDialog", "Read-only (cannot be written or deleted)")},
    {AttributesDialog::kHiddenBoxId, 0x02, "hiddenBox",
     QT_TRANSLATE_NOOP("tollhaven::AttributesDialog", "Hidden (not shown on the handset)")},
    {AttributesDialog::kSystemBoxId, 0x04, "systemBox",
     QT_TRANSLATE_NOOP("tollhaven::AttributesDialog",
                       "System (cannot be deleted, not even by a master reset or master clear)")},
    {AttributesDialog::kArchiveBoxId, 0x20, "archiveBox",
     QT_TRANSLATE_NOOP("tollhaven::AttributesDialog", "Archive")},
    {AttributesDialog::kNoCopyBoxId, 0x40, "noCopyBox",
     QT_TRANSLATE_NOOP("tollhaven::AttributesDialog", "Copying not allowed")},
};

}  // namespace

AttributesDialog::AttributesDialog(std::string_view attributeText, const QString& fileName,
                                   const QFont& boldFont, QWidget* parent)
    : QDialog(parent),
      attributeValue_(HexField(attributeText, kWordOffset, kWordDigits)),
      owner_(static_cast<uint8_t>(HexField(attributeText, kOwnerOffset, kOwnerDigits))),
      word_(new QLabel(this)) {
  SetControlId(this, kDialogId, QStringLiteral("attributesDialog"));
  setWindowTitle(QStringLiteral("Tollhaven"));

  auto* fileNameLabel = new QLabel(tr("File name:"), this);
  SetControlId(fileNameLabel, kFileNameLabelId, QStringLiteral("fileNameLabel"));
  auto* name = new QLabel(fileName, this);
  SetControlId(name, kFileNameId, QStringLiteral("fileName"));
  // Handset names may contain '<' or '&'; they are names, not markup.
  name->setTextFormat(Qt::PlainText);
  name->setFont(boldFont);

  auto* attributesLabel = new QLabel(tr("Attributes:"), this);
  SetControlId(attributesLabel, kAttributesLabelId, QStringLiteral("attributesLabel"));
  attributesLabel->setFont(boldFont);
  SetControlId(word_, kWordId, QStringLiteral("attributeWord"));
  word_->setFont(boldFont);
  ShowWord();

  auto* ownerLabel = new QLabel(tr("Owner:"), this);
  SetControlId(ownerLabel, kOwnerLabelId, QStringLiteral("ownerLabel"));
  ownerLabel->setFont(boldFont);
  // A label, not a field: the handset sets the owner itself and the dialog only reports it.
  auto* owner = new QLabel(UpperHex(owner_, 2), this);
  SetControlId(owner, kOwnerId, QStringLiteral("owner"));
  owner->setFont(boldFont);
  // The legend keeps the Chinese names of the owner codes word for word; it is not translated.
  auto* legend =
      new QLabel(QString::fromUtf8("07: USB数据线   16: 蓝牙  0E: 摄像头   2A: 麦克风"), this);
  SetControlId(legend, kOwnerLegendId, QStringLiteral("ownerLegend"));
  legend->setTextFormat(Qt::PlainText);

  auto* fields = new QGridLayout;
  fields->addWidget(fileNameLabel, 0, 0);
  fields->addWidget(name, 0, 1);
  fields->addWidget(attributesLabel, 1, 0);
  fields->addWidget(word_, 1, 1);
  auto* boxes = new QVBoxLayout;
  for (const AttributeBox& entry : kBoxes) {
    auto* box = new QCheckBox(tr(entry.text), this);
    SetControlId(box, entry.id, QString::fromLatin1(entry.objectName));
    box->setChecked((attributeValue_ & entry.bit) != 0);
    // Connected after the initial tick, so only the user's clicks change the word.
    const uint32_t bit = entry.bit;
    connect(box, &QCheckBox::clicked, this, [this, bit] {
      attributeValue_ ^= bit;
      ShowWord();
    });
    boxes->addWidget(box);
  }
  auto* ownerRow = new QHBoxLayout;
  ownerRow->addWidget(ownerLabel);
  ownerRow->addWidget(owner);
  ownerRow->addStretch();

  QHBoxLayout* buttons = OkCancelRow(this, kOkButtonId, kCancelButtonId);

  auto* layout = new QVBoxLayout(this);
  layout->addLayout(fields);
  layout->addLayout(boxes);
  layout->addLayout(ownerRow);
  layout->addWidget(legend);
  layout->addLayout(buttons);
}

void AttributesDialog::ShowWord() {
  word_->setText(UpperHex(attributeValue_ & 0xFFFFu, 4));
}

}  // namespace tollhaven
