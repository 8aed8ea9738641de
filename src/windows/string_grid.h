#pragma once

#include <QAbstractTableModel>
#include <QColor>
#include <QTableView>

#include <memory>
#include <vector>

/// Cells of a grid whose texts are made when they are asked for, so that a long table need not
/// hold a text per cell: row 0 holds the headings and column 0 the row numbers.
class GridCells
{
public:
    virtual ~GridCells() = default;
    /// The rows, the heading row included.
    [[nodiscard]] virtual int rowCount() const = 0;
    /// The text of a cell inside the grid.
    [[nodiscard]] virtual QString cell(int column, int row) const = 0;
};

/// The texts of a grid whose row 0 holds headings and whose column 0 holds row numbers. The
/// model's items are the other cells; row 0 and column 0 are its header data, so that the
/// view keeps them fixed while the rest scrolls. Cells are addressed as (column, row) in the
/// order the grid was filled, whatever the user has moved since. The texts are either held,
/// written cell by cell in a refill, or made when shown by the GridCells given.
class StringGridModel : public QAbstractTableModel
{
    Q_OBJECT

public:
    StringGridModel(int colCount, QObject *parent = nullptr);

    [[nodiscard]] int ColCount() const { return m_colCount; }
    [[nodiscard]] int RowCount() const { return m_rowCount; }

    [[nodiscard]] QString cell(int column, int row) const;
    /// Writes a cell without telling the view: only between beginRefill and endRefill.
    void setCell(int column, int row, const QString &text);
    /// Shows `cells` in place of every text held; the view is told.
    void showCells(std::unique_ptr<const GridCells> cells);

    /// Starts a refill: every cell empty, `rowCount` rows (heading row included, at least 1).
    void beginRefill(int rowCount);
    /// Ends a refill: the view shows the new cells.
    void endRefill();

    [[nodiscard]] int rowCount(const QModelIndex &parent = {}) const override;
    [[nodiscard]] int columnCount(const QModelIndex &parent = {}) const override;
    [[nodiscard]] QVariant data(const QModelIndex &index, int role) const override;
    [[nodiscard]] QVariant headerData(int section, Qt::Orientation orientation,
                                      int role) const override;
    [[nodiscard]] Qt::ItemFlags flags(const QModelIndex &index) const override;

private:
    int m_colCount;
    int m_rowCount = 1;
    std::vector<QString> m_cells; ///< row by row, m_colCount cells each
    /// Where the texts come from instead of m_cells; none while they are held.
    std::unique_ptr<const GridCells> m_source;
};

/// A grid of texts that the user may scroll, select in ranges, and whose rows and columns
/// (other than the fixed heading row and row-number column) the user may resize and drag to
/// new places; it is not editable. cellText reads it as the user sees it.
class StringGrid : public QTableView
{
    Q_OBJECT

public:
    /// A grid of `colCount` columns (the row-number column included) and one row.
    explicit StringGrid(int colCount, QWidget *parent = nullptr);

    [[nodiscard]] int ColCount() const { return m_model->ColCount(); }
    [[nodiscard]] int RowCount() const { return m_model->RowCount(); }

    /// The text shown at (visualColumn, visualRow), both counted from 0 in the order the columns
    /// and rows stand on screen now, after any that the user dragged elsewhere: row 0 is the
    /// heading row, column 0 the row-number column. Empty outside the grid.
    [[nodiscard]] QString cellText(int visualColumn, int visualRow) const;
    /// The text of a cell by its own place, wherever the user moved it.
    [[nodiscard]] QString cell(int column, int row) const { return m_model->cell(column, row); }

    /// The width of a column's text area and the height of a row's, without the grid line.
    void setColWidths(int defaultWidth, const QList<std::pair<int, int>> &exceptions);
    void setDefaultRowHeight(int height);
    /// The width of the lines between cells, drawn right of and below each cell.
    void setGridLineWidth(int width);
    [[nodiscard]] int gridLineWidth() const { return m_gridLineWidth; }
    /// Colours of the cells, their text, the fixed row and column, and the grid lines.
    void setColors(const QColor &cells, const QColor &text, const QColor &fixed,
                   const QColor &lines);
    /// The size of a column or row (by its own place) without the grid line; the default
    /// outside the grid.
    [[nodiscard]] int ColWidths(int column) const;
    [[nodiscard]] int RowHeights(int row) const;

    /// Shows `cells`, whose texts are made as they are shown, in place of every cell; the rows
    /// and columns go back to their own order as after a refill.
    void showCells(std::unique_ptr<const GridCells> cells);

    /// Empties every cell and sets the row count for the life of the object; cells are then
    /// written with setCell by their own place, whatever the user moved. On its end (also when
    /// an exception leaves the scope) the grid shows the new cells, the rows and columns back
    /// in their own order; sizes the user gave them stay.
    class Refill
    {
    public:
        Refill(StringGrid &grid, int rowCount);
        ~Refill();
        Refill(const Refill &) = delete;
        Refill &operator=(const Refill &) = delete;

        void setCell(int column, int row, const QString &text)
        {
            m_grid.m_model->setCell(column, row, text);
        }

    private:
        StringGrid &m_grid;
    };

private:
    void applySizes();
    /// Puts the rows and columns the user dragged back in their own order; sizes stay.
    void restoreOrder();
    void applyStyle();

    StringGridModel *m_model;
    int m_defaultColWidth = 64;
    QList<std::pair<int, int>> m_colWidthExceptions;
    int m_rowHeight = 20;
    int m_gridLineWidth = 1;
    QColor m_cellColor = Qt::white;
    QColor m_textColor = Qt::black;
    QColor m_fixedColor = Qt::lightGray;
    QColor m_lineColor = Qt::gray;
};
