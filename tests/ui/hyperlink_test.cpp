#include <QApplication>
#include <QDesktopServices>
#include <QSignalSpy>
#include <QTest>
#include <QUrlQuery>

#include "support/ui/hyperlink.h"

using tollhaven::HyperLink;

namespace {

// Stands in for the desktop's browser and mail program.
class UrlRecorder : public QObject {
  Q_OBJECT

 public:
  QList<QUrl> opened;
  Q_INVOKABLE void open(const QUrl& url) { opened.append(url); }
};

}  // namespace

class HyperLinkTest : public QObject {
  Q_OBJECT

 private slots:
  void init() {
    parent_ = new QWidget;
    parent_->resize(300, 120);
    link_ = new HyperLink(parent_);
    link_->move(20, 20);
    link_->SetHoverColor(Qt::red);
    link_->SetNormalColor(Qt::blue);
  }
  void cleanup() {
    QDesktopServices::unsetUrlHandler(QStringLiteral("mailto"));
    delete parent_;
  }

  void mailTarget_data() {
    QTest::addColumn<bool>("hasSubject");
    QTest::addColumn<bool>("hasBody");
    QTest::addColumn<QString>("target");
    QTest::newRow("address only") << false << false << "mailto:team@example.org";
    QTest::newRow("subject") << true << false << "mailto:team@example.org?subject=Hello there";
    QTest::newRow("subject and body")
        << true << true << "mailto:team@example.org?subject=Hello there&body=Nice work ...";
    QTest::newRow("body without subject") << false << true << "mailto:team@example.org";
  }
  void mailTarget() {
    QFETCH(bool, hasSubject);
    QFETCH(bool, hasBody);
    QFETCH(QString, target);
    link_->SetLinkType(HyperLink::LinkType::Email);
    if (hasSubject) {
      link_->SetSubject(QStringLiteral("Hello there"));
    }
    if (hasBody) {
      link_->SetBody(QStringLiteral("Nice work ..."));
    }
    link_->SetText(QStringLiteral("team@example.org"));
    QCOMPARE(link_->LinkTarget(), target);

    const QUrl url = link_->LinkUrl();
    QCOMPARE(url.scheme(), QStringLiteral("mailto"));
    QCOMPARE(url.path(), QStringLiteral("team@example.org"));
    const QUrlQuery query(url);
    QCOMPARE(query.hasQueryItem(QStringLiteral("subject")), hasSubject);
    QCOMPARE(query.hasQueryItem(QStringLiteral("body")), hasSubject && hasBody);
  }

  void webLinkIgnoresMailExtras() {
    link_->SetSubject(QStringLiteral("ignored"));
    link_->SetText(QStringLiteral("https://tollhaven.example.org/"));
    QCOMPARE(link_->LinkTarget(), QStringLiteral("https://tollhaven.example.org/"));
    QCOMPARE(link_->LinkUrl(), QUrl(QStringLiteral("https://tollhaven.example.org/")));
  }

  void setLinkTypeReturnsPrevious() {
    QCOMPARE(link_->SetLinkType(HyperLink::LinkType::Email), HyperLink::LinkType::Web);
    QCOMPARE(link_->SetLinkType(HyperLink::LinkType::Web), HyperLink::LinkType::Email);
  }

  // Characters that separate the parts of a mailto address must stay part of the text.
  void subjectAndBodyKeepDelimiters() {
    link_->SetLinkType(HyperLink::LinkType::Email);
    link_->SetSubject(QStringLiteral("Q&A #1? 100%"));
    link_->SetBody(QStringLiteral("a=b&c"));
    link_->SetText(QStringLiteral("team@example.org"));
    const QUrlQuery query(link_->LinkUrl());
    QCOMPARE(query.queryItemValue(QStringLiteral("subject"), QUrl::FullyDecoded),
             QStringLiteral("Q&A #1? 100%"));
    QCOMPARE(query.queryItemValue(QStringLiteral("body"), QUrl::FullyDecoded),
             QStringLiteral("a=b&c"));
  }

  void longSubjectAndBodyAreCut() {
    link_->SetLinkType(HyperLink::LinkType::Email);
    link_->SetSubject(QString(2000, QLatin1Char('s')));
    link_->SetBody(QString(1023, QLatin1Char('b')));
    link_->SetText(QStringLiteral("x@example.org"));
    const QString expected = QStringLiteral("mailto:x@example.org?subject=") +
                             QString(1023, QLatin1Char('s')) + QStringLiteral("&body=") +
                             QString(1023, QLatin1Char('b'));
    QCOMPARE(link_->LinkTarget(), expected);
  }

  void leftClickOpensTheLink() {
    auto* recorder = new UrlRecorder;
    recorder->setParent(parent_);
    QDesktopServices::setUrlHandler(QStringLiteral("mailto"), recorder, "open");
    link_->SetLinkType(HyperLink::LinkType::Email);
    link_->SetSubject(QStringLiteral("Hi"));
    link_->SetText(QStringLiteral("team@example.org"));
    ShowParent();

    QTest::mouseClick(link_, Qt::RightButton, {}, QPoint(2, 2));
    QVERIFY(recorder->opened.isEmpty());
    QTest::mouseClick(link_, Qt::LeftButton, {}, QPoint(2, 2));
    QCOMPARE(recorder->opened.size(), 1);
    QCOMPARE(recorder->opened.first(), link_->LinkUrl());
  }

