#include <QApplication>
#include <QCheckBox>
#include <QLabel>
#include <QPushButton>
#include <QSignalSpy>
#include <QTest>
#include <string_view>

#include "handset/ui/attributes_dialog.h"
#include "support/ui/control_ids.h"

using tollhaven::AttributesDialog;
using tollhaven::FindControl;

namespace {

enum class Ending { OkButton, EnterKey, CancelButton, EscapeKey, CloseBox };

struct Box {
  int id;
  uint32_t bit;
};
constexpr Box kBoxes[] = {
    {AttributesDialog::kReadOnlyBoxId, 0x01}, {AttributesDialog::kHiddenBoxId, 0x02},
    {AttributesDialog::kSystemBoxId, 0x04},   {AttributesDialog::kArchiveBoxId, 0x20},
    {AttributesDialog::kNoCopyBoxId, 0x40},
};

std::string_view View(const QByteArray& bytes) {
  return std::string_view(bytes.constData(), static_cast<std::size_t>(bytes.size()));
}

QFont DistinctBoldFont() {
  QFont font;
  font.setPointSize(17);
  font.setWeight(QFont::Bold);
  return font;
}

QString LabelText(const AttributesDialog& dialog, int id) {
  auto* label = FindControl<QLabel>(&dialog, id);
  return label ? label->text() : QStringLiteral("<no label %1>").arg(id);
}

// Every box's tick must agree with its bit of `word`.
void VerifyBoxes(const AttributesDialog& dialog, uint32_t word) {
  for (const Box& box : kBoxes) {
    auto* check = FindControl<QCheckBox>(&dialog, box.id);
    QVERIFY2(check != nullptr, qPrintable(QString::number(box.id)));
    QVERIFY2(check->isChecked() == ((word & box.bit) != 0), qPrintable(check->text()));
  }
}

void Show(QDialog& dialog) {
  dialog.show();
  QVERIFY(QTest::qWaitForWindowActive(&dialog));
}

void End(QDialog& dialog, Ending ending) {
  switch (ending) {
    case Ending::OkButton:
      FindControl<QPushButton>(&dialog, AttributesDialog::kOkButtonId)->click();
      break;
    case Ending::EnterKey:
      QTest::keyClick(QApplication::focusWidget(), Qt::Key_Return);
      break;
    case Ending::CancelButton:
      FindControl<QPushButton>(&dialog, AttributesDialog::kCancelButtonId)->click();
      break;
    case Ending::EscapeKey:
      QTest::keyClick(QApplication::focusWidget(), Qt::Key_Escape);
      break;
    case Ending::CloseBox:
      dialog.close();
      break;
  }
}

}  // namespace

Q_DECLARE_METATYPE(Ending)

class AttributesDialogTest : public QObject {
  Q_OBJECT

 private slots:
  void opening_data() {
    QTest::addColumn<QByteArray>("text");
    QTest::addColumn<uint>("word");
    QTest::addColumn<uint>("owner");
    QTest::addColumn<QString>("shownWord");
    QTest::addColumn<QString>("shownOwner");
    QTest::newRow("usb cable, read-only and archive")
        << QByteArray("07    0021") << 0x21u << 0x07u << "0021"
        << "07";
    QTest::newRow("every box") << QByteArray("2A    0067") << 0x67u << 0x2Au << "0067"
                               << "2A";
    QTest::newRow("lower case and a high byte")
        << QByteArray("0e    12ab") << 0x12ABu << 0x0Eu << "12AB"
        << "0E";
    QTest::newRow("only bits without a box") << QByteArray("16    0098") << 0x98u << 0x16u << "0098"
                                             << "16";
    // Damaged texts: every field keeps its place and width, unreadable digits count as 0.
    QTest::newRow("empty") << QByteArray() << 0u << 0u << "0000"
                           << "00";
    QTest::newRow("owner only") << QByteArray("07") << 0u << 0x07u << "0000"
                                << "07";
    QTest::newRow("cut inside the word") << QByteArray("07    12") << 0x1200u << 0x07u << "1200"
                                         << "07";
    QTest::newRow("blanks among the digits") << QByteArray("7     0 21") << 0x21u << 0x70u << "0021"
                                             << "70";
    QTest::newRow("foreign characters") << QByteArray("g7    \xffz2x") << 0x20u << 0x07u << "0020"
                                        << "07";
    QTest::newRow("longer than the column")
        << QByteArray("07    0021FFFF") << 0x21u << 0x07u << "0021"
        << "07";
  }
  void opening() {
    QFETCH(QByteArray, text);
    QFETCH(uint, word);
    QFETCH(uint, owner);
    QFETCH(QString, shownWord);
    QFETCH(QString, shownOwner);
    AttributesDialog dialog(View(text), QStringLiteral("ring.mp3"), DistinctBoldFont());

    QCOMPARE(dialog.attributeValue(), word);
    QCOMPARE(uint{dialog.owner()}, owner);
    QCOMPARE(LabelText(dialog, AttributesDialog::kWordId), shownWord);
    QCOMPARE(LabelText(dialog, AttributesDialog::kOwnerId), shownOwner);
    VerifyBoxes(dialog, word);
  }

