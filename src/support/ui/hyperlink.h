#pragma once

#include <QColor>
#include <QString>
#include <QUrl>
#include <QWidget>
#include <optional>

namespace tollhaven {

// A one-line text that looks and acts like a link: drawn in its normal colour, in its hover
// colour while the mouse is over it, optionally underlined, with the hand cursor. A click opens
// the text as a web address or as an e-mail address with an optional subject and body. The
// control always takes the size of its text; owners set the text last, after the font, colours
// and type, so that the size fits what is finally shown. Tab reaches it, Enter or Space opens it,
// a focus frame shows where the keyboard is, and assistive tools see it as a link.
class HyperLink : public QWidget {
  Q_OBJECT

 public:
  enum class LinkType { Web = 0, Email = 1 };
  // Subjects and bodies longer than this are cut to it.
  static constexpr int kMaxExtraLength = 1023;

  explicit HyperLink(QWidget* parent = nullptr);

  // Returns the previous type.
  LinkType SetLinkType(LinkType type);
  LinkType linkType() const { return type_; }
  // Takes effect at once if the mouse is over the control now.
  void SetHoverColor(const QColor& color);
  // Takes effect at once unless the mouse is over the control now.
  void SetNormalColor(const QColor& color);
  void SetSubject(const QString& subject);
  void SetBody(const QString& body);
  void SetUnderline(bool underline);
  bool underline() const { return underline_; }
  // Stores the text and resizes the control to fit it.
  void SetText(const QString& text);
  QString text() const { return text_; }

  QColor hoverColor() const { return hoverColor_; }
  QColor normalColor() const { return normalColor_; }
  QColor currentColor() const { return currentColor_; }

  // What a click opens, as a person would write it: the web address, or "mailto:" and the
  // address, then "?subject=" and the subject if one is set, then "&body=" and the body if a
  // subject and a body are set.
  QString LinkTarget() const;
  // The same as a URL; the subject and body are percent-encoded, so a "&" or "#" in them stays
  // part of the text instead of ending it.
  QUrl LinkUrl() const;
  // Opens LinkUrl() with the desktop's handler; a failure is ignored.
  void Open() const;

  QSize sizeHint() const override;
  QSize minimumSizeHint() const override { return sizeHint(); }

 signals:
  // Sent once each time the mouse enters the control.
  void Hovered();

 protected:
  void changeEvent(QEvent* event) override;
  void keyPressEvent(QKeyEvent* event) override;
  void mouseMoveEvent(QMouseEvent* event) override;
  void mousePressEvent(QMouseEvent* event) override;
  void leaveEvent(QEvent* event) override;
  void paintEvent(QPaintEvent* event) override;

 private:
  void FitToText();
  bool CursorIsOver() const;

  LinkType type_ = LinkType::Web;
  QColor hoverColor_{Qt::black};
  QColor normalColor_{Qt::black};
  QColor currentColor_{Qt::black};
  std::optional<QString> subject_;
  std::optional<QString> body_;
  bool underline_ = false;
  bool hovering_ = false;
  QString text_;
};

}  // namespace tollhaven
