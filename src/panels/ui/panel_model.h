#pragma once

#include <QAbstractTableModel>
#include <string_view>
#include <vector>

#include "panels/column_click.h"
#include "panels/panel_row.h"
#include "panels/row_order.h"

namespace tollhaven {

class PanelIcons;

// One panel's rows for its list view: the core's rows, their icons and the header with its
// sort arrows. Sorting keeps every row's selection with the row.
class PanelModel : public QAbstractTableModel {
  Q_OBJECT

 public:
  // The header image of a column (kNoArrow, kArrowDown, kArrowUp).
  static constexpr int kSortArrowRole = Qt::UserRole + 1;

  // How the names of the rows are written: local names in UTF-8, handset names in 8-bit
  // characters, one byte each.
  enum class Names { Local, Handset };

  PanelModel(const PanelIcons& icons, QObject* parent);

  int rowCount(const QModelIndex& parent = {}) const override;
  int columnCount(const QModelIndex& parent = {}) const override;
  QVariant data(const QModelIndex& index, int role) const override;
  QVariant headerData(int section, Qt::Orientation orientation, int role) const override;
  Qt::ItemFlags flags(const QModelIndex& index) const override;

  void SetRows(std::vector<PanelRow> rows, Names names);
  const std::vector<PanelRow>& rows() const { return rows_; }
  Names names() const { return names_; }
  // A row's name as the user sees it; empty for a row that does not exist.
  QString NameOf(int row) const;
  QString Text(std::string_view text) const;

  // Orders the rows by `mode` and renumbers them; selected rows stay selected.
  void Sort(int mode, const NameCompare& names);

  const PanelHeader& header() const { return header_; }
  // Changes the header (arrows, column 2's title) and repaints it.
  void SetHeader(const PanelHeader& header);

 private:
  const PanelIcons& icons_;
  std::vector<PanelRow> rows_;
  Names names_ = Names::Local;
  PanelHeader header_;
};

}  // namespace tollhaven
