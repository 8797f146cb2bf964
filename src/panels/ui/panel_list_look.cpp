#include "panels/ui/panel_list_look.h"

#include <algorithm>

#include <QFontMetrics>
#include <QHeaderView>
#include <QIcon>
#include <QPainter>
#include <QStyleOptionHeader>
#include <QTreeView>

#include "panels/column_click.h"
#include "panels/ui/panel_model.h"
#include "support/ui/resource_images.h"

namespace tollhaven {

namespace {
constexpr int kArrowSize = 16;
constexpr int kArrowGap = 2;
}  // namespace

void SortArrowStyle::drawControl(ControlElement element, const QStyleOption* option,
                                 QPainter* painter, const QWidget* widget) const {
  const auto* header = qobject_cast<const QHeaderView*>(widget);
  const auto* label = qstyleoption_cast<const QStyleOptionHeader*>(option);
  if (element != CE_HeaderLabel || header == nullptr || label == nullptr ||
      header->model() == nullptr) {
    QProxyStyle::drawControl(element, option, painter, widget);
    return;
  }
  const int arrow = header->model()
                        ->headerData(label->section, Qt::Horizontal, PanelModel::kSortArrowRole)
                        .toInt();
  if (arrow != kArrowUp && arrow != kArrowDown) {
    QProxyStyle::drawControl(element, option, painter, widget);
    return;
  }
  // The title keeps the room left of the arrow.
  QStyleOptionHeader shortened(*label);
  const QRect whole = label->rect;
  shortened.rect.setRight(whole.right() - kArrowSize - kArrowGap);
  QProxyStyle::drawControl(element, &shortened, painter, widget);
  const QIcon icon(QString::fromLatin1(arrow == kArrowUp ? kSortUpIcon : kSortDownIcon));
  const QRect place(whole.right() - kArrowSize - kArrowGap + 1,
                    whole.top() + (whole.height() - kArrowSize) / 2, kArrowSize, kArrowSize);
  icon.paint(painter, place);
}

void GridLineDelegate::paint(QPainter* painter, const QStyleOptionViewItem& option,
                             const QModelIndex& index) const {
  QStyledItemDelegate::paint(painter, option, index);
  painter->save();
  painter->setPen(option.palette.color(QPalette::Midlight));
  painter->drawLine(option.rect.topRight(), option.rect.bottomRight());
  painter->drawLine(option.rect.bottomLeft(), option.rect.bottomRight());
  painter->restore();
}

void SetupPanelList(QTreeView* list) {
  InitResources();
  QHeaderView* header = list->header();
  if (qobject_cast<SortArrowStyle*>(header->style()) == nullptr) {
    auto* style = new SortArrowStyle();
    style->setParent(header);
    header->setStyle(style);
  }
  if (qobject_cast<GridLineDelegate*>(list->itemDelegate()) == nullptr) {
    list->setItemDelegate(new GridLineDelegate(list));
  }
  header->setSectionsMovable(true);
  header->setSectionsClickable(true);
  header->setStretchLastSection(false);
  list->setColumnWidth(0, 140);
  list->setColumnWidth(1, 68);
  list->setColumnWidth(2, 120);
  list->setRootIsDecorated(false);
  list->setAllColumnsShowFocus(true);
  list->setSelectionMode(QAbstractItemView::ExtendedSelection);
  list->setSelectionBehavior(QAbstractItemView::SelectRows);
}

void FitSizeColumn(QTreeView* list) {
  constexpr int kSizeColumn = 1;
  const QAbstractItemModel* model = list->model();
  const QFontMetrics metrics = list->fontMetrics();
  int widest = 0;
  for (int row = 0; row < model->rowCount(); ++row) {
    widest = std::max(
        widest, metrics.horizontalAdvance(model->data(model->index(row, kSizeColumn)).toString()));
  }
  // The item's text margin on either side, and the grid line at its right edge.
  const int margin = list->style()->pixelMetric(QStyle::PM_FocusFrameHMargin, nullptr, list) + 1;
  const int needed = widest + 2 * margin + 1;
  if (needed > list->columnWidth(kSizeColumn)) {
    list->setColumnWidth(kSizeColumn, needed);
  }
}

}  // namespace tollhaven
