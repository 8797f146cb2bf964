#pragma once

#include <QProxyStyle>
#include <QStyledItemDelegate>

class QTreeView;

namespace tollhaven {

// Draws the header's sort arrows right of the column titles, from the model's kSortArrowRole.
class SortArrowStyle : public QProxyStyle {
  Q_OBJECT

 public:
  using QProxyStyle::QProxyStyle;
  void drawControl(ControlElement element, const QStyleOption* option, QPainter* painter,
                   const QWidget* widget) const override;
};

// Draws each cell with a thin line at its right and bottom edge: the list's grid lines.
class GridLineDelegate : public QStyledItemDelegate {
  Q_OBJECT

 public:
  using QStyledItemDelegate::QStyledItemDelegate;
  void paint(QPainter* painter, const QStyleOptionViewItem& option,
             const QModelIndex& index) const override;
};

// Gives a panel's list its look: grid lines, movable columns, the arrows in its header and the
// column widths 140 / 68 / 120. Called again after the list gets its model.
void SetupPanelList(QTreeView* list);

// Widens the Size column (never narrows it) so that the widest size the list shows is not cut.
void FitSizeColumn(QTreeView* list);

}  // namespace tollhaven
