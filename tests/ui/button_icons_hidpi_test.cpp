// The command buttons' pictures on a screen with two device pixels to the logical pixel (and at
// one and a half): drawn from their SVGs at the device resolution, never enlarged from a small
// picture. With TOLLHAVEN_MAIN_WINDOW_SCREENSHOT set to a file name, the main window at scale
// factor 2 is also saved there as a picture.
#include <QApplication>
#include <QPainter>
#include <QPushButton>
#include <QSvgRenderer>
#include <QTest>
#include <algorithm>
#include <optional>

#include "app/control_ids.h"
#include "main_window_fixture.h"
#include "support/ui/button_icons.h"
#include "support/ui/control_ids.h"
#include "support/ui/resource_images.h"

using namespace tollhaven;
using tollhaven::testing::WindowUnderTest;

namespace {

struct ToolbarButton {
  int id;
  const char* resource;
  int size;  // logical pixels
};

const ToolbarButton kButtons[] = {
    {ids::kViewButton, kViewIcon, 24},
    {ids::kEditButton, kEditIcon, 24},
    {ids::kAttributesButton, kAttributesIcon, 24},
    {ids::kRestartButton, kRestartIcon, 24},
    {ids::kMoveButton, kMoveIcon, 24},
    {ids::kCopyButton, kCopyIcon, 24},
    {ids::kNewFolderButton, kNewFolderIcon, 24},
    {ids::kDeleteButton, kDeleteIcon, 24},
    {ids::kLeftRereadButton, kRereadIcon, 16},
    {ids::kRightRereadButton, kRereadIcon, 16},
};

QImage Argb(const QImage& image) {
  return image.convertToFormat(QImage::Format_ARGB32);
}

// What sharp looks like: the SVG itself drawn straight at `pixels` device pixels.
QImage SvgAt(const QString& resource, int pixels) {
  InitResources();
  QSvgRenderer svg(resource);
  QImage image(pixels, pixels, QImage::Format_ARGB32_Premultiplied);
  image.fill(Qt::transparent);
  QPainter painter(&image);
  svg.render(&painter, QRectF(0, 0, pixels, pixels));
  painter.end();
  return Argb(image);
}

// The largest difference of any channel, alpha included, between two pictures of one size.
int Difference(const QImage& a, const QImage& b) {
  if (a.size() != b.size()) {
    return 256;
  }
  int largest = 0;
  for (int y = 0; y < a.height(); ++y) {
    for (int x = 0; x < a.width(); ++x) {
      const QRgb p = a.pixel(x, y);
      const QRgb q = b.pixel(x, y);
      largest = std::max({largest, std::abs(qRed(p) - qRed(q)), std::abs(qGreen(p) - qGreen(q)),
                          std::abs(qBlue(p) - qBlue(q)), std::abs(qAlpha(p) - qAlpha(q))});
    }
  }
  return largest;
}

// Where `picture` shows unchanged in `shot`: every fully opaque pixel of it found at one place,
// device pixel for device pixel. Nothing when it is nowhere, as when it was drawn scaled.
std::optional<QPoint> FindPicture(const QImage& shot, const QImage& picture) {
  for (int top = 0; top + picture.height() <= shot.height(); ++top) {
    for (int left = 0; left + picture.width() <= shot.width(); ++left) {
      bool same = true;
      int opaque = 0;
      for (int y = 0; y < picture.height() && same; ++y) {
        for (int x = 0; x < picture.width() && same; ++x) {
          const QRgb p = picture.pixel(x, y);
          if (qAlpha(p) < 255) {
            continue;
          }
          ++opaque;
          const QRgb s = shot.pixel(left + x, top + y);
          same = std::abs(qRed(p) - qRed(s)) <= 2 && std::abs(qGreen(p) - qGreen(s)) <= 2 &&
                 std::abs(qBlue(p) - qBlue(s)) <= 2;
        }
      }
      if (same && opaque > 0) {
        return QPoint(left, top);
      }
    }
  }
  return std::nullopt;
}

}  // namespace

class ButtonIconsHiDpiTest : public QObject {
  Q_OBJECT

 private slots:
  void picturesAreDrawnAtTheDeviceResolution_data() {
    QTest::addColumn<QString>("resource");
    QTest::addColumn<int>("size");
    QTest::addColumn<qreal>("scale");
    for (const ToolbarButton& button : kButtons) {
      if (button.id == ids::kRightRereadButton) {
        continue;  // the same picture as the left one
      }
      for (qreal scale : {1.5, 2.0}) {
        QTest::addRow("%s at %g", button.resource, scale)
            << QString::fromLatin1(button.resource) << button.size << scale;
      }
    }
  }
  void picturesAreDrawnAtTheDeviceResolution() {
    QFETCH(QString, resource);
    QFETCH(int, size);
    QFETCH(qreal, scale);
    const int pixels = qRound(size * scale);
    const QPixmap drawn = ButtonIcon(resource, size).pixmap(QSize(size, size), scale);
    QCOMPARE(drawn.size(), QSize(pixels, pixels));
    QCOMPARE(drawn.devicePixelRatio(), scale);
    QCOMPARE(drawn.deviceIndependentSize(), QSizeF(size, size));
    const QImage sharp = SvgAt(resource, pixels);
    QVERIFY2(Difference(Argb(drawn.toImage()), sharp) <= 1, "not the SVG at device resolution");
    // The comparison tells an enlarged small picture from a sharp one.
    const QImage enlarged =
        SvgAt(resource, size)
            .scaled(pixels, pixels, Qt::IgnoreAspectRatio, Qt::SmoothTransformation);
    QVERIFY(Difference(enlarged, sharp) > 32);
  }

