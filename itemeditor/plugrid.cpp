#include "plugrid.h"

#include "languagetext.h"

#include <QAbstractButton>
#include <QApplication>
#include <QKeyEvent>
#include <QPainter>

namespace fprn::itemeditor {

namespace {

// The face colour of fixed cells.
const QColor kNavy(0x00, 0x00, 0x80);

bool IsPrintable(const QKeyEvent* e) {
    const QString text = e->text();
    if (text.isEmpty() || text.at(0).unicode() < 32 || text.at(0).unicode() == 0x7F) return false;
    return !(e->modifiers() & (Qt::ControlModifier | Qt::AltModifier | Qt::MetaModifier));
}

// The current cell's dotted frame on its edge pixels, every other pixel set. Styles draw
// their focus frame only after keyboard navigation, or not at all, so it is drawn here.
void DrawFocusFrame(QPainter& painter, const QRect& r, const QColor& color) {
    if (r.width() < 1 || r.height() < 1) return;
    const QBrush dots(color, Qt::Dense4Pattern);
    painter.fillRect(QRect(r.left(), r.top(), r.width(), 1), dots);
    painter.fillRect(QRect(r.left(), r.bottom(), r.width(), 1), dots);
    painter.fillRect(QRect(r.left(), r.top(), 1, r.height()), dots);
    painter.fillRect(QRect(r.right(), r.top(), 1, r.height()), dots);
}

} // namespace

// ---- model

PluGridModel::PluGridModel(QObject* parent) : QAbstractTableModel(parent) {
    for (std::size_t i = 0; i < titles_.size(); ++i)
        titles_[i] = QString::fromLatin1(itemfile::kPluColumnTitles[i]);
}

int PluGridModel::rowCount(const QModelIndex& parent) const {
    return parent.isValid() ? 0 : kRows;
}

int PluGridModel::columnCount(const QModelIndex& parent) const {
    return parent.isValid() ? 0 : kColumns;
}

QVariant PluGridModel::data(const QModelIndex& index, int role) const {
    if (!index.isValid() || (role != Qt::DisplayRole && role != Qt::EditRole)) return {};
    return lang::FromCharset(sheet_.Cell(index.row() + 1, index.column() + 1));
}

bool PluGridModel::setData(const QModelIndex& index, const QVariant& value, int role) {
    if (!index.isValid() || role != Qt::EditRole) return false;
    SetCellText(index.row() + 1, index.column() + 1, value.toString());
    return true;
}

Qt::ItemFlags PluGridModel::flags(const QModelIndex& index) const {
    if (!index.isValid()) return Qt::NoItemFlags;
    return Qt::ItemIsEnabled | Qt::ItemIsSelectable | Qt::ItemIsEditable;
}

QVariant PluGridModel::headerData(int section, Qt::Orientation orientation, int role) const {
    if (role != Qt::DisplayRole) return {};
    if (orientation == Qt::Horizontal)
        return section >= 0 && section < kColumns ? titles_[static_cast<std::size_t>(section) + 1]
                                                  : QString();
    return QString::number(section + 1);
}

void PluGridModel::SetCellText(int row, int column, const QString& text) {
    Edit([&](PluSheet& s) { s.SetCell(row, column, BlankControls(lang::ToCharset(text))); });
}

void PluGridModel::SetTitles(const std::array<QString, kColumns + 1>& titles) {
    titles_ = titles;
    emit headerDataChanged(Qt::Horizontal, 0, kColumns - 1);
}

void PluGridModel::Flush() {
    CellRect changed = sheet_.TakeChanged();
    if (changed.Empty()) return;
    emit dataChanged(index(changed.top - 1, changed.left - 1),
                     index(changed.bottom - 1, changed.right - 1));
}

// ---- drawing

void DrawShadowText(QPainter& painter, const QString& text, const QRect& rect, int shadowDown,
                    int shadowRight, const QColor& shadow, int highlightUp, int highlightLeft,
                    const QColor& highlight, int flags) {
    const QPen face = painter.pen();
    if (highlightUp + highlightLeft > 0) {
        painter.setPen(highlight);
        painter.drawText(rect.translated(-highlightLeft, -highlightUp), flags, text);
    }
    if (shadowDown + shadowRight > 0) {
        painter.setPen(shadow);
        painter.drawText(rect.translated(shadowRight, shadowDown), flags, text);
    }
    painter.setPen(face);
    painter.drawText(rect, flags, text);
}

PluHeaderView::PluHeaderView(Qt::Orientation orientation, TMyStringGrid* grid)
    : QHeaderView(orientation, grid) {
    setSectionsClickable(false);
    setHighlightSections(false);
    setSectionResizeMode(QHeaderView::Fixed);
}

void PluHeaderView::PaintFixedCell(QPainter& painter, QWidget* widget, const QRect& rect,
                                   const QString& text) {
    QStyleOptionHeader option;
    option.initFrom(widget);
    option.rect = rect;
    option.state |= QStyle::State_Raised;
    widget->style()->drawControl(QStyle::CE_HeaderSection, &option, &painter, widget);
    const bool wide = painter.fontMetrics().horizontalAdvance(text) > rect.width();
    const int flags =
        Qt::TextSingleLine | Qt::AlignVCenter | (wide ? Qt::AlignLeft : Qt::AlignHCenter);
    painter.save();
    painter.setClipRect(rect);
    painter.setPen(kNavy);
    const QPalette& palette = widget->palette();
    DrawShadowText(painter, text, rect, 0, 0, palette.color(QPalette::Dark), 1, 1,
                   palette.color(QPalette::Light), flags);
    painter.restore();
}

void PluHeaderView::paintSection(QPainter* painter, const QRect& rect, int logicalIndex) const {
    if (!rect.isValid()) return;
    const QString text =
        model()->headerData(logicalIndex, orientation(), Qt::DisplayRole).toString();
    PaintFixedCell(*painter, const_cast<PluHeaderView*>(this), rect, text);
}

// ---- editor and delegate

PluCellEditor::PluCellEditor(TMyStringGrid* grid, QWidget* parent)
    : QLineEdit(parent), grid_(grid) {
    setFrame(false);
    setObjectName("PluGridEditor");
}

bool PluCellEditor::event(QEvent* e) {
    if (e->type() == QEvent::ShortcutOverride && IsMenuShortcut(static_cast<QKeyEvent*>(e))) {
        e->ignore();
        return true;
    }
    return QLineEdit::event(e);
}

void PluCellEditor::keyPressEvent(QKeyEvent* e) {
    // The grid decides first; what it passes on is typed here.
    int key = e->key();
    if (grid_->OnKeyDown) grid_->OnKeyDown(key, e->modifiers());
    if (key == 0) return e->accept();
    if (IsPrintable(e)) {
        QChar ch = e->text().at(0);
        if (grid_->OnKeyPress) grid_->OnKeyPress(ch);
        if (!ch.isNull()) QLineEdit::keyPressEvent(e);
        return e->accept();
    }
    if (e->key() == Qt::Key_Up || e->key() == Qt::Key_Down) return grid_->Navigate(e);
    QLineEdit::keyPressEvent(e);
    e->accept();
}

PluCellDelegate::PluCellDelegate(TMyStringGrid* grid) : QStyledItemDelegate(grid), grid_(grid) {}

void PluCellDelegate::paint(QPainter* painter, const QStyleOptionViewItem& option,
                            const QModelIndex& index) const {
    const QPalette& palette = option.palette;
    const bool focused = option.state & QStyle::State_HasFocus;
    const bool selected = option.state & QStyle::State_Selected;
    QColor background = palette.color(QPalette::Base), text = palette.color(QPalette::Text);
    if (selected && !focused) {
        background = palette.color(QPalette::Highlight);
        text = palette.color(QPalette::HighlightedText);
    } else if (!focused && (index.row() + 1) % 2 == 0) {
        background = palette.color(QPalette::ToolTipBase);
    }
    painter->save();
    painter->fillRect(option.rect, background);
    painter->setClipRect(option.rect);
    painter->setPen(text);
    painter->setFont(option.font);
    const QRect textRect = option.rect.adjusted(2, 2, 0, 0);
    const QString shown = painter->fontMetrics().elidedText(ShownText(index, textRect.width()),
                                                            Qt::ElideRight, textRect.width());
    painter->drawText(textRect, Qt::TextSingleLine | Qt::AlignLeft | Qt::AlignTop, shown);
    if (focused) DrawFocusFrame(*painter, option.rect, text);
    painter->restore();
}

QSize PluCellDelegate::sizeHint(const QStyleOptionViewItem& option,
                                const QModelIndex& index) const {
    // No column shows more than the grid's width.
    const QFontMetrics metrics(option.font);
    return {metrics.horizontalAdvance(ShownText(index, grid_->viewport()->width())) + 4,
            metrics.height() + metrics.leading() + 4};
}

QString PluCellDelegate::ShownText(const QModelIndex& index, int width) const {
    // A field may be megabytes long, far more than any cell shows: only its start is converted
    // and laid out. No character is narrower than a pixel, so one per pixel and one more tell
    // whether the field goes on.
    const Bytes& cell = grid_->Model()->Sheet().Cell(index.row() + 1, index.column() + 1);
    return lang::FromCharset(
        BytesView(cell).substr(0, static_cast<std::size_t>(std::max(width, 0)) + 1));
}

QWidget* PluCellDelegate::createEditor(QWidget* parent, const QStyleOptionViewItem&,
                                       const QModelIndex&) const {
    auto* editor = new PluCellEditor(grid_, parent);
    editor->setFont(grid_->font());
    grid_->editor_ = editor;
    return editor;
}

void PluCellDelegate::setEditorData(QWidget* editor, const QModelIndex& index) const {
    auto* line = static_cast<QLineEdit*>(editor);
    const QString text = index.data(Qt::EditRole).toString();
    if (line->text() != text) line->setText(text);
}

void PluCellDelegate::setModelData(QWidget* editor, QAbstractItemModel* model,
                                   const QModelIndex& index) const {
    static_cast<PluGridModel*>(model)->SetCellText(index.row() + 1, index.column() + 1,
                                                   static_cast<QLineEdit*>(editor)->text());
}

void PluCellDelegate::updateEditorGeometry(QWidget* editor, const QStyleOptionViewItem& option,
                                           const QModelIndex&) const {
    editor->setGeometry(option.rect);
}

bool PluCellDelegate::eventFilter(QObject*, QEvent*) {
    return false;
}

PluSelectionModel::PluSelectionModel(QAbstractItemModel* model, TMyStringGrid* grid)
    : QItemSelectionModel(model, grid), grid_(grid) {}

void PluSelectionModel::setCurrentIndex(const QModelIndex& index,
                                        QItemSelectionModel::SelectionFlags command) {
    if (index.isValid() && index != currentIndex() && !grid_->ApproveMove(index)) return;
    QItemSelectionModel::setCurrentIndex(index, command);
}

bool IsMenuShortcut(const QKeyEvent* e) {
    const Qt::KeyboardModifiers mods = e->modifiers() & ~Qt::KeypadModifier;
    if (mods != Qt::ControlModifier) return false;
    switch (e->key()) {
    case Qt::Key_A:
    case Qt::Key_C:
    case Qt::Key_V:
    case Qt::Key_X:
    case Qt::Key_Delete:
        return true;
    default:
        return false;
    }
}

// ---- grid

TMyStringGrid::TMyStringGrid(QWidget* parent) : QTableView(parent) {
    setHorizontalHeader(new PluHeaderView(Qt::Horizontal, this));
    setVerticalHeader(new PluHeaderView(Qt::Vertical, this));
    model_ = new PluGridModel(this);
    setModel(model_);
    QItemSelectionModel* initial = selectionModel();
    selection_ = new PluSelectionModel(model_, this);
    setSelectionModel(selection_);
    delete initial;
    delegate_ = new PluCellDelegate(this);
    setItemDelegate(delegate_);

    setEditTriggers(QAbstractItemView::NoEditTriggers);
    setTabKeyNavigation(false);
    setSelectionMode(QAbstractItemView::ContiguousSelection);
    setSelectionBehavior(QAbstractItemView::SelectItems);
    setWordWrap(false);
    setCornerButtonEnabled(false);
    if (auto* corner = findChild<QAbstractButton*>()) corner->installEventFilter(this);
    connect(qApp, &QApplication::focusChanged, this, &TMyStringGrid::FocusChanged);
    const QModelIndex first = model_->index(0, 0);
    selection_->setCurrentIndex(first, QItemSelectionModel::ClearAndSelect);
    anchor_ = first;
}

int TMyStringGrid::Col() const {
    return currentIndex().isValid() ? currentIndex().column() + 1 : 1;
}

int TMyStringGrid::Row() const {
    return currentIndex().isValid() ? currentIndex().row() + 1 : 1;
}

bool TMyStringGrid::ApproveMove(const QModelIndex& index) {
    if (approved_.isValid() && index == approved_) return true;
    if (vetoRunning_) return false;
    bool canSelect = true;
    vetoRunning_ = true;
    if (OnSelectCell) OnSelectCell(index.column() + 1, index.row() + 1, canSelect);
    vetoRunning_ = false;
    return canSelect;
}

bool TMyStringGrid::MoveTo(int column, int row) {
    const QModelIndex target = model_->index(row - 1, column - 1);
    if (!target.isValid()) return false;
    if (target != currentIndex()) {
        if (!ApproveMove(target)) return false;
        approved_ = target;
        selection_->setCurrentIndex(target, QItemSelectionModel::ClearAndSelect);
        approved_ = QPersistentModelIndex();
    } else {
        SelectBlock(target, target);
    }
    anchor_ = target;
    return currentIndex() == target;
}

CellRect TMyStringGrid::Selection() const {
    CellRect block{Row(), Col(), Row(), Col()};
    for (const QItemSelectionRange& range : selection_->selection()) {
        block.top = std::min(block.top, range.top() + 1);
        block.left = std::min(block.left, range.left() + 1);
        block.bottom = std::max(block.bottom, range.bottom() + 1);
        block.right = std::max(block.right, range.right() + 1);
    }
    return block;
}

void TMyStringGrid::MoveRow(int from, int to) {
    model_->Edit([&](PluSheet& s) { s.MoveRow(from, to); });
}

void TMyStringGrid::SetEditing(bool on) {
    editing_ = on;
    if (on) {
        if (!editor_) edit(currentIndex());
        if (editor_) editor_->setFocus(Qt::OtherFocusReason);
    } else if (editor_) {
        closeEditor(editor_, QAbstractItemDelegate::NoHint);
        editor_ = nullptr;
    }
}

void TMyStringGrid::CommitEditor() {
    if (editor_) model_->SetCellText(Row(), Col(), editor_->text());
}

void TMyStringGrid::SendCharToEditor(QChar key) {
    if (!editor_) return;
    QKeyEvent press(QEvent::KeyPress, Qt::Key_unknown, Qt::NoModifier, QString(key));
    QCoreApplication::sendEvent(editor_, &press);
}

void TMyStringGrid::SetColumnWidths(const std::array<QString, kColumns + 1>& titles,
                                    const std::array<int, kColumns + 1>& digits) {
    const QFontMetrics metrics(font());
    // A section holds its grid line as well: the cell inside it keeps the computed size.
    const int line = showGrid() ? 1 : 0;
    const int height = metrics.height() + metrics.leading() + 4 + line;
    const int digit = metrics.horizontalAdvance(QLatin1Char('0'));
    std::array<int, kColumns + 1> widths{};
    for (std::size_t i = 0; i < widths.size(); ++i)
        widths[i] =
            std::max(digit * digits[i] + 4, metrics.horizontalAdvance(titles[i]) + 4) + line;
    verticalHeader()->setMinimumSectionSize(
        std::min(height, verticalHeader()->minimumSectionSize()));
    verticalHeader()->setDefaultSectionSize(height);
    horizontalHeader()->setFixedHeight(height);
    verticalHeader()->setFixedWidth(widths[0]);
    horizontalHeader()->setMinimumSectionSize(1);
    for (int c = 1; c <= kColumns; ++c) setColumnWidth(c - 1, widths[static_cast<std::size_t>(c)]);
}

bool TMyStringGrid::Inside(const QWidget* w) const {
    return w != nullptr && (w == this || isAncestorOf(w));
}

void TMyStringGrid::FocusChanged(QWidget* old, QWidget* now) {
    // Only a move to another widget of this window leaves the grid: not a deactivation, a menu,
    // a popup or a message box, and never again while the exit check runs.
    if (exiting_ || !Inside(old) || now == nullptr || Inside(now) || now->window() != window())
        return;
    exiting_ = true;
    if (OnExit) OnExit();
    exiting_ = false;
}

void TMyStringGrid::SelectBlock(const QModelIndex& a, const QModelIndex& b) {
    const QModelIndex topLeft =
        model_->index(std::min(a.row(), b.row()), std::min(a.column(), b.column()));
    const QModelIndex bottomRight =
        model_->index(std::max(a.row(), b.row()), std::max(a.column(), b.column()));
    selection_->select(QItemSelection(topLeft, bottomRight), QItemSelectionModel::ClearAndSelect);
}

bool TMyStringGrid::event(QEvent* e) {
    if (e->type() == QEvent::ShortcutOverride && IsMenuShortcut(static_cast<QKeyEvent*>(e))) {
        e->ignore();
        return true;
    }
    return QTableView::event(e);
}

void TMyStringGrid::keyPressEvent(QKeyEvent* e) {
    // The grid passes typed characters on to its open cell editor, which takes the focus back:
    // a Tab out of the editor with no other control to go to leaves the focus on the grid.
    if (editing_ && editor_ && (IsPrintable(e) || e->key() == Qt::Key_Backspace)) {
        editor_->setFocus(Qt::OtherFocusReason);
        QCoreApplication::sendEvent(editor_, e);
        return;
    }
    int key = e->key();
    if (OnKeyDown) OnKeyDown(key, e->modifiers());
    if (key == 0) return e->accept();
    if (IsPrintable(e)) {
        QChar ch = e->text().at(0);
        if (OnKeyPress) OnKeyPress(ch);
        return e->accept();
    }
    Navigate(e);
}

void TMyStringGrid::Navigate(QKeyEvent* e) {
    CursorAction action;
    switch (e->key()) {
    case Qt::Key_Up:
        action = MoveUp;
        break;
    case Qt::Key_Down:
        action = MoveDown;
        break;
    case Qt::Key_Left:
        action = MoveLeft;
        break;
    case Qt::Key_Right:
        action = MoveRight;
        break;
    case Qt::Key_Home:
        action = MoveHome;
        break;
    case Qt::Key_End:
        action = MoveEnd;
        break;
    case Qt::Key_PageUp:
        action = MovePageUp;
        break;
    case Qt::Key_PageDown:
        action = MovePageDown;
        break;
    default:
        // Tab, Enter and the rest do not move the cursor here.
        e->ignore();
        return;
    }
    e->accept();
    const QModelIndex old = currentIndex();
    const QModelIndex target = moveCursor(action, e->modifiers());
    if (!target.isValid() || target == old) return;
    if (!ApproveMove(target)) return;
    approved_ = target;
    if (e->modifiers() & Qt::ShiftModifier) {
        selection_->setCurrentIndex(target, QItemSelectionModel::NoUpdate);
        if (currentIndex() == target)
            SelectBlock(anchor_.isValid() ? QModelIndex(anchor_) : old, target);
    } else {
        selection_->setCurrentIndex(target, QItemSelectionModel::ClearAndSelect);
        anchor_ = currentIndex();
    }
    approved_ = QPersistentModelIndex();
}

void TMyStringGrid::mousePressEvent(QMouseEvent* e) {
    const QModelIndex index = indexAt(e->position().toPoint());
    e->accept();
    if (e->button() != Qt::LeftButton || !index.isValid()) return;
    if (!hasFocus() && !Inside(QApplication::focusWidget())) setFocus(Qt::MouseFocusReason);
    if (e->modifiers() & Qt::ShiftModifier) {
        SelectBlock(currentIndex(), index);
        return;
    }
    if (!MoveTo(index.column() + 1, index.row() + 1)) return;
    if (!editor_) setFocus(Qt::MouseFocusReason);
    dragging_ = true;
}

void TMyStringGrid::mouseMoveEvent(QMouseEvent* e) {
    e->accept();
    if (!dragging_ || !(e->buttons() & Qt::LeftButton)) return;
    const QModelIndex index = indexAt(e->position().toPoint());
    if (index.isValid()) SelectBlock(currentIndex(), index);
}

void TMyStringGrid::mouseReleaseEvent(QMouseEvent* e) {
    dragging_ = false;
    e->accept();
}

void TMyStringGrid::mouseDoubleClickEvent(QMouseEvent* e) {
    e->accept();
    if (e->button() == Qt::LeftButton && indexAt(e->position().toPoint()).isValid() && OnDblClick)
        OnDblClick();
}

void TMyStringGrid::resizeEvent(QResizeEvent* e) {
    QTableView::resizeEvent(e);
    if (OnResize) OnResize();
}

bool TMyStringGrid::eventFilter(QObject* object, QEvent* event) {
    if (event->type() == QEvent::Paint && object != viewport()) {
        if (auto* corner = qobject_cast<QAbstractButton*>(object)) {
            QPainter painter(corner);
            PluHeaderView::PaintFixedCell(painter, corner, corner->rect(), model_->Titles()[0]);
            return true;
        }
    }
    return QTableView::eventFilter(object, event);
}

} // namespace fprn::itemeditor
