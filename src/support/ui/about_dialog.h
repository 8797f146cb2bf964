#pragma once

#include <QDialog>

#include "support/project_addresses.h"

namespace tollhaven {

// The mail link's subject and body; its address and the other links are the project's
// addresses (support/project_addresses.h).
inline constexpr const char* kAuthorMailSubject = "About Tollhaven V3.2.7";
inline constexpr const char* kAuthorMailBody = "I run Tollhaven, and I think ...";

// The About box: what the program is, who made it, where to find it, on the harbour picture.
class AboutDialog : public QDialog {
  Q_OBJECT

 public:
  static constexpr int kDialogId = 1200;
  static constexpr int kAuthorCreditId = 1201;
  static constexpr int kForumCaptionId = 1202;
  static constexpr int kOkButtonId = 1203;
  static constexpr int kAuthorCaptionId = 1204;
  static constexpr int kTitleLabelId = 1205;
  static constexpr int kThanksCaptionId = 1206;
  static constexpr int kHomePageCaptionId = 1207;
  static constexpr int kBuildDateLabelId = 1208;
  static constexpr int kThanksCreditId = 1209;
  static constexpr int kThanksCredit2Id = 1210;
  static constexpr int kHomePageLinkId = 1211;
  static constexpr int kMailLinkId = 1212;
  static constexpr int kVersionLabelId = 1213;
  static constexpr int kThanksCredit3Id = 1214;
  static constexpr int kForumLinkId = 1215;

  explicit AboutDialog(QWidget* parent = nullptr);

  // Whether the background picture could be loaded; without it the box keeps plain colours.
  bool hasBackground() const { return hasBackground_; }

 private:
  bool hasBackground_ = false;
};

}  // namespace tollhaven
