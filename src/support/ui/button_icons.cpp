#include "support/ui/button_icons.h"

#include <QApplication>
#include <QEvent>
#include <QIconEngine>
#include <QImage>
#include <QPainter>
#include <QPixmap>
#include <QStyle>
#include <QStyleOption>
#include <QSvgRenderer>
#include <array>
#include <map>
#include <memory>
#include <optional>
#include <tuple>

#include "support/ui/resource_images.h"

namespace tollhaven {
namespace {

// How much lighter the hot look is (toward white) and how much darker the pressed one.
constexpr double kHotLift = 0.35;
constexpr int kPressedShade = 45;

// Draws one SVG in the four looks at any pixel size. `pinned` makes every enabled mode draw that
// one look: a button's style asks for Normal or Active by its own rules (Active for keyboard
// focus), while the picture follows the mouse and the button's state.
class ButtonIconEngine : public QIconEngine {
 public:
  ButtonIconEngine(std::shared_ptr<QSvgRenderer> svg, int logicalSize,
                   std::optional<QIcon::Mode> pinned)
      : svg_(std::move(svg)), logicalSize_(logicalSize), pinned_(pinned) {}

  QSize actualSize(const QSize& size, QIcon::Mode, QIcon::State) override {
    QSize natural = svg_->defaultSize();
    if (natural.isEmpty()) {
      return size;
    }
    natural.scale(size, Qt::KeepAspectRatio);
    return natural;
  }

  QPixmap pixmap(const QSize& size, QIcon::Mode mode, QIcon::State state) override {
    const QIcon::Mode look = mode == QIcon::Disabled ? QIcon::Disabled : pinned_.value_or(mode);
    const QSize pixels = actualSize(size, mode, state);
    const auto key = std::make_tuple(pixels.width(), pixels.height(), static_cast<int>(look));
    if (const auto found = cache_.find(key); found != cache_.end()) {
      return found->second;
    }
    QPixmap drawn = Draw(pixels, look);
    cache_.emplace(key, drawn);
    return drawn;
  }

  void paint(QPainter* painter, const QRect& rect, QIcon::Mode mode, QIcon::State state) override {
    const qreal ratio = painter->device() != nullptr ? painter->device()->devicePixelRatioF() : 1;
    QPixmap picture = pixmap(rect.size() * ratio, mode, state);
    picture.setDevicePixelRatio(ratio);
    painter->drawPixmap(rect.topLeft(), picture);
  }

  QIconEngine* clone() const override { return new ButtonIconEngine(svg_, logicalSize_, pinned_); }

  QString key() const override { return QStringLiteral("tollhaven-button"); }

 private:
  QImage Render(QSize pixels, QPointF offset) const {
    QImage image(pixels, QImage::Format_ARGB32_Premultiplied);
    image.fill(Qt::transparent);
    QPainter painter(&image);
    painter.setRenderHint(QPainter::Antialiasing);
    painter.translate(offset);
    svg_->render(&painter, QRectF(QPointF(0, 0), QSizeF(pixels)));
    return image;
  }

  static void Tint(QImage& image, const QColor& colour) {
    // Only where the picture is: its transparent parts stay transparent.
    QPainter painter(&image);
    painter.setCompositionMode(QPainter::CompositionMode_SourceAtop);
    painter.fillRect(image.rect(), colour);
  }

  QPixmap Draw(QSize pixels, QIcon::Mode look) const {
    if (pixels.isEmpty() || !svg_->isValid()) {
      return {};
    }
    switch (look) {
      case QIcon::Active: {
        QImage hot = Render(pixels, {});
        Tint(hot, QColor::fromRgbF(1, 1, 1, kHotLift));
        return QPixmap::fromImage(hot);
      }
      case QIcon::Selected: {
        // One logical pixel down and right, however many device pixels that is.
        const qreal step = logicalSize_ > 0 ? qreal(pixels.width()) / logicalSize_ : 1;
        QImage pressed = Render(pixels, QPointF(step, step));
        Tint(pressed, QColor(0, 0, 0, kPressedShade));
        return QPixmap::fromImage(pressed);
      }
      case QIcon::Disabled: {
        const QPixmap normal = QPixmap::fromImage(Render(pixels, {}));
        if (qobject_cast<QApplication*>(QCoreApplication::instance()) == nullptr) {
          return normal;  // no widgets, no style to ask
        }
        QStyleOption option;
        option.palette = QApplication::palette();
        const QPixmap greyed =
            QApplication::style()->generatedIconPixmap(QIcon::Disabled, normal, &option);
        return greyed.isNull() ? normal : greyed;
      }
      case QIcon::Normal:
        break;
    }
    return QPixmap::fromImage(Render(pixels, {}));
  }

  std::shared_ptr<QSvgRenderer> svg_;
  int logicalSize_;
  std::optional<QIcon::Mode> pinned_;
  std::map<std::tuple<int, int, int>, QPixmap> cache_;
};

std::shared_ptr<QSvgRenderer> LoadSvg(const QString& resource) {
  InitResources();
  return std::make_shared<QSvgRenderer>(resource);
}

// Swaps a button's picture as the mouse comes and goes and the button goes down and up.
class ButtonLookSwitcher : public QObject {
 public:
  ButtonLookSwitcher(QAbstractButton* button, const QString& resource, int size)
      : QObject(button), button_(button) {
    setObjectName(QStringLiteral("buttonLookSwitcher"));
    const std::shared_ptr<QSvgRenderer> svg = LoadSvg(resource);
    for (QIcon::Mode look : {QIcon::Normal, QIcon::Active, QIcon::Selected}) {
      looks_[static_cast<std::size_t>(look)] = QIcon(new ButtonIconEngine(svg, size, look));
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
    QIcon::Mode look = QIcon::Normal;
    if (button_->isDown()) {
      look = QIcon::Selected;
    } else if (hot_) {
      look = QIcon::Active;
    }
    button_->setIcon(looks_[static_cast<std::size_t>(look)]);
  }

  QAbstractButton* button_;
  // By mode: Normal, Disabled (unused), Active, Selected.
  std::array<QIcon, 4> looks_;
  bool hot_ = false;
};

}  // namespace

QIcon ButtonIcon(const QString& resource, int size) {
  return QIcon(new ButtonIconEngine(LoadSvg(resource), size, std::nullopt));
}

void SetButtonIcon(QAbstractButton* button, const QString& resource, int size) {
  // A second call replaces the first switcher instead of adding one that fights it.
  delete button->findChild<QObject*>(QStringLiteral("buttonLookSwitcher"),
                                     Qt::FindDirectChildrenOnly);
  new ButtonLookSwitcher(button, resource, size);
}

}  // namespace tollhaven
