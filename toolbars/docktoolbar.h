#pragma once
// Toolbars on Qt: TCustomToolbar lays out its child widgets in a row (TToolbarButton, combo
// boxes, edits, any QWidget) in the order they were added, centred across the bar; separators
// (TToolbarSep) are gaps, or, floating, line breaks with a drawn line; a floating bar wraps at its
// right edge and sizes by its four edges through the shapes its wrapping allows. TToolbar is the
// class forms use.
//
// Building one:
//     auto* bar = new TToolbar;
//     new TToolbarButton(bar);       // or any widget: new QComboBox(bar)
//     new TToolbarSep(bar);
//     bar->SetParent(dock);          // docks it (or SetParent(form) to float it)
// Children added, shown, hidden or resized later rearrange the bar on the next turn of the loop
// (Arrange() does it at once).
#include "toolbarlayout.h"
#include "toolwindow.h"

#include <QPointer>

#include <memory>
#include <vector>

namespace fprn::toolbars {

class TCustomToolbar : public TCustomToolWindow {
    Q_OBJECT
public:
    TCustomToolbar();
    ~TCustomToolbar() override;

    // Wrapping limit of the floating layout in client pixels; 0 = one line. Changed by sizing
    // the floating bar, kept while it is docked.
    int FloatingRightEdge() const { return fFloatingRightEdge; }
    // The floating client sizes from one line to the narrowest, one per height.
    std::vector<QSize> ListFloatingSizes();
    // The child widgets in the bar's order.
    std::vector<QWidget*> OrderedControls();
    // Lines of the last moving floating layout.
    const std::vector<TLineSeparator>& LineSeparators() const { return fLines; }

    int RowThickness(TDockOrientation orientation) override;
    QSize MinimumClientSize() override { return {0, 0}; }
    QSize ArrangeControls(bool canMove, TDockOrientation previous, TDock* target) override;
    // A press on a separator is a press on the bar.
    bool ChildIsTransparent(QWidget* control) override;
    void GetToolWindowParams(TToolWindowParams& params) override;
    // Orders the controls by their positions (left to right, or top to bottom in a vertical
    // dock): a form built with placed controls keeps that order.
    void InitializeOrdering() override;
    void SizingBegin(int edge) override;
    void SizingTrack(QRect& rect, const QRect& startRect) override;
    void SizingEnd(bool accept) override;

protected:
    bool event(QEvent* e) override;
    bool eventFilter(QObject* object, QEvent* e) override;
    void paintEvent(QPaintEvent* e) override;
    void resizeEvent(QResizeEvent* e) override;

private:
    struct TOrderEntry {
        QObject* Raw; // identity, also while the child is being destroyed
        QPointer<QObject> Live;
    };
    void Purge();
    void RequestArrange();
    std::vector<QWidget*> VisibleControls();
    std::vector<TToolbarItem> ItemsOf(const std::vector<QWidget*>& controls) const;
    TToolbarLayout LayoutFor(bool canMove, TDock* target);

    int fFloatingRightEdge = 0;
    bool fOrderDirty = false;
    std::vector<TOrderEntry> fOrder;
    std::vector<TLineSeparator> fLines;
    std::unique_ptr<TToolbarSizing> fSizing;
    int fPlacing = 0;
    bool fArrangePosted = false;
};

class TToolbar : public TCustomToolbar {
    Q_OBJECT
public:
    TToolbar() = default;
};

// A gap between controls, drawn as a groove unless Blank; on a floating bar it may end a line.
// Mouse presses fall through to the bar (they start drags).
class TToolbarSep : public QWidget {
    Q_OBJECT
public:
    explicit TToolbarSep(TCustomToolbar* toolbar = nullptr);

    // A toolbar or nothing; anything else throws EInvalidOperation and changes nothing.
    void SetParent(QWidget* parent);

    bool Blank() const { return fBlank; }
    void SetBlank(bool value);
    // Thickness along a horizontal or floating bar, and along a vertical one.
    int SizeHorz() const { return fSizeHorz; }
    void SetSizeHorz(int value);
    int SizeVert() const { return fSizeVert; }
    void SetSizeVert(int value);

protected:
    void paintEvent(QPaintEvent* e) override;

private:
    TCustomToolbar* Toolbar() const;
    bool fBlank = false;
    int fSizeHorz = 6;
    int fSizeVert = 6;
};

} // namespace fprn::toolbars
