#pragma once
// The item grid on Qt: a table view over a model of the editor's sheet (no item per cell),
// headers that stand for the title row and the sequence column, a delegate that paints the
// cells and makes the cell editor. The view keeps the editing state itself: cells are edited
// only when the form switches editing on, and every change of the current cell passes one
// veto (OnSelectCell) first.
#include "plucore.h"

#include <QAbstractTableModel>
#include <QHeaderView>
#include <QItemSelectionModel>
#include <QLineEdit>
#include <QPointer>
#include <QStyledItemDelegate>
#include <QTableView>

#include <array>
#include <functional>

namespace fprn::itemeditor {

// The sheet as a table model: model row i is grid row i + 1, model column j grid column j + 1.
// Bytes become Qt strings here and nowhere else.
class PluGridModel : public QAbstractTableModel {
    Q_OBJECT
public:
    explicit PluGridModel(QObject* parent = nullptr);

    int rowCount(const QModelIndex& parent = {}) const override;
    int columnCount(const QModelIndex& parent = {}) const override;
    QVariant data(const QModelIndex& index, int role) const override;
    bool setData(const QModelIndex& index, const QVariant& value, int role) override;
    Qt::ItemFlags flags(const QModelIndex& index) const override;
    QVariant headerData(int section, Qt::Orientation orientation, int role) const override;

    const PluSheet& Sheet() const { return sheet_; }
    // Runs a change of the sheet, then tells the views once about every cell it changed.
    template <typename Change> decltype(auto) Edit(Change&& change) {
        struct Flush {
            PluGridModel* model;
            ~Flush() { model->Flush(); }
        } flush{this};
        return change(sheet_);
    }
    // One cell from the GUI: control characters become blanks.
    void SetCellText(int row, int column, const QString& text);

    // Titles of columns 0 to 6 ("Seq No." first).
    const std::array<QString, kColumns + 1>& Titles() const { return titles_; }
    void SetTitles(const std::array<QString, kColumns + 1>& titles);

private:
    void Flush();
    PluSheet sheet_;
    std::array<QString, kColumns + 1> titles_;
};

// Raised text: the highlight copy moved up and left, the shadow copy down and right, then the
// text itself in the painter's pen colour. Offsets of 0 draw no copy.
void DrawShadowText(QPainter& painter, const QString& text, const QRect& rect, int shadowDown,
                    int shadowRight, const QColor& shadow, int highlightUp, int highlightLeft,
                    const QColor& highlight, int flags);

class TMyStringGrid;

// The title row or the sequence column; the corner cell is drawn by the grid.
class PluHeaderView : public QHeaderView {
    Q_OBJECT
public:
    PluHeaderView(Qt::Orientation orientation, TMyStringGrid* grid);
    // Draws a fixed cell: the style's header background, then the raised navy text, centred,
    // or left-aligned when wider than the cell.
    static void PaintFixedCell(QPainter& painter, QWidget* widget, const QRect& rect,
                               const QString& text);

protected:
    void paintSection(QPainter* painter, const QRect& rect, int logicalIndex) const override;
};

// The cell editor: its keys go through the grid's key handlers first.
class PluCellEditor : public QLineEdit {
    Q_OBJECT
public:
    PluCellEditor(TMyStringGrid* grid, QWidget* parent);

protected:
    bool event(QEvent* e) override;
    void keyPressEvent(QKeyEvent* e) override;

private:
    TMyStringGrid* grid_;
};

class PluCellDelegate : public QStyledItemDelegate {
    Q_OBJECT
public:
    explicit PluCellDelegate(TMyStringGrid* grid);
    // Both draw or measure only the start of a cell's text that the cell can show.
    void paint(QPainter* painter, const QStyleOptionViewItem& option,
               const QModelIndex& index) const override;
    QSize sizeHint(const QStyleOptionViewItem& option, const QModelIndex& index) const override;
    QWidget* createEditor(QWidget* parent, const QStyleOptionViewItem& option,
                          const QModelIndex& index) const override;
    void setEditorData(QWidget* editor, const QModelIndex& index) const override;
    void setModelData(QWidget* editor, QAbstractItemModel* model,
                      const QModelIndex& index) const override;
    void updateEditorGeometry(QWidget* editor, const QStyleOptionViewItem& option,
                              const QModelIndex& index) const override;

protected:
    // The editor neither commits nor closes by itself (Enter, Tab, Escape, focus out).
    bool eventFilter(QObject* object, QEvent* event) override;

private:
    // The start of the cell's text that `width` pixels can show.
    QString ShownText(const QModelIndex& index, int width) const;
    TMyStringGrid* grid_;
};

// Every change of the current index asks the grid first.
class PluSelectionModel : public QItemSelectionModel {
    Q_OBJECT
public:
    PluSelectionModel(QAbstractItemModel* model, TMyStringGrid* grid);
    void setCurrentIndex(const QModelIndex& index,
                         QItemSelectionModel::SelectionFlags command) override;

private:
    TMyStringGrid* grid_;
};

// The key shortcuts of the form's menu that the view and the cell editor must leave to it.
bool IsMenuShortcut(const QKeyEvent* e);

class TMyStringGrid : public QTableView {
    Q_OBJECT
public:
    explicit TMyStringGrid(QWidget* parent = nullptr);