  void looksDifferAtScaleTwo() {
    const QIcon icon = ButtonIcon(QString::fromLatin1(kCopyIcon), 24);
    const auto look = [&icon](QIcon::Mode mode) {
      return Argb(icon.pixmap(QSize(24, 24), 2.0, mode).toImage());
    };
    const QImage normal = look(QIcon::Normal);
    QCOMPARE(Difference(normal, SvgAt(QString::fromLatin1(kCopyIcon), 48)), 0);
    for (QIcon::Mode mode : {QIcon::Active, QIcon::Selected, QIcon::Disabled}) {
      QCOMPARE(look(mode).size(), QSize(48, 48));
      QVERIFY2(Difference(look(mode), normal) > 32, qPrintable(QString::number(mode)));
    }
    // Hot is lighter, pressed darker, disabled without colour, as the buttons have always been.
    const auto lightness = [](const QImage& image) {
      qint64 sum = 0;
      for (int y = 0; y < image.height(); ++y) {
        for (int x = 0; x < image.width(); ++x) {
          sum += qAlpha(image.pixel(x, y)) == 255 ? qGray(image.pixel(x, y)) : 0;
        }
      }
      return sum;
    };
    QVERIFY(lightness(look(QIcon::Active)) > lightness(normal));
    QVERIFY(lightness(look(QIcon::Selected)) < lightness(normal));
    const QImage disabled = look(QIcon::Disabled);
    for (int y = 0; y < disabled.height(); ++y) {
      for (int x = 0; x < disabled.width(); ++x) {
        const QRgb p = disabled.pixel(x, y);
        QVERIFY(qRed(p) == qGreen(p) && qGreen(p) == qBlue(p));
      }
    }
  }

  void hotAndPressedLooksFollowTheButton() {
    QWidget window;
    window.resize(200, 100);
    auto* button = new QPushButton(QStringLiteral("Copy"), &window);
    button->setGeometry(10, 10, 100, 40);
    SetButtonIcon(button, QString::fromLatin1(kCopyIcon), 24);
    window.show();
    QVERIFY(QTest::qWaitForWindowActive(&window));
    const QIcon icon = ButtonIcon(QString::fromLatin1(kCopyIcon), 24);
    const auto shows = [button, &icon](QIcon::Mode mode) {
      const QImage look = Argb(icon.pixmap(QSize(24, 24), 2.0, mode).toImage());
      return FindPicture(Argb(button->grab().toImage()), look).has_value();
    };
    QTest::mouseMove(&window, QPoint(180, 90));
    QVERIFY(shows(QIcon::Normal));
    QTest::mouseMove(button, QPoint(50, 20));
    QVERIFY(shows(QIcon::Active));
    QVERIFY(!shows(QIcon::Normal));
    QTest::mousePress(button, Qt::LeftButton, {}, QPoint(50, 20));
    QVERIFY(shows(QIcon::Selected));
    QTest::mouseRelease(button, Qt::LeftButton, {}, QPoint(50, 20));
    QVERIFY(shows(QIcon::Active));
  }

  void theMainWindowShowsEveryPictureSharp() {
    WindowUnderTest test;
    QVERIFY(test.Show());
    MainWindow& window = *test.window;
    QCOMPARE(window.devicePixelRatio(), 2.0);

    for (const ToolbarButton& entry : kButtons) {
      auto* button = FindControl<QPushButton>(&window, entry.id);
      QVERIFY(button != nullptr);
      QCOMPARE(button->iconSize(), QSize(entry.size, entry.size));
      // Attributes and Move start disabled; the rest show their normal look.
      const QIcon::Mode mode = button->isEnabled() ? QIcon::Normal : QIcon::Disabled;
      const QImage expected = Argb(ButtonIcon(QString::fromLatin1(entry.resource), entry.size)
                                       .pixmap(QSize(entry.size, entry.size), 2.0, mode)
                                       .toImage());
      QCOMPARE(expected.size(), QSize(entry.size * 2, entry.size * 2));
      const QImage shot = Argb(button->grab().toImage());
      QCOMPARE(shot.size(), button->size() * 2);
      QVERIFY2(FindPicture(shot, expected).has_value(), qPrintable(button->objectName()));
    }

    const QString screenshot = qEnvironmentVariable("TOLLHAVEN_MAIN_WINDOW_SCREENSHOT");
    if (!screenshot.isEmpty()) {
      QTest::mouseMove(window.list(kLeft)->viewport(), QPoint(5, 5));
      window.list(kLeft)->setFocus();
      QTest::qWait(50);
      QVERIFY(window.grab().save(screenshot));
    }
  }
};

int main(int argc, char** argv) {
  // Two device pixels to the logical pixel, as a desktop set to scale factor 2 gives.
  qputenv("QT_SCALE_FACTOR", "2");
  QApplication app(argc, argv);
  ButtonIconsHiDpiTest test;
  return QTest::qExec(&test, argc, argv);
}

#include "button_icons_hidpi_test.moc"
