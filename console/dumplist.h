#pragma once
// The list box of the return buffer: one line of text per row, all rows one height, a selected
// row. Appending costs the same with 100,000 rows as with none (the toolkit's item views lay
// out every row again on each insertion), and only the visible rows are painted.
#include <QAbstractScrollArea>
#include <QStringList>
#include <vector>

namespace fprn::console {

class TDumpListBox : public QAbstractScrollArea {
public:
    explicit TDumpListBox(QWidget* parent = nullptr);

    int count() const { return static_cast<int>(lines_.size()); }
    // The text of a row; empty outside the list.
    QString line(int row) const;
    QStringList lines() const;
    // Appends the lines, selects the last one and scrolls it into view.
    void addLines(const QStringList& lines);
    void clear();
    // -1 for none.
    int currentRow() const { return current_; }
    void setCurrentRow(int row);

protected:
    void paintEvent(QPaintEvent* event) override;
    void resizeEvent(QResizeEvent* event) override;
    void mousePressEvent(QMouseEvent* event) override;
    void keyPressEvent(QKeyEvent* event) override;
    void changeEvent(QEvent* event) override;

private:
    int RowHeight() const;
    int VisibleRows() const;
    void UpdateScrollRange();
    void ScrollTo(int row);

    std::vector<QString> lines_;
    int current_ = -1;
};

} // namespace fprn::console
