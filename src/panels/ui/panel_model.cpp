#include "panels/ui/panel_model.h"

#include "panels/ui/panel_icons.h"

namespace tollhaven {

namespace {
constexpr int kColumns = 3;
}

PanelModel::PanelModel(const PanelIcons& icons, QObject* parent)
    : QAbstractTableModel(parent), icons_(icons) {}

int PanelModel::rowCount(const QModelIndex& parent) const {
  return parent.isValid() ? 0 : static_cast<int>(rows_.size());
}

int PanelModel::columnCount(const QModelIndex& parent) const {
  return parent.isValid() ? 0 : kColumns;
}

QString PanelModel::Text(std::string_view text) const {
  return names_ == Names::Handset
             ? QString::fromLatin1(text.data(), static_cast<qsizetype>(text.size()))
             : QString::fromUtf8(text.data(), static_cast<qsizetype>(text.size()));
}

QVariant PanelModel::data(const QModelIndex& index, int role) const {
  if (!index.isValid() || index.row() >= rowCount()) {
    return {};
  }
  const PanelRow& row = rows_[static_cast<std::size_t>(index.row())];
  switch (role) {
    case Qt::DisplayRole:
      switch (index.column()) {
        case 0:
          return Text(row.name);
        case 1:
          return QString::fromLatin1(row.size.data(), static_cast<qsizetype>(row.size.size()));
        default:
          return Text(row.column2);
      }
    case Qt::DecorationRole:
      return index.column() == 0 ? QVariant(icons_.Icon(row.icon)) : QVariant();
    case Qt::TextAlignmentRole:
      return index.column() == 1 ? int(Qt::AlignRight | Qt::AlignVCenter)
                                 : int(Qt::AlignLeft | Qt::AlignVCenter);
    default:
      return {};
  }
}

QVariant PanelModel::headerData(int section, Qt::Orientation orientation, int role) const {
  if (orientation != Qt::Horizontal || section < 0 || section >= kColumns) {
    return {};
  }
  switch (role) {
    case Qt::DisplayRole:
      switch (section) {
        case 0:
          return QStringLiteral("Filename");
        case 1:
          return QStringLiteral("Size");
        default:
          return QString::fromStdString(header_.column2Title);
      }
    case Qt::TextAlignmentRole:
      return section == 1 ? int(Qt::AlignRight | Qt::AlignVCenter)
                          : int(Qt::AlignLeft | Qt::AlignVCenter);
    case kSortArrowRole:
      return header_.arrows[static_cast<std::size_t>(section)];
    default:
      return {};
  }
}

Qt::ItemFlags PanelModel::flags(const QModelIndex& index) const {
  return index.isValid() ? Qt::ItemIsEnabled | Qt::ItemIsSelectable | Qt::ItemNeverHasChildren
                         : Qt::NoItemFlags;
}

void PanelModel::SetRows(std::vector<PanelRow> rows, Names names) {
  beginResetModel();
  rows_ = std::move(rows);
  names_ = names;
  renumberRows(rows_);
  endResetModel();
}

QString PanelModel::NameOf(int row) const {
  if (row < 0 || row >= rowCount()) {
    return {};
  }
  return Text(rows_[static_cast<std::size_t>(row)].name);
}

void PanelModel::Sort(int mode, const NameCompare& names) {
  emit layoutAboutToBeChanged({}, QAbstractItemModel::VerticalSortHint);
  const std::vector<int> from = sortPanel(rows_, mode, names);
  std::vector<int> to(from.size());
  for (std::size_t now = 0; now < from.size(); ++now) {
    to[static_cast<std::size_t>(from[now])] = static_cast<int>(now);
  }
  // The selection and the current row are persistent indexes: moving them moves the selection
  // with the rows, as a list view does when it sorts.
  const QModelIndexList before = persistentIndexList();
  QModelIndexList after;
  after.reserve(before.size());
  for (const QModelIndex& index : before) {
    const auto old = static_cast<std::size_t>(index.row());
    after.append(old < to.size() ? createIndex(to[old], index.column()) : QModelIndex());
  }
  changePersistentIndexList(before, after);
  emit layoutChanged({}, QAbstractItemModel::VerticalSortHint);
}

void PanelModel::SetHeader(const PanelHeader& header) {
  header_ = header;
  emit headerDataChanged(Qt::Horizontal, 0, kColumns - 1);
}

}  // namespace tollhaven
