#pragma once
// What the dock and the tool window share inside the library (not installed, not for users).
#include "syscolors.h"
#include "tcolor.h"

#include <QColor>
#include <QObject>
#include <QWidget>

#include <algorithm>
#include <vector>

namespace fprn::toolbars {

class TCustomToolWindow;

// Every live tool window, so a dying dock can clear references to itself (toolwindow.cpp).
extern std::vector<TCustomToolWindow*> gAllBars;

template <class T> bool Contains(const std::vector<T*>& v, const T* item) {
    return std::find(v.begin(), v.end(), item) != v.end();
}

template <class T> void Remove(std::vector<T*>& v, const QObject* item) {
    std::erase_if(v, [item](T* x) { return static_cast<const QObject*>(x) == item; });
}

inline QColor Resolve(colors::TColor c, const QWidget* w) {
    return colors::ToQColor(c, w->palette());
}

} // namespace fprn::toolbars
