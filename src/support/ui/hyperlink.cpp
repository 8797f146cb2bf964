#include "support/ui/hyperlink.h"

#include <QAccessible>
#include <QCursor>
#include <QDesktopServices>
#include <QEvent>
#include <QKeyEvent>
#include <QMouseEvent>
#include <QPainter>
#include <QStyle>
#include <QStyleOptionFocusRect>
#include <algorithm>

#include "support/ui/hyperlink_accessible.h"

namespace tollhaven {

HyperLink::HyperLink(QWidget* parent) : QWidget(parent) {
  static const bool accessible = [] {
    QAccessible::installFactory(HyperLinkAccessibleFactory);
    return true;
  }();
  (void)accessible;
  setCursor(Qt::PointingHandCursor);
  setMouseTracking(true);
  setFocusPolicy(Qt::StrongFocus);
  setSizePolicy(QSizePolicy::Fixed, QSizePolicy::Fixed);
  FitToText();
}

HyperLink::LinkType HyperLink::SetLinkType(LinkType type) {
  const LinkType previous = type_;
  type_ = type;
  return previous;
}

bool HyperLink::CursorIsOver() const {
  return hovering_ || underMouse();
}

void HyperLink::SetHoverColor(const QColor& color) {
  hoverColor_ = color;
  if (CursorIsOver()) {
    currentColor_ = color;
    hovering_ = true;
  }
  repaint();
}

void HyperLink::SetNormalColor(const QColor& color) {
  normalColor_ = color;
  if (!CursorIsOver()) {
    currentColor_ = color;
  }
  repaint();
}

void HyperLink::SetSubject(const QString& subject) {
  subject_ = subject.left(kMaxExtraLength);
}

void HyperLink::SetBody(const QString& body) {
  body_ = body.left(kMaxExtraLength);
}

void HyperLink::SetUnderline(bool underline) {
  underline_ = underline;
  update();
}

void HyperLink::SetText(const QString& text) {
  text_ = text;
  FitToText();
  update();
}

QString HyperLink::LinkTarget() const {
  if (type_ == LinkType::Web) {
    return text_;
  }
  QString target = QStringLiteral("mailto:") + text_;
  if (subject_) {
    target += QStringLiteral("?subject=") + *subject_;
    if (body_) {
      target += QStringLiteral("&body=") + *body_;
    }
  }
  return target;
}

QUrl HyperLink::LinkUrl() const {
  if (type_ == LinkType::Web) {
    return QUrl(text_, QUrl::TolerantMode);
  }
  QUrl url;
  url.setScheme(QStringLiteral("mailto"));
  url.setPath(text_);
  if (subject_) {
    QByteArray query = "subject=" + QUrl::toPercentEncoding(*subject_);
    if (body_) {
      query += "&body=" + QUrl::toPercentEncoding(*body_);
    }
    url.setQuery(QString::fromLatin1(query), QUrl::StrictMode);
  }
  return url;
}

void HyperLink::Open() const {
  QDesktopServices::openUrl(LinkUrl());
}

QSize HyperLink::sizeHint() const {
  // Measured as several lines would be, the way the text is drawn; an empty text still has the
  // height of one line so the control stays reachable.
  const QRect bounds = fontMetrics().boundingRect(QRect(), Qt::AlignLeft | Qt::AlignTop, text_);
  return QSize(bounds.width(), std::max(bounds.height(), fontMetrics().height()));
}

void HyperLink::FitToText() {
  updateGeometry();
  resize(sizeHint());
}

void HyperLink::changeEvent(QEvent* event) {
  if (event->type() == QEvent::FontChange) {
    FitToText();
    repaint();
  }
  QWidget::changeEvent(event);
}

void HyperLink::keyPressEvent(QKeyEvent* event) {
  switch (event->key()) {
    case Qt::Key_Return:
    case Qt::Key_Enter:
    case Qt::Key_Space:
      if ((event->modifiers() & ~Qt::KeypadModifier) == Qt::NoModifier) {
        // Taken here, so a dialog's default button does not answer the Enter as well.
        Open();
        event->accept();
        return;
      }
      break;
    default:
      break;
  }
  QWidget::keyPressEvent(event);
}

void HyperLink::mouseMoveEvent(QMouseEvent* event) {
  currentColor_ = hoverColor_;
  if (!hovering_) {
    hovering_ = true;
    emit Hovered();
    update();
  }
  QWidget::mouseMoveEvent(event);
}

void HyperLink::mousePressEvent(QMouseEvent* event) {
  if (event->button() == Qt::LeftButton) {
    Open();
  }
  QWidget::mousePressEvent(event);
}

void HyperLink::leaveEvent(QEvent* event) {
  hovering_ = false;
  currentColor_ = normalColor_;
  update();
  QWidget::leaveEvent(event);
}

void HyperLink::paintEvent(QPaintEvent*) {
  QPainter painter(this);
  painter.setFont(font());
  painter.setPen(currentColor_);
  painter.drawText(rect(), Qt::AlignLeft | Qt::AlignTop, text_);
  if (underline_) {
    painter.setPen(QPen(currentColor_, 1));
    painter.drawLine(0, height() - 1, width(), height() - 1);
  }
  if (hasFocus()) {
    // The style's focus frame around the text, as on a button that has the keyboard.
    QStyleOptionFocusRect frame;
    frame.initFrom(this);
    frame.backgroundColor = palette().color(backgroundRole());
    style()->drawPrimitive(QStyle::PE_FrameFocusRect, &frame, &painter, this);
  }
}

}  // namespace tollhaven