    PluGridModel* Model() const { return model_; }
    // The current cell in grid numbers.
    int Col() const;
    int Row() const;
    // Makes (column, row) current, the selection that cell alone. False when the veto refused.
    bool MoveTo(int column, int row);
    // The selected block; at least the current cell.
    CellRect Selection() const;
    // Takes row `from` out and puts it in at `to`.
    void MoveRow(int from, int to);

    // Editing state: the editing option with the cell editor open on the current cell.
    bool Editing() const { return editing_; }
    void SetEditing(bool on);
    PluCellEditor* Editor() const { return editor_; }
    // Writes the editor's text (control characters blanked) into the current cell.
    void CommitEditor();
    // Types a character into the open editor, as if it had been pressed there.
    void SendCharToEditor(QChar key);
    // Row height and column widths from the font: widths in digits, or the title when wider.
    void SetColumnWidths(const std::array<QString, kColumns + 1>& titles,
                         const std::array<int, kColumns + 1>& digits);

    // Events. A key handler sets the key to 0 to swallow it.
    std::function<void(int column, int row, bool& canSelect)> OnSelectCell;
    std::function<void(int& key, Qt::KeyboardModifiers modifiers)> OnKeyDown;
    std::function<void(QChar& key)> OnKeyPress;
    std::function<void()> OnDblClick;
    // Focus left the grid and its editor for another widget of the same window.
    std::function<void()> OnExit;
    std::function<void()> OnResize;

    // The veto for a move to `index`; also used by the selection model.
    bool ApproveMove(const QModelIndex& index);
    // Key handling shared with the editor: navigation keys after the veto.
    void Navigate(QKeyEvent* e);

protected:
    bool event(QEvent* e) override;
    void keyPressEvent(QKeyEvent* e) override;
    void mousePressEvent(QMouseEvent* e) override;
    void mouseMoveEvent(QMouseEvent* e) override;
    void mouseReleaseEvent(QMouseEvent* e) override;
    void mouseDoubleClickEvent(QMouseEvent* e) override;
    void resizeEvent(QResizeEvent* e) override;
    bool eventFilter(QObject* object, QEvent* event) override;

private:
    friend class PluCellDelegate;
    bool Inside(const QWidget* w) const;
    void FocusChanged(QWidget* old, QWidget* now);
    void SelectBlock(const QModelIndex& a, const QModelIndex& b);

    PluGridModel* model_;
    PluSelectionModel* selection_;
    PluCellDelegate* delegate_;
    QPointer<PluCellEditor> editor_;
    bool editing_ = false;
    bool vetoRunning_ = false;
    bool exiting_ = false;
    QPersistentModelIndex approved_;
    QPersistentModelIndex anchor_;
    bool dragging_ = false;
};

} // namespace fprn::itemeditor
