#include <QPushButton>
#include <QTest>

#include "support/ui/button_icons.h"
#include "support/ui/resource_images.h"

using tollhaven::ButtonIcon;

namespace {

int OpaquePixels(const QImage& image) {
  int count = 0;
  for (int y = 0; y < image.height(); ++y) {
    for (int x = 0; x < image.width(); ++x) {
      count += qAlpha(image.pixel(x, y)) > 128 ? 1 : 0;
    }
  }
  return count;
}

QImage Shown(const QAbstractButton& button) {
  return button.icon().pixmap(24, 24).toImage().convertToFormat(QImage::Format_ARGB32);
}

QImage Look(const char* resource, QIcon::Mode look) {
  return ButtonIcon(QString::fromLatin1(resource), 24)
      .pixmap(QSize(24, 24), 1.0, look)
      .toImage()
      .convertToFormat(QImage::Format_ARGB32);
}

}  // namespace

class ArtworkTest : public QObject {
  Q_OBJECT

 private slots:
  // Catches a broken drawing, a name missing from the resource list and a missing SVG plug-in.
  void everyIconDraws_data() {
    QTest::addColumn<QString>("resource");
    QTest::addColumn<int>("size");
    for (const char* icon : {tollhaven::kViewIcon, tollhaven::kEditIcon, tollhaven::kAttributesIcon,
                             tollhaven::kRestartIcon, tollhaven::kMoveIcon, tollhaven::kCopyIcon,
                             tollhaven::kNewFolderIcon, tollhaven::kDeleteIcon}) {
      QTest::newRow(icon) << QString::fromLatin1(icon) << 24;
    }
    QTest::newRow("app") << QString::fromLatin1(tollhaven::kAppIcon) << 32;
    for (const char* icon :
         {tollhaven::kRereadIcon, tollhaven::kSortUpIcon, tollhaven::kSortDownIcon}) {
      QTest::newRow(icon) << QString::fromLatin1(icon) << 16;
    }
  }
  void everyIconDraws() {
    QFETCH(QString, resource);
    QFETCH(int, size);
    const QImage image = ButtonIcon(resource, size).pixmap(QSize(size, size), 1.0).toImage();
    QCOMPARE(image.size(), QSize(size, size));
    QVERIFY(OpaquePixels(image) > size * size / 10);
  }

  void aboutPicture() {
    QCOMPARE(tollhaven::ResourceImageToBitmap(tollhaven::kAboutImageId).size(), QSize(400, 300));
    QVERIFY(tollhaven::ResourceImageToBitmap(504).isNull());
    QVERIFY(tollhaven::PictureBytesToBitmap(QByteArray()).isNull());
    QVERIFY(
        tollhaven::PictureBytesToBitmap(QByteArray("\xFF\xD8\xFF\xE0 not really", 15)).isNull());
  }

  void looksDiffer() {
    const QImage normal = Look(tollhaven::kCopyIcon, QIcon::Normal);
    QVERIFY(Look(tollhaven::kCopyIcon, QIcon::Active) != normal);
    QVERIFY(Look(tollhaven::kCopyIcon, QIcon::Selected) != normal);
    const QImage disabled = Look(tollhaven::kCopyIcon, QIcon::Disabled);
    for (int y = 0; y < disabled.height(); ++y) {
      for (int x = 0; x < disabled.width(); ++x) {
        const QRgb p = disabled.pixel(x, y);
        QVERIFY(qRed(p) == qGreen(p) && qGreen(p) == qBlue(p));
      }
    }
  }

  void buttonFollowsMouseAndPress() {
    QWidget window;
    window.resize(200, 100);
    auto* button = new QPushButton(QStringLiteral("Copy"), &window);
    button->setGeometry(10, 10, 100, 40);
    tollhaven::SetButtonIcon(button, QString::fromLatin1(tollhaven::kCopyIcon), 24);
    tollhaven::SetButtonIcon(button, QString::fromLatin1(tollhaven::kCopyIcon), 24);  // twice
    QCOMPARE(button->findChildren<QObject*>(QStringLiteral("buttonLookSwitcher")).size(), 1);
    QCOMPARE(button->iconSize(), QSize(24, 24));
    window.show();
    QVERIFY(QTest::qWaitForWindowActive(&window));
    QTest::mouseMove(&window, QPoint(180, 90));
    QCOMPARE(Shown(*button), Look(tollhaven::kCopyIcon, QIcon::Normal));
    // A style draws a button with the keyboard focus in the Active mode; the picture stays.
    QCOMPARE(button->icon()
                 .pixmap(QSize(24, 24), 1.0, QIcon::Active)
                 .toImage()
                 .convertToFormat(QImage::Format_ARGB32),
             Look(tollhaven::kCopyIcon, QIcon::Normal));

    QTest::mouseMove(button, QPoint(50, 20));
    QCOMPARE(Shown(*button), Look(tollhaven::kCopyIcon, QIcon::Active));
    QTest::mousePress(button, Qt::LeftButton, {}, QPoint(50, 20));
    QCOMPARE(Shown(*button), Look(tollhaven::kCopyIcon, QIcon::Selected));
    QTest::mouseRelease(button, Qt::LeftButton, {}, QPoint(50, 20));
    QCOMPARE(Shown(*button), Look(tollhaven::kCopyIcon, QIcon::Active));
    QTest::mouseMove(&window, QPoint(180, 90));
    QTRY_COMPARE(Shown(*button), Look(tollhaven::kCopyIcon, QIcon::Normal));

    button->setEnabled(false);
    QCOMPARE(button->icon()
                 .pixmap(24, 24, QIcon::Disabled)
                 .toImage()
                 .convertToFormat(QImage::Format_ARGB32),
             Look(tollhaven::kCopyIcon, QIcon::Disabled));
  }
};

QTEST_MAIN(ArtworkTest)
#include "artwork_test.moc"
