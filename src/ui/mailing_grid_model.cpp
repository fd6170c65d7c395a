#include "ui/mailing_grid_model.h"

#include "ui/qtext.h"

#include <QPainter>

#include <algorithm>

namespace quillory::ui {

MailingGridModel::MailingGridModel(const merge::GridTable& grid, QObject* parent)
    : QAbstractTableModel(parent), m_grid(grid) {}

int MailingGridModel::rowCount(const QModelIndex& parent) const {
    return parent.isValid() ? 0 : m_grid.rowCount() - 1;
}

int MailingGridModel::columnCount(const QModelIndex& parent) const {
    return parent.isValid() ? 0 : m_grid.columnCount() - 1;
}

QVariant MailingGridModel::data(const QModelIndex& index, int role) const {
    if (!index.isValid()) return {};
    const int col = gridColumn(index.column());
    const int row = gridRow(index.row());
    if (col >= m_grid.columnCount() || row >= m_grid.rowCount()) return {};
    if (role == Qt::DisplayRole || role == Qt::EditRole) return toQ(m_grid.cell(col, row));
    if (role == Qt::UserRole) return row == m_markedRow;
    return {};
}

QVariant MailingGridModel::headerData(int section, Qt::Orientation orientation, int role) const {
    if (orientation == Qt::Horizontal) {
        const int col = gridColumn(section);
        if (col >= m_grid.columnCount()) return {};
        switch (role) {
        case Qt::DisplayRole: return toQ(m_grid.cell(col, 0));
        case Qt::ToolTipRole: return QStringLiteral("Insert in message template");
        case Qt::BackgroundRole:
            if (isAddressHeading(col)) return QBrush(addressColour);
            return {};
        default: return {};
        }
    }
    const int row = gridRow(section);
    if (row >= m_grid.rowCount()) return {};
    if (role == Qt::DisplayRole) return toQ(m_grid.cell(0, row));
    if (role == Qt::TextAlignmentRole) return int(Qt::AlignCenter);
    return {};
}

void MailingGridModel::gridReset() {
    beginResetModel();
    endResetModel();
}

void MailingGridModel::cellsChanged() {
    if (rowCount() > 0 && columnCount() > 0) emit dataChanged(index(0, 0), index(rowCount() - 1, columnCount() - 1));
    emit headerDataChanged(Qt::Horizontal, 0, std::max(0, columnCount() - 1));
}

void MailingGridModel::setAddressColumns(std::vector<int> gridColumns) {
    m_addressColumns = std::move(gridColumns);
    if (columnCount() > 0) emit headerDataChanged(Qt::Horizontal, 0, columnCount() - 1);
}

bool MailingGridModel::isAddressHeading(int gridColumn) const {
    return std::find(m_addressColumns.begin(), m_addressColumns.end(), gridColumn) != m_addressColumns.end();
}

void MailingGridModel::setMarkedRow(int row) {
    const int old = m_markedRow;
    m_markedRow = row;
    for (int r : {old, row}) {
        const int viewRow = r - 1;
        if (viewRow >= 0 && viewRow < rowCount() && columnCount() > 0)
            emit dataChanged(index(viewRow, 0), index(viewRow, columnCount() - 1), {Qt::UserRole});
    }
}

void RowMarkDelegate::paint(QPainter* painter, const QStyleOptionViewItem& option, const QModelIndex& index) const {
    QStyledItemDelegate::paint(painter, option, index);
    if (index.data(Qt::UserRole).toBool()) {
        painter->save();
        painter->fillRect(QRect(option.rect.left(), option.rect.bottom() - 1, option.rect.width(), 2),
                          MailingGridModel::markColour);
        painter->restore();
    }
}

} // namespace quillory::ui
