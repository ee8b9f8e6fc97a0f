#include "dumplist.h"

#include <QKeyEvent>
#include <QMouseEvent>
#include <QPainter>
#include <QScrollBar>
#include <algorithm>

namespace fprn::console {

TDumpListBox::TDumpListBox(QWidget* parent) : QAbstractScrollArea(parent) {
    setFocusPolicy(Qt::StrongFocus);
    setHorizontalScrollBarPolicy(Qt::ScrollBarAsNeeded);
    viewport()->setAutoFillBackground(true);
    viewport()->setBackgroundRole(QPalette::Base);
}

QString TDumpListBox::line(int row) const {
    return row >= 0 && row < count() ? lines_[static_cast<std::size_t>(row)] : QString();
}

QStringList TDumpListBox::lines() const {
    return QStringList(lines_.begin(), lines_.end());
}

void TDumpListBox::addLines(const QStringList& lines) {
    lines_.insert(lines_.end(), lines.begin(), lines.end());
    UpdateScrollRange();
    setCurrentRow(count() - 1);
}

void TDumpListBox::clear() {
    lines_.clear();
    current_ = -1;
    UpdateScrollRange();
    viewport()->update();
}

void TDumpListBox::setCurrentRow(int row) {
    current_ = row >= 0 && row < count() ? row : -1;
    if (current_ >= 0) ScrollTo(current_);
    viewport()->update();
}

int TDumpListBox::RowHeight() const {
    return std::max(1, fontMetrics().height());
}

int TDumpListBox::VisibleRows() const {
    return std::max(1, viewport()->height() / RowHeight());
}

void TDumpListBox::UpdateScrollRange() {
    verticalScrollBar()->setRange(0, std::max(0, count() - VisibleRows()));
    verticalScrollBar()->setPageStep(VisibleRows());
    // Lines of one dump have one width; the widest is the common one.
    int width = count() > 0 ? fontMetrics().horizontalAdvance(lines_.back()) + 8 : 0;
    horizontalScrollBar()->setRange(0, std::max(0, width - viewport()->width()));
    horizontalScrollBar()->setPageStep(viewport()->width());
}

void TDumpListBox::ScrollTo(int row) {
    QScrollBar* bar = verticalScrollBar();
    if (row < bar->value())
        bar->setValue(row);
    else if (row >= bar->value() + VisibleRows())
        bar->setValue(row - VisibleRows() + 1);
}

void TDumpListBox::paintEvent(QPaintEvent*) {
    QPainter painter(viewport());
    const int height = RowHeight();
    const int first = verticalScrollBar()->value();
    const int x = 4 - horizontalScrollBar()->value();
    const int width = viewport()->width() + horizontalScrollBar()->value();
    for (int row = first, y = 0; row < count() && y < viewport()->height(); ++row, y += height) {
        QRect rect(0, y, viewport()->width(), height);
        bool selected = row == current_;
        if (selected) painter.fillRect(rect, palette().color(QPalette::Highlight));
        painter.setPen(palette().color(selected ? QPalette::HighlightedText : QPalette::Text));
        painter.drawText(QRect(x, y, width, height),
                         Qt::AlignLeft | Qt::AlignVCenter | Qt::TextSingleLine,
                         lines_[static_cast<std::size_t>(row)]);
    }
}

void TDumpListBox::resizeEvent(QResizeEvent* event) {
    QAbstractScrollArea::resizeEvent(event);
    UpdateScrollRange();
}

void TDumpListBox::mousePressEvent(QMouseEvent* event) {
    int row = verticalScrollBar()->value() + static_cast<int>(event->position().y()) / RowHeight();
    if (row < count()) setCurrentRow(row);
}

void TDumpListBox::keyPressEvent(QKeyEvent* event) {
    int row = current_;
    switch (event->key()) {
    case Qt::Key_Up:
        row = std::max(0, row - 1);
        break;
    case Qt::Key_Down:
        row = std::min(count() - 1, row + 1);
        break;
    case Qt::Key_PageUp:
        row = std::max(0, row - VisibleRows());
        break;
    case Qt::Key_PageDown:
        row = std::min(count() - 1, row + VisibleRows());
        break;
    case Qt::Key_Home:
        row = 0;
        break;
    case Qt::Key_End:
        row = count() - 1;
        break;
    default:
        QAbstractScrollArea::keyPressEvent(event);
        return;
    }
    setCurrentRow(row);
}

void TDumpListBox::changeEvent(QEvent* event) {
    QAbstractScrollArea::changeEvent(event);
    if (event->type() == QEvent::FontChange) UpdateScrollRange();
}

} // namespace fprn::console
