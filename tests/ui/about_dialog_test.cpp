#include <QAccessible>
#include <QApplication>
#include <QDesktopServices>
#include <QFontInfo>
#include <QImage>
#include <QLabel>
#include <QPushButton>
#include <QScopeGuard>
#include <QTest>
#include <QUrlQuery>

#include "support/program_version.h"
#include "support/ui/about_dialog.h"
#include "support/ui/control_ids.h"
#include "support/ui/hyperlink.h"

using tollhaven::AboutDialog;
using tollhaven::FindControl;
using tollhaven::HyperLink;

namespace {

class UrlRecorder : public QObject {
  Q_OBJECT

 public:
  QList<QUrl> opened;
  Q_INVOKABLE void open(const QUrl& url) { opened.append(url); }
};

}  // namespace

class AboutDialogTest : public QObject {
  Q_OBJECT

 private slots:
  void captionsAreBoldAndCreditsAreNot() {
    AboutDialog dialog;
    for (int id : {1204, 1205, 1206, 1207, 1202}) {
      auto* label = FindControl<QLabel>(&dialog, id);
      QVERIFY2(label, qPrintable(QString::number(id)));
      QCOMPARE(label->font().weight(), QFont::DemiBold);
      QCOMPARE(label->font().pixelSize(), 13);
      QVERIFY(!label->text().isEmpty());
      QVERIFY(!QFontInfo(label->font()).family().isEmpty());
    }
    for (int id : {1201, 1209, 1210, 1214}) {
      auto* label = FindControl<QLabel>(&dialog, id);
      QVERIFY(!label->text().isEmpty());
      QVERIFY(label->font().weight() < QFont::DemiBold);
    }
    QCOMPARE(FindControl<QLabel>(&dialog, 1213)->text(), QStringLiteral("Version: 3.2.8"));
    // The box and --version name one release.
    QCOMPARE(FindControl<QLabel>(&dialog, 1213)->text(),
             QStringLiteral("Version: ") + QString::fromLatin1(tollhaven::kProgramVersion.data(),
                                                               tollhaven::kProgramVersion.size()));
    QCOMPARE(FindControl<QLabel>(&dialog, 1208)->text(), QStringLiteral("Build date: 2005.11.5."));
  }

  void backgroundIsTheBuiltInPicture() {
    AboutDialog dialog;
    QVERIFY(dialog.hasBackground());
    QCOMPARE(dialog.size(), QSize(400, 300));
    const QImage picture(QStringLiteral(":/images/about.jpg"));
    QCOMPARE(picture.size(), QSize(400, 300));

    dialog.show();
    QVERIFY(QTest::qWaitForWindowExposed(&dialog));
    const QImage shown = dialog.grab().toImage();
    // A corner that no control covers shows the picture itself.
    for (QPoint at : {QPoint(2, 2), QPoint(2, 297), QPoint(397, 150)}) {
      const QColor a = shown.pixelColor(at);
      const QColor b = picture.pixelColor(at);
      QVERIFY2(qAbs(a.red() - b.red()) < 8 && qAbs(a.green() - b.green()) < 8 &&
                   qAbs(a.blue() - b.blue()) < 8,
               qPrintable(QStringLiteral("at %1,%2").arg(at.x()).arg(at.y())));
    }
  }

  void everythingFitsOnThePicture() {
    AboutDialog dialog;
    dialog.show();
    QVERIFY(QTest::qWaitForWindowExposed(&dialog));
    for (QWidget* child : dialog.findChildren<QWidget*>()) {
      QVERIFY2(dialog.rect().contains(child->geometry()), qPrintable(child->objectName()));
      QVERIFY2(child->width() >= child->minimumSizeHint().width(), qPrintable(child->objectName()));
    }
  }

  void linksAreSetUp_data() {
    QTest::addColumn<int>("id");
    QTest::addColumn<HyperLink::LinkType>("type");
    QTest::addColumn<QString>("target");
    QTest::newRow("home page") << 1211 << HyperLink::LinkType::Web
                               << QString::fromLatin1(tollhaven::kHomePageAddress);
    QTest::newRow("forum") << 1215 << HyperLink::LinkType::Web
                           << QString::fromLatin1(tollhaven::kForumAddress);
    QTest::newRow("mail") << 1212 << HyperLink::LinkType::Email
                          << QStringLiteral("mailto:") + tollhaven::kAuthorMailAddress +
                                 QStringLiteral(
                                     "?subject=About Tollhaven V3.2.7"
                                     "&body=I run Tollhaven, and I think ...");
  }
  void linksAreSetUp() {
    QFETCH(int, id);
    QFETCH(HyperLink::LinkType, type);
    QFETCH(QString, target);
    AboutDialog dialog;
    auto* link = FindControl<HyperLink>(&dialog, id);
    QVERIFY(link);
    QCOMPARE(link->linkType(), type);
    QCOMPARE(link->hoverColor(), QColor(255, 0, 0));
    QCOMPARE(link->normalColor(), QColor(0, 0, 255));
    QCOMPARE(link->currentColor(), QColor(0, 0, 255));
    QVERIFY(link->underline());
    QCOMPARE(link->LinkTarget(), target);
  }

