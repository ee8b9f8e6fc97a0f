#pragma once
// Docks on Qt.
//
// TDock is a child of a form aligned to one of its edges. It holds tool windows in rows, keeps
// them from overlapping, takes the thickness of its rows (a fixed height or width, so a box
// layout of the form places it; in a form without a layout it resizes itself keeping its edge),
// paints an optional tiled background that its bars may share, and one-pixel bound lines in its
// contents margins.
//
// Conventions, shared with the tool windows (toolwindow.h):
// - Events are public std::function members; an empty one is unassigned.
// - Setters that refuse throw EInvalidOperation and change nothing. No exception leaves a Qt
//   event handler: handlers report through ShowToolbarError.
#include "dockcommon.h"
#include "dockconsts.h"
#include "dockmodel.h"
#include "tcolor.h"

#include <QImage>
#include <QMenu>
#include <QPixmap>
#include <QPointer>
#include <QWidget>

#include <cstdint>
#include <functional>
#include <vector>

namespace fprn::toolbars {

using colors::TColor;

class TDock;
class TCustomToolWindow;

enum TDockBoundLine : std::uint8_t { blTop, blBottom, blLeft, blRight };
// Sets, bit n for value n.
using TDockBoundLines = std::uint8_t;
using TDockableTo = std::uint8_t;
inline constexpr std::uint8_t SetBit(unsigned v) {
    return static_cast<std::uint8_t>(1u << v);
}
inline constexpr TDockableTo kAllDockPositions =
    SetBit(dpTop) | SetBit(dpBottom) | SetBit(dpLeft) | SetBit(dpRight);

// Mouse events of a dock: button, modifiers, position in the dock.
using TDockMouseEvent = std::function<void(TDock* Sender, Qt::MouseButton Button,
                                           Qt::KeyboardModifiers Shift, int X, int Y)>;
using TInsertRemoveEvent =
    std::function<void(TDock* Sender, bool Inserting, TCustomToolWindow* Bar)>;
using TRequestDockEvent = std::function<void(TDock* Sender, TCustomToolWindow* Bar, bool& Accept)>;
using TDockNotifyEvent = std::function<void(TDock* Sender)>;

class TDock : public QWidget {
    Q_OBJECT
public:
    explicit TDock(QWidget* parent = nullptr);
    ~TDock() override;

    // Refuses a tool window or another dock as the parent.
    void SetParent(QWidget* newParent);

    // ---- properties ----
    bool AllowDrag() const { return fAllowDrag; }
    void SetAllowDrag(bool value);
    const QImage& Background() const { return fBackground; }
    void SetBackground(const QImage& value);
    bool BackgroundOnToolbars() const { return fBackgroundOnToolbars; }
    void SetBackgroundOnToolbars(bool value);
    bool BackgroundTransparent() const { return fBackgroundTransparent; }
    void SetBackgroundTransparent(bool value);
    TDockBoundLines BoundLines() const { return fBoundLines; }
    void SetBoundLines(TDockBoundLines value);
    TColor Color() const { return fColor; }
    void SetColor(TColor value);
    bool FixAlign() const { return fFixAlign; }
    void SetFixAlign(bool value);
    bool LimitToOneRow() const { return fLimitToOneRow; }
    void SetLimitToOneRow(bool value) { fLimitToOneRow = value; }
    QMenu* PopupMenu() const { return fPopupMenu; }
    void SetPopupMenu(QMenu* value) { fPopupMenu = value; }
    TDockPosition Position() const { return fPosition; }
    // Throws when the dock already holds controls and the value differs.
    void SetPosition(TDockPosition value);
    const char* Version() const;
    void SetVersion(const char*) {}

    bool IsVertical() const { return OrientationOf(fPosition) == doVertical; }
    TDockOrientation Orientation() const { return OrientationOf(fPosition); }
    // Bound lines across (height) and along (width) the dock's contents.
    int NonClientWidth() const;
    int NonClientHeight() const;

    // ---- events ----
    TInsertRemoveEvent OnInsertRemoveBar;
    TDockMouseEvent OnMouseDown;
    TDockMouseEvent OnMouseMove;
    TDockMouseEvent OnMouseUp;
    TRequestDockEvent OnRequestDock;
    TDockNotifyEvent OnResize;

    // ---- operations of the tool windows ----
    void BeginArrange();
    // An end without a begin is ignored.
    void EndArrange();
    void ArrangeBars(bool clipPositions);
    void ChangeDockList(bool insert, TCustomToolWindow* bar);
    void ChangeVisibleList(TCustomToolWindow* bar, bool forceRemove);
    bool IsBarVisibleIn(const TCustomToolWindow* bar) const;
    bool HasVisibleBars() const;
    int HighestRow() const;
    int RowSize(int row, TCustomToolWindow* bar) const;
    void BuildRowSizes();
    int RowAtPosition(int pos, bool& insert) const;
    int RowAtPixel(int pixel) const;
    int BarsInRow(int row, const TCustomToolWindow* except) const;
    void InsertRow(int row);
    bool HasBackground() const;
    // Tiles the background over `clip` with the tile origin at `origin` (painter coordinates).
    void PaintBackground(QPainter& painter, const QRect& clip, const QPoint& origin,
                         const QRect* exclude = nullptr);
    void InvalidateBackground();
    void BackgroundChanged();
    // Where the dock's parent's client origin lies in `widget`'s coordinates (the tile origin).
    QPoint TileOriginFor(const QWidget* widget) const;

    const std::vector<TCustomToolWindow*>& BarList() const { return fBarList; }
    const std::vector<TCustomToolWindow*>& VisibleBars() const { return fVisibleList; }
    const std::vector<int>& RowSizes() const { return fRowSizes; }

    void Loaded();
    // Arrangements run and transparent backgrounds built so far (for tests and benchmarks).
    int ArrangeCount() const { return fArrangeCount; }
    int BackgroundBuildCount() const { return fBackgroundBuilds; }

protected:
    void paintEvent(QPaintEvent* e) override;
    void resizeEvent(QResizeEvent* e) override;
    void moveEvent(QMoveEvent* e) override;
    void changeEvent(QEvent* e) override;
    void mousePressEvent(QMouseEvent* e) override;
    void mouseMoveEvent(QMouseEvent* e) override;
    void mouseReleaseEvent(QMouseEvent* e) override;
    void contextMenuEvent(QContextMenuEvent* e) override;

private:
    friend class TCustomToolWindow;
    void ApplyPositionPolicy();
    void ApplyThickness(int thickness);
    bool InLayout() const;
    const QPixmap& BackgroundPixmap();
    // A bar going away or being destroyed leaves both lists, without events.
    void ForgetBar(const QObject* bar);

    bool fAllowDrag = true;
    bool fBackgroundOnToolbars = true;
    bool fBackgroundTransparent = false;
    bool fFixAlign = false;
    bool fLimitToOneRow = false;
    TDockBoundLines fBoundLines = 0;
    TColor fColor = colors::clBtnFace;
    TDockPosition fPosition = dpTop;
    QPointer<QMenu> fPopupMenu;
    QImage fBackground;
    QPixmap fBackgroundCache;
    bool fBackgroundCacheValid = false;

    std::vector<TCustomToolWindow*> fBarList;
    std::vector<TCustomToolWindow*> fVisibleList;
    std::vector<int> fRowSizes;
    int fArrangeDisable = 0;
    bool fArrangeNeeded = false;
    bool fClipPositions = false;
    bool fDestroying = false;
    int fArrangeCount = 0;
    int fBackgroundBuilds = 0;
};

} // namespace fprn::toolbars
