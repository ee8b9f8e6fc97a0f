#include "toolbarlayout.h"

#include <algorithm>
#include <climits>

namespace fprn::toolbars {

namespace {

struct Margins {
    int Top, Bottom, Left, Right;
};

Margins MarginsFor(bool docked) {
    return docked ? Margins{0, 0, 0, 0} : Margins{2, 1, 4, 4};
}

} // namespace

int ToolbarRowThickness(const std::vector<TToolbarItem>& items, TDockOrientation orientation) {
    int t = 8;
    for (const TToolbarItem& i : items)
        if (!i.Separator) t = std::max(t, orientation == doVertical ? i.Width : i.Height);
    return t;
}

TToolbarLayoutResult ArrangeToolbarItems(std::vector<TToolbarItem>& items,
                                         const TToolbarLayout& layout) {
    TToolbarLayoutResult result;
    const bool docked = layout.Orientation != doNone;
    const bool vertical = layout.Orientation == doVertical;
    const Margins m = MarginsFor(docked);

    int limit = INT_MAX;
    if (!docked && layout.FloatingRightEdge != 0) {
        int widest = 0;
        for (const TToolbarItem& i : items)
            if (!i.Separator) widest = std::max(widest, i.Width);
        limit = std::max(layout.FloatingRightEdge, widest + 8);
    }
    const int t = ToolbarRowThickness(items, layout.Orientation);
    const int r = layout.RowSize > 0 ? layout.RowSize : t;

    // Groups: runs ended by a separator (its last member) or by the end of the bar.
    struct Group {
        std::size_t First, End;
        int Width = 0, Height = 0;
    };
    std::vector<Group> groups;
    for (std::size_t k = 0; k < items.size(); ++k) {
        if (groups.empty() || items[groups.back().End - 1].Separator)
            groups.push_back({k, k, 0, 0});
        Group& g = groups.back();
        g.End = k + 1;
        if (!items[k].Separator) {
            g.Width += items[k].Width;
            g.Height += items[k].Height;
        }
    }

    int y = m.Top, x = m.Left, maxX = m.Left;
    bool pending = false;
    int trailing = -1; // the separator that ended the last group
    int trailingMaxX = 0;
    for (std::size_t gi = 0; gi < groups.size(); ++gi) {
        const Group& g = groups[gi];
        const int size = vertical ? g.Height : g.Width;
        if (!docked && (pending || (x + size + m.Right > limit))) {
            pending = false;
            x = m.Left;
            if (gi != 0) {
                y += t + 6;
                if (trailing >= 0) {
                    maxX = trailingMaxX;
                    TToolbarItem& sep = items[static_cast<std::size_t>(trailing)];
                    if (layout.CanMove) {
                        sep.Bounds.setWidth(0);
                        result.Lines.push_back({y, sep.Blank});
                    }
                }
            }
        }
        maxX = std::max(maxX, x);
        for (std::size_t k = g.First; k < g.End; ++k) {
            TToolbarItem& item = items[k];
            const int s = item.Separator ? (vertical ? item.SizeVert : item.SizeHorz)
                                         : (vertical ? item.Height : item.Width);
            if (!docked && !item.Separator && x + s + m.Right > limit) {
                x = m.Left;
                y += t;
                pending = true;
            }
            if (layout.CanMove) {
                if (vertical)
                    item.Bounds = item.Separator
                                      ? QRect(y, x, r, item.SizeVert)
                                      : QRect(y + (r - item.Width) / 2, x, item.Width, item.Height);
                else
                    item.Bounds = item.Separator ? QRect(x, y, item.SizeHorz, r)
                                                 : QRect(x, y + (r - item.Height) / 2, item.Width,
                                                         item.Height);
            }
            x += s;
            const int before = maxX;
            if (item.Separator) {
                trailing = static_cast<int>(k);
                trailingMaxX = before;
            } else {
                trailing = -1;
            }
            maxX = std::max(maxX, x);
        }
    }
    if (groups.empty()) maxX += 8;
    const int along = maxX + m.Right;
    const int across = y + t + m.Bottom;
    result.ClientSize = vertical ? QSize(across, along) : QSize(along, across);
    return result;
}

std::vector<QSize> ListFloatingSizes(const std::vector<TToolbarItem>& source) {
    std::vector<TToolbarItem> items = source;
    TToolbarLayout layout;
    layout.CanMove = false;
    std::vector<QSize> list;
    QSize s = ArrangeToolbarItems(items, layout).ClientSize;
    list.push_back(s);
    int lastHeight = s.height();
    int w = s.width() - 1;
    while (w >= 8) {
        layout.FloatingRightEdge = w;
        s = ArrangeToolbarItems(items, layout).ClientSize;
        if (w < s.width()) break;
        if (w == s.width()) {
            if (s.height() == lastHeight && list.size() > 1) list.pop_back();
            if (std::find(list.begin(), list.end(), s) == list.end()) list.push_back(s);
            lastHeight = s.height();
            --w;
        } else {
            w = s.width();
        }
    }
    return list;
}

namespace {

bool AlongHeight(int edge) {
    return edge == 2 || edge == 5;
}

int Extent(QSize s, int edge) {
    return AlongHeight(edge) ? s.height() : s.width();
}

} // namespace

TToolbarSizing ToolbarSizingBegin(int edge, std::vector<QSize> sizes, QSize current,
                                  int floatingRightEdge) {
    TToolbarSizing s;
    s.Edge = edge;
    s.NewFloatingRightEdge = floatingRightEdge;
    SortListWith(sizes, [edge](QSize a, QSize b) { return Extent(b, edge) - Extent(a, edge); });
    s.Sizes = std::move(sizes);
    const auto it = std::find(s.Sizes.begin(), s.Sizes.end(), current);
    if (it != s.Sizes.end()) {
        const int cur = Extent(current, edge);
        if (it != s.Sizes.begin())
            s.SnapDistance = std::min(s.SnapDistance, Extent(*(it - 1), edge) - cur - 1);
        if (it + 1 != s.Sizes.end())
            s.SnapDistance = std::min(s.SnapDistance, cur - Extent(*(it + 1), edge) - 1);
    }
    s.SnapDistance = std::max(s.SnapDistance, 0);
    return s;
}

void ToolbarSizingTrack(TToolbarSizing& s, QRect& rect, const QRect& startRect, QPoint pointer,
                        QSize current, int frameWidth) {
    if (s.Edge == 0) pointer.setX(current.width() - pointer.x());
    if (s.Edge == 2) pointer.setY(current.height() - pointer.y());
    const bool heights = AlongHeight(s.Edge);
    int proposed = heights ? pointer.y() : pointer.x();
    const int cur = Extent(current, s.Edge);
    const bool shrinking = cur > proposed;
    if (!s.Changed || shrinking != s.LastShrinking) {
        s.Changed = false;
        s.LastShrinking = shrinking;
        if (proposed >= cur - s.SnapDistance && proposed < cur + s.SnapDistance) proposed = cur;
    }
    rect = startRect;
    const bool growing = cur < proposed;
    const int n = static_cast<int>(s.Sizes.size());
    auto take = [&](int i) {
        const QSize e = s.Sizes[static_cast<std::size_t>(i)];
        const bool oneLine = heights ? i == n - 1 : i == 0;
        s.NewFloatingRightEdge = oneLine ? 0 : e.width() - 2 * frameWidth;
        const int right = startRect.x() + startRect.width();
        const int bottom = startRect.y() + startRect.height();
        switch (s.Edge) {
        case 0:
            rect = QRect(right - e.width(), startRect.y(), e.width(), e.height());
            break;
        case 2:
            rect = QRect(startRect.x(), bottom - e.height(), e.width(), e.height());
            break;
        default:
            rect = QRect(startRect.topLeft(), e);
            break;
        }
        s.Changed = rect != startRect;
    };
    if (growing) {
        for (int i = 0; i < n; ++i)
            if (i == 0 || Extent(s.Sizes[static_cast<std::size_t>(i)], s.Edge) > proposed) take(i);
    } else {
        for (int i = n - 1; i >= 0; --i)
            if (i == n - 1 || Extent(s.Sizes[static_cast<std::size_t>(i)], s.Edge) <= proposed)
                take(i);
    }
}

} // namespace fprn::toolbars