  void clickingTheMailLinkOpensAMailWithSubjectAndBody() {
    UrlRecorder recorder;
    QDesktopServices::setUrlHandler(QStringLiteral("mailto"), &recorder, "open");
    {
      AboutDialog dialog;
      dialog.show();
      QVERIFY(QTest::qWaitForWindowActive(&dialog));
      QTest::mouseClick(FindControl<HyperLink>(&dialog, AboutDialog::kMailLinkId), Qt::LeftButton,
                        {}, QPoint(2, 2));
    }
    QDesktopServices::unsetUrlHandler(QStringLiteral("mailto"));
    QCOMPARE(recorder.opened.size(), 1);
    const QUrl url = recorder.opened.first();
    QCOMPARE(url.path(), QString::fromLatin1(tollhaven::kAuthorMailAddress));
    const QUrlQuery query(url);
    QCOMPARE(query.queryItemValue(QStringLiteral("subject"), QUrl::FullyDecoded),
             QStringLiteral("About Tollhaven V3.2.7"));
    QCOMPARE(query.queryItemValue(QStringLiteral("body"), QUrl::FullyDecoded),
             QStringLiteral("I run Tollhaven, and I think ..."));
  }

  // Tab goes from OK through the three links and back; Enter, keypad Enter and Space open the
  // link with the keyboard, which shows a focus frame, and leave the box open.
  void linksAreReachedAndOpenedFromTheKeyboard() {
    UrlRecorder recorder;
    for (const char* scheme : {"https", "mailto"}) {
      QDesktopServices::setUrlHandler(QString::fromLatin1(scheme), &recorder, "open");
    }
    const auto unsetHandlers = qScopeGuard([] {
      for (const char* scheme : {"https", "mailto"}) {
        QDesktopServices::unsetUrlHandler(QString::fromLatin1(scheme));
      }
    });
    AboutDialog dialog;
    dialog.show();
    QVERIFY(QTest::qWaitForWindowActive(&dialog));
    auto* ok = FindControl<QPushButton>(&dialog, AboutDialog::kOkButtonId);
    QCOMPARE(QApplication::focusWidget(), ok);  // so Enter alone still closes the box

    const struct {
      int id;
      Qt::Key key;
      Qt::KeyboardModifiers modifiers;
    } steps[] = {{AboutDialog::kMailLinkId, Qt::Key_Return, Qt::NoModifier},
                 {AboutDialog::kHomePageLinkId, Qt::Key_Space, Qt::NoModifier},
                 {AboutDialog::kForumLinkId, Qt::Key_Enter, Qt::KeypadModifier}};
    QList<QUrl> expected;
    for (const auto& step : steps) {
      auto* link = FindControl<HyperLink>(&dialog, step.id);
      const QImage unfocused = link->grab().toImage();
      QTest::keyClick(QApplication::focusWidget(), Qt::Key_Tab);
      QCOMPARE(QApplication::focusWidget(), link);
      QVERIFY2(link->grab().toImage() != unfocused, "no focus frame");
      QTest::keyClick(link, step.key, step.modifiers);
      expected << link->LinkUrl();
      QCOMPARE(recorder.opened, expected);
      QVERIFY(dialog.isVisible());
    }
    QCOMPARE(expected[1], QUrl(QString::fromLatin1(tollhaven::kHomePageAddress)));
    QCOMPARE(expected[2], QUrl(QString::fromLatin1(tollhaven::kForumAddress)));
    QTest::keyClick(QApplication::focusWidget(), Qt::Key_Tab);
    QCOMPARE(QApplication::focusWidget(), ok);
  }

  void assistiveToolsSeeLinksTheyCanOpen() {
    UrlRecorder recorder;
    QDesktopServices::setUrlHandler(QStringLiteral("https"), &recorder, "open");
    const auto unsetHandler =
        qScopeGuard([] { QDesktopServices::unsetUrlHandler(QStringLiteral("https")); });
    AboutDialog dialog;
    for (int id :
         {AboutDialog::kHomePageLinkId, AboutDialog::kForumLinkId, AboutDialog::kMailLinkId}) {
      auto* link = FindControl<HyperLink>(&dialog, id);
      QAccessibleInterface* accessible = QAccessible::queryAccessibleInterface(link);
      QVERIFY(accessible != nullptr);
      QCOMPARE(accessible->role(), QAccessible::Link);
      QCOMPARE(accessible->text(QAccessible::Name), link->text());
      QVERIFY(accessible->state().focusable);
      QAccessibleActionInterface* actions = accessible->actionInterface();
      QVERIFY(actions != nullptr);
      QCOMPARE(actions->actionNames(), QStringList{QAccessibleActionInterface::pressAction()});
    }
    auto* home = FindControl<HyperLink>(&dialog, AboutDialog::kHomePageLinkId);
    QAccessible::queryAccessibleInterface(home)->actionInterface()->doAction(
        QAccessibleActionInterface::pressAction());
    QCOMPARE(recorder.opened, QList<QUrl>{home->LinkUrl()});
  }

  void okCloses() {
    AboutDialog dialog;
    dialog.show();
    QVERIFY(QTest::qWaitForWindowActive(&dialog));
    FindControl<QPushButton>(&dialog, AboutDialog::kOkButtonId)->click();
    QVERIFY(!dialog.isVisible());
  }
};

QTEST_MAIN(AboutDialogTest)
#include "about_dialog_test.moc"
