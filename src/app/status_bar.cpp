#include "app/status_bar.h"

#include <QLabel>

namespace tollhaven {
namespace {

// Right edges of the first three parts; the last part runs to the end.
constexpr int kPartEnds[] = {80, 154, 210};

}  // namespace

StatusBar::StatusBar(QWidget* parent) : QStatusBar(parent) {
  setSizeGripEnabled(true);
  int start = 0;
  for (int part = 0; part < kParts; ++part) {
    auto* label = new QLabel(this);
    label->setObjectName(QStringLiteral("statusPart%1").arg(part));
    if (part < kParts - 1) {
      label->setFixedWidth(kPartEnds[part] - start);
      start = kPartEnds[part];
      addWidget(label);
    } else {
      addWidget(label, 1);
    }
    parts_[part] = label;
  }
}

void StatusBar::SetStatusText(int part, std::string_view text) {
  if (part < 0 || part >= kParts) {
    return;
  }
  QLabel* label = parts_[part];
  QString value = QString::fromUtf8(text.data(), static_cast<qsizetype>(text.size()));
  QMetaObject::invokeMethod(
      label, [label, value] { label->setText(value); }, Qt::AutoConnection);
}

QString StatusBar::partText(int part) const {
  if (part < 0 || part >= kParts) {
    return {};
  }
  return parts_[part]->text();
}

}  // namespace tollhaven
