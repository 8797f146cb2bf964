#include "support/ui/about_dialog.h"

#include <QGridLayout>
#include <QHBoxLayout>
#include <QLabel>
#include <QPalette>
#include <QPushButton>
#include <QVBoxLayout>

#include "support/ui/control_ids.h"
#include "support/ui/dialog_fonts.h"
#include "support/ui/hyperlink.h"
#include "support/ui/resource_images.h"

namespace tollhaven {
namespace {

QLabel* MakeLabel(QWidget* parent, int id, const char* objectName, const QString& text, bool bold) {
  auto* label = new QLabel(text, parent);
  SetControlId(label, id, QString::fromLatin1(objectName));
  label->setTextFormat(Qt::PlainText);
  if (bold) {
    label->setFont(BoldTahomaFont());
  }
  return label;
}

// Colours and underline first, then the type and the mail extras, the address last so that the
// link's size fits its final text.
HyperLink* MakeLink(QWidget* parent, int id, const char* objectName, HyperLink::LinkType type,
                    const QString& address) {
  auto* link = new HyperLink(parent);
  SetControlId(link, id, QString::fromLatin1(objectName));
  link->SetHoverColor(QColor(255, 0, 0));
  link->SetNormalColor(QColor(0, 0, 255));
  link->SetUnderline(true);
  link->SetLinkType(type);
  if (type == HyperLink::LinkType::Email) {
    link->SetSubject(QString::fromLatin1(kAuthorMailSubject));
    link->SetBody(QString::fromLatin1(kAuthorMailBody));
  }
  link->SetText(address);
  return link;
}

}  // namespace

AboutDialog::AboutDialog(QWidget* parent) : QDialog(parent) {
  SetControlId(this, kDialogId, QStringLiteral("aboutDialog"));
  setWindowTitle(QStringLiteral("Tollhaven"));
  setFont(AboutDialogFont());

  const QPixmap background = ResourceImageToBitmap(kAboutImageId);
  hasBackground_ = !background.isNull();
  if (hasBackground_) {
    // The picture is tiled like a pattern brush; labels paint no background of their own, so
    // they sit on the picture. Dark text whatever the desktop theme, since the picture is pale.
    QPalette palette = this->palette();
    palette.setBrush(QPalette::Window, QBrush(background));
    palette.setColor(QPalette::WindowText, Qt::black);
    setPalette(palette);
    setAutoFillBackground(true);
    setFixedSize(background.size());
  }

  auto* title = MakeLabel(this, kTitleLabelId, "titleLabel",
                          tr("Tollhaven \u2013 Motorola P2K file manager"), true);
  auto* authorCaption = MakeLabel(this, kAuthorCaptionId, "authorCaption", tr("Author:"), true);
  auto* author =
      MakeLabel(this, kAuthorCreditId, "authorCredit", tr("The Tollhaven developers"), false);
  auto* mailLink = MakeLink(this, kMailLinkId, "mailLink", HyperLink::LinkType::Email,
                            QString::fromLatin1(kAuthorMailAddress));
  auto* thanksCaption =
      MakeLabel(this, kThanksCaptionId, "thanksCaption", tr("Special thanks:"), true);
  auto* thanks1 = MakeLabel(this, kThanksCreditId, "thanksCredit",
                            tr("all who tried it on their handsets,"), false);
  auto* thanks2 = MakeLabel(this, kThanksCredit2Id, "thanksCredit2",
                            tr("all who told us what went wrong,"), false);
  auto* thanks3 = MakeLabel(this, kThanksCredit3Id, "thanksCredit3",
                            tr("and the makers of Qt and libusb."), false);
  auto* homeCaption =
      MakeLabel(this, kHomePageCaptionId, "homePageCaption", tr("Home page:"), true);
  auto* homeLink = MakeLink(this, kHomePageLinkId, "homePageLink", HyperLink::LinkType::Web,
                            QString::fromLatin1(kHomePageAddress));
  auto* forumCaption = MakeLabel(this, kForumCaptionId, "forumCaption", tr("Forum:"), true);
  auto* forumLink = MakeLink(this, kForumLinkId, "forumLink", HyperLink::LinkType::Web,
                             QString::fromLatin1(kForumAddress));
  auto* version =
      MakeLabel(this, kVersionLabelId, "versionLabel", QStringLiteral("Version: 3.2.8"), false);
  auto* buildDate = MakeLabel(this, kBuildDateLabelId, "buildDateLabel",
                              QStringLiteral("Build date: 2005.11.5."), false);

  auto* ok = new QPushButton(tr("OK"), this);
  SetControlId(ok, kOkButtonId, QStringLiteral("okButton"));
  ok->setDefault(true);
  // The box opens with the keyboard on OK, so Enter closes it; Tab goes on to the links.
  ok->setFocus();
  // OK closes the box the way the close box does.
  connect(ok, &QPushButton::clicked, this, &AboutDialog::close);

  auto* grid = new QGridLayout;
  grid->setHorizontalSpacing(10);
  grid->addWidget(authorCaption, 0, 0, Qt::AlignTop);
  grid->addWidget(author, 0, 1);
  grid->addWidget(mailLink, 1, 1, Qt::AlignLeft);
  grid->addWidget(thanksCaption, 2, 0, Qt::AlignTop);
  grid->addWidget(thanks1, 2, 1);
  grid->addWidget(thanks2, 3, 1);
  grid->addWidget(thanks3, 4, 1);
  grid->addWidget(homeCaption, 5, 0);
  grid->addWidget(homeLink, 5, 1, Qt::AlignLeft);
  grid->addWidget(forumCaption, 6, 0);
  grid->addWidget(forumLink, 6, 1, Qt::AlignLeft);
  grid->setColumnStretch(1, 1);

  auto* bottom = new QHBoxLayout;
  auto* versions = new QVBoxLayout;
  versions->addWidget(version);
  versions->addWidget(buildDate);
  bottom->addLayout(versions);
  bottom->addStretch();
  bottom->addWidget(ok, 0, Qt::AlignBottom);

  auto* layout = new QVBoxLayout(this);
  layout->setContentsMargins(16, 14, 16, 14);
  layout->addWidget(title);
  layout->addSpacing(8);
  layout->addLayout(grid);
  layout->addStretch();
  layout->addLayout(bottom);
}

}  // namespace tollhaven
