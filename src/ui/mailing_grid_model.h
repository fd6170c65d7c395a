#pragma once
// Shows the MailingGrid in a QTableView: row 0 (the headings) becomes the horizontal header,
// column 0 (the row numbers) the vertical header, so both stay fixed while the data scrolls.
// The model reads the grid table directly; nothing is copied per cell.

#include "merge/grid_table.h"

#include <QAbstractTableModel>
#include <QColor>
#include <QStyledItemDelegate>

namespace quillory::ui {

class MailingGridModel final : public QAbstractTableModel {
    Q_OBJECT
public:
    explicit MailingGridModel(const merge::GridTable& grid, QObject* parent = nullptr);

    // View rows and columns are the grid's data rows and columns.
    static int gridRow(int viewRow) { return viewRow + 1; }
    static int gridColumn(int viewColumn) { return viewColumn + 1; }

    int rowCount(const QModelIndex& parent = QModelIndex()) const override;
    int columnCount(const QModelIndex& parent = QModelIndex()) const override;
    QVariant data(const QModelIndex& index, int role) const override;
    QVariant headerData(int section, Qt::Orientation orientation, int role) const override;

    // The grid was replaced (normalisation) or its cells changed.
    void gridReset();
    void cellsChanged();

    void setAddressColumns(std::vector<int> gridColumns); // lime headings
    void setMarkedRow(int gridRow);
    int markedRow() const { return m_markedRow; }
    bool isAddressHeading(int gridColumn) const;

    static inline const QColor addressColour{0, 255, 0};
    static inline const QColor markColour{255, 0, 0};

private:
    const merge::GridTable& m_grid;
    std::vector<int> m_addressColumns;
    int m_markedRow = 0;
};

// Draws the row mark: a red bottom border of width 2 under each data cell of the marked row.
class RowMarkDelegate final : public QStyledItemDelegate {
public:
    using QStyledItemDelegate::QStyledItemDelegate;
    void paint(QPainter* painter, const QStyleOptionViewItem& option, const QModelIndex& index) const override;
};

} // namespace quillory::ui
