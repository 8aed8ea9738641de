#include "windows/string_grid.h"

#include <QHeaderView>

namespace {

/// A header whose width across its sections is fixed: the view lays itself out by the header's
/// size hint, which would otherwise follow the widest row number.
class FixedBreadthHeader : public QHeaderView
{
public:
    using QHeaderView::QHeaderView;

    void setBreadth(int breadth)
    {
        m_breadth = breadth;
        setFixedWidth(breadth);
        updateGeometry();
    }

    QSize sizeHint() const override { return {m_breadth, QHeaderView::sizeHint().height()}; }

private:
    int m_breadth = 0;
};

} // namespace

StringGridModel::StringGridModel(int colCount, QObject *parent)
    : QAbstractTableModel(parent)
    , m_colCount(colCount)
    , m_cells(std::size_t(colCount))
{ }

QString StringGridModel::cell(int column, int row) const
{
    if (column < 0 || column >= m_colCount || row < 0 || row >= m_rowCount)
        return {};
    if (m_source)
        return m_source->cell(column, row);
    return m_cells[std::size_t(row) * std::size_t(m_colCount) + std::size_t(column)];
}

void StringGridModel::setCell(int column, int row, const QString &text)
{
    if (m_source || column < 0 || column >= m_colCount || row < 0 || row >= m_rowCount)
        return;
    m_cells[std::size_t(row) * std::size_t(m_colCount) + std::size_t(column)] = text;
}

void StringGridModel::showCells(std::unique_ptr<const GridCells> cells)
{
    beginResetModel();
    m_source = std::move(cells);
    m_rowCount = m_source ? std::max(1, m_source->rowCount()) : 1;
    std::vector<QString>().swap(m_cells);
    if (!m_source)
        m_cells.resize(std::size_t(m_colCount));
    endResetModel();
}

void StringGridModel::beginRefill(int rowCount)
{
    beginResetModel();
    m_source.reset();
    m_rowCount = std::max(1, rowCount);
    m_cells.assign(std::size_t(m_rowCount) * std::size_t(m_colCount), QString());
}

void StringGridModel::endRefill()
{
    endResetModel();
}

int StringGridModel::rowCount(const QModelIndex &parent) const
{
    return parent.isValid() ? 0 : m_rowCount - 1;
}

int StringGridModel::columnCount(const QModelIndex &parent) const
{
    return parent.isValid() ? 0 : m_colCount - 1;
}

QVariant StringGridModel::data(const QModelIndex &index, int role) const
{
    if (role != Qt::DisplayRole || !index.isValid())
        return {};
    return cell(index.column() + 1, index.row() + 1);
}

QVariant StringGridModel::headerData(int section, Qt::Orientation orientation, int role) const
{
    if (role == Qt::TextAlignmentRole)
        return QVariant::fromValue(Qt::Alignment(Qt::AlignLeft | Qt::AlignVCenter));
    if (role != Qt::DisplayRole)
        return {};
    return orientation == Qt::Horizontal ? cell(section + 1, 0) : cell(0, section + 1);
}

Qt::ItemFlags StringGridModel::flags(const QModelIndex &index) const
{
    return index.isValid() ? Qt::ItemIsEnabled | Qt::ItemIsSelectable : Qt::NoItemFlags;
}

StringGrid::StringGrid(int colCount, QWidget *parent)
    : QTableView(parent)
    , m_model(new StringGridModel(colCount, this))
{
    setVerticalHeader(new FixedBreadthHeader(Qt::Vertical, this));
    setModel(m_model);
    setEditTriggers(QAbstractItemView::NoEditTriggers);
    setSelectionMode(QAbstractItemView::ExtendedSelection);
    setSelectionBehavior(QAbstractItemView::SelectItems);
    setHorizontalScrollBarPolicy(Qt::ScrollBarAlwaysOff);
    setVerticalScrollBarPolicy(Qt::ScrollBarAsNeeded);
    setShowGrid(false);
    setWordWrap(false);
    setCornerButtonEnabled(false);
    for (QHeaderView *header : {horizontalHeader(), verticalHeader()}) {
        header->setSectionsMovable(true);
        header->setSectionResizeMode(QHeaderView::Interactive);
        header->setHighlightSections(false);
        header->setMinimumSectionSize(1);
    }
    horizontalHeader()->setStretchLastSection(false);
    applySizes();
    applyStyle();
}

