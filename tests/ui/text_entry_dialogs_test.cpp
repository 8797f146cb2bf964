#include <QApplication>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QTest>
#include <string>

#include "support/ui/control_ids.h"
#include "support/ui/copy_to_dialog.h"
#include "support/ui/dialog_text.h"
#include "support/ui/new_path_dialog.h"

using tollhaven::CopyToDialog;
using tollhaven::FindControl;
using tollhaven::NewPathDialog;

namespace {

enum class Ending { OkButton, EnterKey, CancelButton, EscapeKey, CloseBox };

void Show(QDialog& dialog) {
  dialog.show();
  QVERIFY(QTest::qWaitForWindowActive(&dialog));
}

void End(QDialog& dialog, Ending ending, int okId, int cancelId) {
  switch (ending) {
    case Ending::OkButton:
      FindControl<QPushButton>(&dialog, okId)->click();
      break;
    case Ending::EnterKey:
      QTest::keyClick(QApplication::focusWidget(), Qt::Key_Return);
      break;
    case Ending::CancelButton:
      FindControl<QPushButton>(&dialog, cancelId)->click();
      break;
    case Ending::EscapeKey:
      QTest::keyClick(QApplication::focusWidget(), Qt::Key_Escape);
      break;
    case Ending::CloseBox:
      dialog.close();
      break;
  }
}

bool Accepts(Ending ending) {
  return ending == Ending::OkButton || ending == Ending::EnterKey;
}

}  // namespace

Q_DECLARE_METATYPE(Ending)

class TextEntryDialogsTest : public QObject {
  Q_OBJECT

 private slots:
  void newPath_data() {
    QTest::addColumn<QString>("typed");
    QTest::addColumn<Ending>("ending");
    QTest::newRow("ok") << "Ringtones" << Ending::OkButton;
    QTest::newRow("enter") << "Ringtones" << Ending::EnterKey;
    QTest::newRow("ok with nothing typed") << "" << Ending::OkButton;
    QTest::newRow("cancel") << "Ringtones" << Ending::CancelButton;
    QTest::newRow("escape") << "Ringtones" << Ending::EscapeKey;
    QTest::newRow("close box") << "Ringtones" << Ending::CloseBox;
  }
  void newPath() {
    QFETCH(QString, typed);
    QFETCH(Ending, ending);
    std::string currentName = "previous";
    NewPathDialog dialog(currentName);
    Show(dialog);
    auto* edit = FindControl<QLineEdit>(&dialog, NewPathDialog::kNameEditId);
    QCOMPARE(QApplication::focusWidget(), edit);
    QVERIFY(edit->text().isEmpty());
    QTest::keyClicks(edit, typed);
    End(dialog, ending, NewPathDialog::kOkButtonId, NewPathDialog::kCancelButtonId);

    QVERIFY(!dialog.isVisible());
    QCOMPARE(currentName, Accepts(ending) ? typed.toStdString() : std::string("previous"));
  }

  void copyTo_data() {
    QTest::addColumn<Ending>("ending");
    QTest::newRow("ok") << Ending::OkButton;
    QTest::newRow("enter") << Ending::EnterKey;
    QTest::newRow("cancel") << Ending::CancelButton;
    QTest::newRow("escape") << Ending::EscapeKey;
    QTest::newRow("close box") << Ending::CloseBox;
  }
  void copyTo() {
    QFETCH(Ending, ending);
    const std::string currentName = "theme.sk";
    std::string otherPath = "P2k:/a/mobile/skins/";
    CopyToDialog dialog(currentName, otherPath);
    Show(dialog);
    QCOMPARE(FindControl<QLabel>(&dialog, CopyToDialog::kFileNameLabelId)->text(),
             QStringLiteral("theme.sk"));
    auto* edit = FindControl<QLineEdit>(&dialog, CopyToDialog::kDestinationEditId);
    QCOMPARE(QApplication::focusWidget(), edit);
    QCOMPARE(edit->text(), QStringLiteral("P2k:/a/mobile/skins/"));
    edit->end(false);
    QTest::keyClicks(edit, QStringLiteral("old/"));
    End(dialog, ending, CopyToDialog::kOkButtonId, CopyToDialog::kCancelButtonId);

    QVERIFY(!dialog.isVisible());
    QCOMPARE(otherPath, Accepts(ending) ? std::string("P2k:/a/mobile/skins/old/")
                                        : std::string("P2k:/a/mobile/skins/"));
  }

  // The copy destination is a local path, kept whole however long, so that the copy goes where
  // the user typed. New names are cut to what the program's name buffers hold, never inside a
  // character.
  void copyDestinationIsKeptWholeAndNamesAreCutAtACharacter() {
    const QString text = QStringLiteral("/tmp/") + QString(300, QChar(0x00E4)) +
                         QStringLiteral("/") + QString(200, QChar(0x20AC));
    std::string otherPath;
    CopyToDialog dialog("x", otherPath);
    FindControl<QLineEdit>(&dialog, CopyToDialog::kDestinationEditId)->setText(text);
    dialog.accept();
    QCOMPARE(otherPath.size(), std::size_t{5 + 600 + 1 + 600});
    QCOMPARE(QString::fromStdString(otherPath), text);

    const std::string cut =
        tollhaven::Utf8Prefix(QStringLiteral("ab") + QString(10, QChar(0x20AC)), 6);
    QCOMPARE(cut, std::string("ab\xE2\x82\xAC"));  // the second three-byte sign does not fit
  }
};

QTEST_MAIN(TextEntryDialogsTest)
#include "text_entry_dialogs_test.moc"
