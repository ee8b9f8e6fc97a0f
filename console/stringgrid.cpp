#include "stringgrid.h"

#include "languagetext.h"

#include <QAbstractTableModel>
#include <QFontMetrics>
#include <QHeaderView>

#include <algorithm>

namespace fprn::console {

class TStringGrid::Model : public QAbstractTableModel {
public:
    explicit Model(QObject* parent) : QAbstractTableModel(parent) {}

    void Set(Row fixedRow, std::vector<Row> rows) {
        beginResetModel();
        fixed_ = std::move(fixedRow);
        hasFixed_ = !fixed_.empty();
        rows_ = std::move(rows);
        cols_ = fixed_.size();
        for (const Row& row : rows_) cols_ = std::max(cols_, row.size());
        endResetModel();
    }

    bool HasFixed() const { return hasFixed_; }
    int Rows() const { return static_cast<int>(rows_.size()); }
    int Cols() const { return static_cast<int>(cols_); }

    const Bytes* CellBytes(int col, int row) const {
        if (col < 0 || row < 0 || col >= Cols()) return nullptr;
        if (hasFixed_ && row == 0) return Pick(fixed_, col);
        std::size_t r = static_cast<std::size_t>(row - (hasFixed_ ? 1 : 0));
        return r < rows_.size() ? Pick(rows_[r], col) : nullptr;
    }

    int rowCount(const QModelIndex& parent) const override { return parent.isValid() ? 0 : Rows(); }
    int columnCount(const QModelIndex& parent) const override {
        return parent.isValid() ? 0 : Cols();
    }
    QVariant data(const QModelIndex& index, int role) const override {
        if (role != Qt::DisplayRole || !index.isValid()) return {};
        const Bytes* cell = Pick(rows_[static_cast<std::size_t>(index.row())], index.column());
        return cell ? lang::FromCharset(*cell) : QString();
    }
    QVariant headerData(int section, Qt::Orientation orientation, int role) const override {
        if (role != Qt::DisplayRole || orientation != Qt::Horizontal || !hasFixed_) return {};
        const Bytes* cell = Pick(fixed_, section);
        return cell ? lang::FromCharset(*cell) : QString();
    }

private:
    static const Bytes* Pick(const Row& row, int col) {
        return static_cast<std::size_t>(col) < row.size() ? &row[static_cast<std::size_t>(col)]
                                                          : nullptr;
    }

    Row fixed_;
    bool hasFixed_ = false;
    std::vector<Row> rows_;
    std::size_t cols_ = 0;
};

TStringGrid::TStringGrid(QWidget* parent) : QTableView(parent), model_(new Model(this)) {
    setModel(model_);
    verticalHeader()->hide();
    // All rows one height: the view then lays out thousands of rows at no cost.
    verticalHeader()->setSectionResizeMode(QHeaderView::Fixed);
    verticalHeader()->setDefaultSectionSize(fontMetrics().height() + 6);
    horizontalHeader()->setSectionResizeMode(QHeaderView::Interactive);
    horizontalHeader()->setHighlightSections(false);
    horizontalHeader()->setStretchLastSection(false);
    setEditTriggers(QAbstractItemView::NoEditTriggers);
    setSelectionMode(QAbstractItemView::SingleSelection);
    setWordWrap(false);
    SetCells({}, {Row{Bytes()}});
}

TStringGrid::~TStringGrid() = default;

void TStringGrid::SetCells(Row fixedRow, std::vector<Row> rows) {
    model_->Set(std::move(fixedRow), std::move(rows));
    horizontalHeader()->setVisible(model_->HasFixed());
}

int TStringGrid::RowCount() const {
    return model_->Rows() + (model_->HasFixed() ? 1 : 0);
}

int TStringGrid::ColCount() const {
    return model_->Cols();
}

int TStringGrid::FixedRows() const {
    return model_->HasFixed() ? 1 : 0;
}

QString TStringGrid::Cell(int col, int row) const {
    const Bytes* cell = model_->CellBytes(col, row);
    return cell ? lang::FromCharset(*cell) : QString();
}

int TStringGrid::WUnit() const {
    return fontMetrics().horizontalAdvance(QLatin1Char('W'));
}

void TStringGrid::SetColWidthW(int col, int units) {
    setColumnWidth(col, units * WUnit() + 2);
}

} // namespace fprn::console
