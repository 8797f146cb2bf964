#pragma once

#include <QDialog>
#include <QString>
#include <cstdint>
#include <string_view>

class QFont;
class QLabel;

namespace tollhaven {

// Shows the attribute word and the owner of one handset file and lets the user switch the five
// attribute bits the handset understands. The dialog only edits the word; the caller sends it to
// the handset and into the cached list after an accepted exec().
class AttributesDialog : public QDialog {
  Q_OBJECT

 public:
  static constexpr int kDialogId = 1400;
  static constexpr int kOkButtonId = 1401;
  static constexpr int kAttributesLabelId = 1402;
  static constexpr int kWordId = 1403;
  static constexpr int kCancelButtonId = 1404;
  static constexpr int kReadOnlyBoxId = 1405;  // 0x01
  static constexpr int kHiddenBoxId = 1406;    // 0x02
  static constexpr int kSystemBoxId = 1407;    // 0x04
  static constexpr int kArchiveBoxId = 1408;   // 0x20
  static constexpr int kNoCopyBoxId = 1409;    // 0x40
  static constexpr int kOwnerLabelId = 1410;
  static constexpr int kOwnerId = 1411;
  static constexpr int kOwnerLegendId = 1412;
  static constexpr int kFileNameId = 1415;
  static constexpr int kFileNameLabelId = 1416;

  // attributeText: a handset row's "Ownr/Attr" column text: the owner as two hex digits, four
  // blanks, then the attribute word's high and low byte as two hex digits each ("07    0021").
  // fileName: the row's name as the user sees it. boldFont: the face of the word, the owner, the
  // file name and their two labels.
  AttributesDialog(std::string_view attributeText, const QString& fileName, const QFont& boldFont,
                   QWidget* parent = nullptr);

  // The word being edited (high 16 bits zero): starts as the high and low byte of the text,
  // each box click toggles its bit. exec() returns QDialog::Accepted only for OK.
  uint32_t attributeValue() const { return attributeValue_; }
  uint8_t owner() const { return owner_; }

 private:
  void ShowWord();

  uint32_t attributeValue_;
  uint8_t owner_;
  QLabel* word_;
};

}  // namespace tollhaven
