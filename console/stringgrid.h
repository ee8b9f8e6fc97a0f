#pragma once
// A grid of text cells for the upload pages: at most one fixed row (shown as the column
// headers), no fixed column. Cells hold bytes of the 8-bit charset and are converted only when
// painted, so filling it with thousands of rows costs no more than handing them over.
#include <QTableView>

#include <string>
#include <vector>

namespace fprn::console {

class TStringGrid : public QTableView {
public:
    using Bytes = std::string;
    using Row = std::vector<Bytes>;

    // One column, one empty row, no fixed row.
    explicit TStringGrid(QWidget* parent = nullptr);
    ~TStringGrid() override;

    // Replaces every cell in one pass: `fixedRow` (none when empty) above `rows`. The column
    // count is the longest of them; a shorter row reads as empty cells.
    void SetCells(Row fixedRow, std::vector<Row> rows);

    // Counts as the grid has them, the fixed row included.
    int RowCount() const;
    int ColCount() const;
    int FixedRows() const;
    // The text of cell (col, row), row 0 being the fixed row when there is one; empty outside.
    QString Cell(int col, int row) const;

    // The width of "W" in the grid's font; a column of n units is n of them plus 2 pixels.
    int WUnit() const;
    void SetColWidthW(int col, int units);
    int ColWidth(int col) const { return columnWidth(col); }

private:
    class Model;
    Model* model_;
};

} // namespace fprn::console
