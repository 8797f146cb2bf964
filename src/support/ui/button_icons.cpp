#include "support/ui/button_icons.h"

#include <QEvent>
#include <QIcon>
#include <QImage>
#include <QPainter>
#include <algorithm>
#include <array>

#include "support/ui/resource_images.h"

namespace tollhaven {
namespace {

QImage Brightened(QImage image) {
  for (int y = 0; y < image.height(); ++y) {
    auto* line = reinterpret_cast<QRgb*>(image.scanLine(y));
    for (int x = 0; x < image.width(); ++x) {
      const QRgb p = line[x];
      const auto lift = [](int c) { return std::min(255, c + (255 - c) * 35 / 100); };
      line[x] = qRgba(lift(qRed(p)), lift(qGreen(p)), lift(qBlue(p)), qAlpha(p));
    }
  }
  return image;
}

QImage PressedDown(const QImage& image) {
  QImage pressed(image.size(), QImage::Format_ARGB32_Premultiplied);
  pressed.fill(Qt::transparent);
  QPainter painter(&pressed);
  painter.drawImage(1, 1, image);
  painter.setCompositionMode(QPainter::CompositionMode_SourceAtop);
  painter.fillRect(pressed.rect(), QColor(0, 0, 0, 45));
  return pressed;
}

QImage Faded(QImage image) {
  for (int y = 0; y < image.height(); ++y) {
    auto* line = reinterpret_cast<QRgb*>(image.scanLine(y));
    for (int x = 0; x < image.width(); ++x) {
      const QRgb p = line[x];
      const int grey = 96 + qGray(p) * 5 / 8;
      line[x] = qRgba(grey, grey, grey, qAlpha(p) / 2);
    }
  }
  return image;
}

// Swaps a button's picture as the mouse comes and goes and the button goes down and up.
class ButtonLookSwitcher : public QObject {
 public:
  ButtonLookSwitcher(QAbstractButton* button, const QString& resource, int size)
      : QObject(button), button_(button) {
    setObjectName(QStringLiteral("buttonLookSwitcher"));
    const QPixmap disabled = ButtonPixmap(resource, size, ButtonLook::Disabled);
    for (ButtonLook look : {ButtonLook::Normal, ButtonLook::Hot, ButtonLook::Pressed}) {
      QIcon& icon = icons_[static_cast<int>(look)];
      icon.addPixmap(ButtonPixmap(resource, size, look), QIcon::Normal);
      icon.addPixmap(disabled, QIcon::Disabled);
    }
    button->setIconSize(QSize(size, size));
    button->installEventFilter(this);
    connect(button, &QAbstractButton::pressed, this, &ButtonLookSwitcher::Refresh);
    connect(button, &QAbstractButton::released, this, &ButtonLookSwitcher::Refresh);
    Refresh();
  }

 protected:
  bool eventFilter(QObject* watched, QEvent* event) override {
    if (watched == button_) {
      if (event->type() == QEvent::Enter) {
        hot_ = true;
        Refresh();
      } else if (event->type() == QEvent::Leave) {
        hot_ = false;
        Refresh();
      }
    }
    return false;
  }

 private:
  void Refresh() {
    ButtonLook look = ButtonLook::Normal;
    if (button_->isDown()) {
      look = ButtonLook::Pressed;
    } else if (hot_) {
      look = ButtonLook::Hot;
    }
    button_->setIcon(icons_[static_cast<int>(look)]);
  }

  QAbstractButton* button_;
  std::array<QIcon, 3> icons_;
  bool hot_ = false;
};

}  // namespace

QPixmap ButtonPixmap(const QString& resource, int size, ButtonLook look) {
  InitResources();
  const QImage normal = QIcon(resource)
                            .pixmap(size, size)
                            .toImage()
                            .convertToFormat(QImage::Format_ARGB32_Premultiplied)
                            .scaled(size, size);
  if (normal.isNull()) {
    return {};
  }
  switch (look) {
    case ButtonLook::Normal:
      return QPixmap::fromImage(normal);
    case ButtonLook::Hot:
      return QPixmap::fromImage(Brightened(normal.convertToFormat(QImage::Format_ARGB32)));
    case ButtonLook::Pressed:
      return QPixmap::fromImage(PressedDown(normal));
    case ButtonLook::Disabled:
      return QPixmap::fromImage(Faded(normal.convertToFormat(QImage::Format_ARGB32)));
  }
  return {};
}

void SetButtonIcon(QAbstractButton* button, const QString& resource, int size) {
  // A second call replaces the first switcher instead of adding one that fights it.
  delete button->findChild<QObject*>(QStringLiteral("buttonLookSwitcher"),
                                     Qt::FindDirectChildrenOnly);
  new ButtonLookSwitcher(button, resource, size);
}

}  // namespace tollhaven