  void onlyEnterAndSpaceOpenTheLinkFromTheKeyboard() {
    auto* recorder = new UrlRecorder;
    recorder->setParent(parent_);
    QDesktopServices::setUrlHandler(QStringLiteral("mailto"), recorder, "open");
    link_->SetLinkType(HyperLink::LinkType::Email);
    link_->SetText(QStringLiteral("team@example.org"));
    ShowParent();
    link_->setFocus();
    QCOMPARE(QApplication::focusWidget(), link_);

    const struct {
      Qt::Key key;
      Qt::KeyboardModifiers modifiers;
      bool opens;
    } keys[] = {
        {Qt::Key_A, Qt::NoModifier, false},           {Qt::Key_Escape, Qt::NoModifier, false},
        {Qt::Key_Return, Qt::ControlModifier, false}, {Qt::Key_Space, Qt::ShiftModifier, false},
        {Qt::Key_Return, Qt::NoModifier, true},       {Qt::Key_Enter, Qt::KeypadModifier, true},
        {Qt::Key_Space, Qt::NoModifier, true},
    };
    qsizetype opened = 0;
    for (const auto& entry : keys) {
      QTest::keyClick(link_, entry.key, entry.modifiers);
      opened += entry.opens ? 1 : 0;
      QCOMPARE(recorder->opened.size(), opened);
    }
    QCOMPARE(recorder->opened.last(), link_->LinkUrl());
  }

  void oneHoverNotificationPerEntry() {
    link_->SetText(QStringLiteral("https://tollhaven.example.org/"));
    ShowParent();
    QSignalSpy hovered(link_, &HyperLink::Hovered);
    QCOMPARE(link_->currentColor(), QColor(Qt::blue));

    QTest::mouseMove(link_, QPoint(3, 3));
    QTest::mouseMove(link_, QPoint(6, 4));
    QCOMPARE(hovered.count(), 1);
    QCOMPARE(link_->currentColor(), QColor(Qt::red));

    QTest::mouseMove(parent_, QPoint(250, 100));
    QTRY_COMPARE(link_->currentColor(), QColor(Qt::blue));
    QTest::mouseMove(link_, QPoint(3, 3));
    QCOMPARE(hovered.count(), 2);
  }

  void normalColourWaitsWhileHovered() {
    link_->SetText(QStringLiteral("https://tollhaven.example.org/"));
    ShowParent();
    QTest::mouseMove(link_, QPoint(3, 3));
    link_->SetNormalColor(Qt::darkGreen);
    QCOMPARE(link_->currentColor(), QColor(Qt::red));
    QTest::mouseMove(parent_, QPoint(250, 100));
    QTRY_COMPARE(link_->currentColor(), QColor(Qt::darkGreen));
  }

  void hoverColourShowsAtOnceWhileHovered() {
    link_->SetText(QStringLiteral("https://tollhaven.example.org/"));
    ShowParent();
    QTest::mouseMove(link_, QPoint(3, 3));
    link_->SetHoverColor(Qt::magenta);
    QCOMPARE(link_->currentColor(), QColor(Qt::magenta));
  }

  void sizeFollowsTextAndFont() {
    link_->SetText(QStringLiteral("short"));
    const QSize small = link_->size();
    link_->SetText(QStringLiteral("a considerably longer text"));
    QVERIFY(link_->width() > small.width());
    QCOMPARE(link_->size(), link_->sizeHint());

    const QSize before = link_->size();
    QFont big = link_->font();
    big.setPixelSize(40);
    link_->setFont(big);
    QVERIFY(link_->height() > before.height());
    QVERIFY(link_->width() > before.width());
    const QFontMetrics metrics(big);
    QCOMPARE(link_->size(),
             metrics.boundingRect(QRect(), Qt::AlignLeft | Qt::AlignTop, link_->text()).size());
  }

  void underlineIsDrawnInTheCurrentColour() {
    link_->SetText(QStringLiteral("https://tollhaven.example.org/"));
    const QImage plain = link_->grab().toImage();
    link_->SetUnderline(true);
    const QImage underlined = link_->grab().toImage();
    const int bottom = underlined.height() - 1;
    for (int x : {1, underlined.width() / 2, underlined.width() - 2}) {
      QCOMPARE(underlined.pixelColor(x, bottom), QColor(Qt::blue));
      QVERIFY(plain.pixelColor(x, bottom) != QColor(Qt::blue));
    }
  }

 private:
  void ShowParent() {
    parent_->show();
    QVERIFY(QTest::qWaitForWindowActive(parent_));
    // Start every test with the mouse away from the link: a move to where the mouse already is
    // delivers nothing.
    QTest::mouseMove(parent_, QPoint(250, 100));
  }

  QWidget* parent_ = nullptr;
  HyperLink* link_ = nullptr;
};

QTEST_MAIN(HyperLinkTest)
#include "hyperlink_test.moc"