  void clicking_data() {
    QTest::addColumn<QByteArray>("text");
    QTest::addColumn<QList<int>>("clicks");
    QTest::addColumn<uint>("word");
    QTest::addColumn<QString>("shownWord");
    QTest::addColumn<Ending>("ending");
    QTest::addColumn<int>("result");
    const QByteArray usb("07    0021");
    const QList<int> hidden{AttributesDialog::kHiddenBoxId};
    const QList<int> everyBox{AttributesDialog::kReadOnlyBoxId, AttributesDialog::kHiddenBoxId,
                              AttributesDialog::kSystemBoxId, AttributesDialog::kArchiveBoxId,
                              AttributesDialog::kNoCopyBoxId};
    QTest::newRow("tick hidden, ok")
        << usb << hidden << 0x23u << "0023" << Ending::OkButton << int{QDialog::Accepted};
    QTest::newRow("tick hidden, enter")
        << usb << hidden << 0x23u << "0023" << Ending::EnterKey << int{QDialog::Accepted};
    QTest::newRow("tick and untick") << usb << (hidden + hidden) << 0x21u << "0021"
                                     << Ending::OkButton << int{QDialog::Accepted};
    QTest::newRow("untick read-only")
        << usb << QList<int>{AttributesDialog::kReadOnlyBoxId} << 0x20u << "0020"
        << Ending::OkButton << int{QDialog::Accepted};
    QTest::newRow("high byte kept") << QByteArray("07    1221") << hidden << 0x1223u << "1223"
                                    << Ending::OkButton << int{QDialog::Accepted};
    QTest::newRow("every box off keeps the other bits")
        << QByteArray("07    12FF") << everyBox << 0x1298u << "1298" << Ending::OkButton
        << int{QDialog::Accepted};
    QTest::newRow("cancel") << usb << hidden << 0x23u << "0023" << Ending::CancelButton
                            << int{QDialog::Rejected};
    QTest::newRow("escape") << usb << hidden << 0x23u << "0023" << Ending::EscapeKey
                            << int{QDialog::Rejected};
    QTest::newRow("close box") << usb << hidden << 0x23u << "0023" << Ending::CloseBox
                               << int{QDialog::Rejected};
  }
  void clicking() {
    QFETCH(QByteArray, text);
    QFETCH(QList<int>, clicks);
    QFETCH(uint, word);
    QFETCH(QString, shownWord);
    QFETCH(Ending, ending);
    QFETCH(int, result);
    AttributesDialog dialog(View(text), QStringLiteral("ring.mp3"), DistinctBoldFont());
    QSignalSpy finished(&dialog, &QDialog::finished);
    Show(dialog);
    for (int id : clicks) {
      FindControl<QCheckBox>(&dialog, id)->click();
    }

    QCOMPARE(dialog.attributeValue(), word);
    QCOMPARE(LabelText(dialog, AttributesDialog::kWordId), shownWord);
    VerifyBoxes(dialog, word);
    QCOMPARE(uint{dialog.owner()}, 0x07u);
    QCOMPARE(LabelText(dialog, AttributesDialog::kOwnerId), QStringLiteral("07"));

    End(dialog, ending);
    QVERIFY(!dialog.isVisible());
    QCOMPARE(finished.count(), 1);
    QCOMPARE(finished.at(0).at(0).toInt(), result);
  }