QString StringGrid::cellText(int visualColumn, int visualRow) const
{
    if (visualColumn < 0 || visualColumn >= ColCount() || visualRow < 0 || visualRow >= RowCount())
        return {};
    const int column =
        visualColumn == 0 ? 0 : horizontalHeader()->logicalIndex(visualColumn - 1) + 1;
    const int row = visualRow == 0 ? 0 : verticalHeader()->logicalIndex(visualRow - 1) + 1;
    return m_model->cell(column, row);
}

void StringGrid::setColWidths(int defaultWidth, const QList<std::pair<int, int>> &exceptions)
{
    m_defaultColWidth = defaultWidth;
    m_colWidthExceptions = exceptions;
    applySizes();
}

void StringGrid::setDefaultRowHeight(int height)
{
    m_rowHeight = height;
    applySizes();
}

void StringGrid::setGridLineWidth(int width)
{
    m_gridLineWidth = width;
    applySizes();
    applyStyle();
}

void StringGrid::setColors(const QColor &cells, const QColor &text, const QColor &fixed,
                           const QColor &lines)
{
    m_cellColor = cells;
    m_textColor = text;
    m_fixedColor = fixed;
    m_lineColor = lines;
    applyStyle();
}

int StringGrid::ColWidths(int column) const
{
    if (column < 0 || column >= ColCount())
        return m_defaultColWidth;
    const int section =
        column == 0 ? verticalHeader()->width() : horizontalHeader()->sectionSize(column - 1);
    return section - m_gridLineWidth;
}

int StringGrid::RowHeights(int row) const
{
    if (row < 0 || row >= RowCount())
        return m_rowHeight;
    const int section =
        row == 0 ? horizontalHeader()->height() : verticalHeader()->sectionSize(row - 1);
    return section - m_gridLineWidth;
}

void StringGrid::applySizes()
{
    // A section spans a cell and the grid line right of or below it.
    const auto widthOf = [this](int column) {
        for (const auto &[which, width] : m_colWidthExceptions) {
            if (which == column)
                return width + m_gridLineWidth;
        }
        return m_defaultColWidth + m_gridLineWidth;
    };
    QHeaderView *columns = horizontalHeader();
    QHeaderView *rows = verticalHeader();
    columns->setDefaultSectionSize(m_defaultColWidth + m_gridLineWidth);
    for (int column = 1; column < ColCount(); ++column)
        columns->resizeSection(column - 1, widthOf(column));
    columns->setFixedHeight(m_rowHeight + m_gridLineWidth);
    rows->setDefaultSectionSize(m_rowHeight + m_gridLineWidth);
    static_cast<FixedBreadthHeader *>(rows)->setBreadth(widthOf(0));
}

void StringGrid::applyStyle()
{
    const QString line =
        QStringLiteral("%1px solid %2").arg(m_gridLineWidth).arg(m_lineColor.name());
    setStyleSheet(
        QStringLiteral("QTableView { background-color: %1; color: %2; border: 1px solid %3;"
                       " selection-background-color: #000080; selection-color: white; }"
                       "QTableView::item { border-right: %4; border-bottom: %4; }"
                       "QHeaderView::section, QTableCornerButton::section {"
                       " background-color: %5; color: %2; border: none;"
                       " border-right: %4; border-bottom: %4; padding-left: 3px; }")
            .arg(m_cellColor.name(), m_textColor.name(), m_lineColor.name(), line,
                 m_fixedColor.name()));
}

StringGrid::Refill::Refill(StringGrid &grid, int rowCount)
    : m_grid(grid)
{
    m_grid.m_model->beginRefill(rowCount);
}

StringGrid::Refill::~Refill()
{
    m_grid.m_model->endRefill();
    m_grid.restoreOrder();
}

void StringGrid::showCells(std::unique_ptr<const GridCells> cells)
{
    m_model->showCells(std::move(cells));
    restoreOrder();
}

void StringGrid::restoreOrder()
{
    // The cells are written in their own order, so the rows and columns are shown in it again;
    // the sizes the user gave them stay.
    for (QHeaderView *header : {horizontalHeader(), verticalHeader()}) {
        if (!header->sectionsMoved())
            continue;
        for (int visual = 0; visual < header->count(); ++visual) {
            if (header->logicalIndex(visual) != visual)
                header->moveSection(header->visualIndex(visual), visual);
        }
    }
}