  void texts_data() {
    QTest::addColumn<int>("id");
    QTest::addColumn<QString>("text");
    QTest::newRow("file name") << int{AttributesDialog::kFileNameId} << "<b>ring</b>&.mp3";
    QTest::newRow("file name label") << int{AttributesDialog::kFileNameLabelId} << "File name:";
    QTest::newRow("attributes label") << int{AttributesDialog::kAttributesLabelId} << "Attributes:";
    QTest::newRow("owner label") << int{AttributesDialog::kOwnerLabelId} << "Owner:";
    QTest::newRow("owner legend") << int{AttributesDialog::kOwnerLegendId}
                                  << QStringLiteral(
                                         u"07: USB\u6570\u636E\u7EBF   16: \u84DD\u7259  0E: "
                                         u"\u6444\u50CF\u5934   2A: \u9EA6\u514B\u98CE");
    QTest::newRow("read-only") << int{AttributesDialog::kReadOnlyBoxId}
                               << "Read-only (cannot be written or deleted)";
    QTest::newRow("hidden") << int{AttributesDialog::kHiddenBoxId}
                            << "Hidden (not shown on the handset)";
    QTest::newRow("system")
        << int{AttributesDialog::kSystemBoxId}
        << "System (cannot be deleted, not even by a master reset or master clear)";
    QTest::newRow("archive") << int{AttributesDialog::kArchiveBoxId} << "Archive";
    QTest::newRow("no copy") << int{AttributesDialog::kNoCopyBoxId} << "Copying not allowed";
    QTest::newRow("ok") << int{AttributesDialog::kOkButtonId} << "OK";
    QTest::newRow("cancel") << int{AttributesDialog::kCancelButtonId} << "Cancel";
  }
  void texts() {
    QFETCH(int, id);
    QFETCH(QString, text);
    AttributesDialog dialog("07    0021", QStringLiteral("<b>ring</b>&.mp3"), DistinctBoldFont());
    QCOMPARE(dialog.windowTitle(), QStringLiteral("Tollhaven"));
    QVERIFY(FindControl<QPushButton>(&dialog, AttributesDialog::kOkButtonId)->isDefault());

    QWidget* control = FindControl(&dialog, id);
    QVERIFY(control != nullptr);
    if (auto* label = qobject_cast<QLabel*>(control)) {
      QCOMPARE(label->text(), text);
      // Names and the legend must reach the screen as typed, not as rich text.
      QVERIFY(label->textFormat() == Qt::PlainText || !Qt::mightBeRichText(text));
    } else {
      QCOMPARE(qobject_cast<QAbstractButton*>(control)->text(), text);
    }
  }

  void fonts_data() {
    QTest::addColumn<int>("id");
    QTest::addColumn<bool>("bold");
    QTest::newRow("attributes label") << int{AttributesDialog::kAttributesLabelId} << true;
    QTest::newRow("word") << int{AttributesDialog::kWordId} << true;
    QTest::newRow("owner label") << int{AttributesDialog::kOwnerLabelId} << true;
    QTest::newRow("owner") << int{AttributesDialog::kOwnerId} << true;
    QTest::newRow("file name") << int{AttributesDialog::kFileNameId} << true;
    QTest::newRow("file name label") << int{AttributesDialog::kFileNameLabelId} << false;
    QTest::newRow("owner legend") << int{AttributesDialog::kOwnerLegendId} << false;
  }
  void fonts() {
    QFETCH(int, id);
    QFETCH(bool, bold);
    const QFont boldFont = DistinctBoldFont();
    AttributesDialog dialog("07    0021", QStringLiteral("ring.mp3"), boldFont);
    const QFont font = FindControl(&dialog, id)->font();
    QCOMPARE(font.pointSize() == boldFont.pointSize() && font.weight() == boldFont.weight(), bold);
  }
};

QTEST_MAIN(AttributesDialogTest)
#include "attributes_dialog_test.moc"
