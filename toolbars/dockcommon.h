#pragma once
// What the docks, tool windows and buttons share: the hook kinds served by application event
// filters, the application's activation state, the error hook for handlers, the form loading
// bracket and the screens' work areas.
#include "hookregistry.h"

#include <QRect>

#include <functional>
#include <string>

class QWidget;

namespace fprn::toolbars {

// Serves the hook kinds with event filters on the application (never consuming an event):
// hkCallWndProc: application state changes and activation (code 0) and windows shown, hidden,
// moved, resized or minimised (code 1); hkCBT: a window's platform surface about to go (code 2);
// hkGetMessage: mouse moves reaching a top-level window, before widgets without tracking drop them
// (code 3). Called by the first tool window or button; tests may install their own installer
// instead.
void UseApplicationHookFilters();

// True while the application has an active window.
bool AppHasActiveWindow();

// The application's error box for failures inside event handlers; the default shows a critical
// message box captioned with the application name. Returns the previous hook.
void ShowToolbarError(const std::string& message);
std::function<void(const std::string&)>
SetToolbarErrorHook(std::function<void(const std::string&)> hook);
// Runs `body`; an exception is reported through ShowToolbarError instead of leaving.
void GuardHandler(const std::function<void()>& body);

// Forms are built in code: between BeginLoading and Loaded arrangements wait; Loaded then lets
// every tool window and dock of the form finish (floating bars placed relative to the form).
void BeginLoading(QWidget* form);
void Loaded(QWidget* form);
// True while `widget` or one of its parents is loading.
bool IsLoading(const QWidget* widget);

// The available area of the screen a rectangle overlaps most (else the nearest screen), or that
// of the screen holding a point.
QRect WorkAreaOfRect(const QRect& rect);
QRect WorkAreaOfPoint(const QPoint& point);

// The style's sizing-frame width and height and its small caption height.
QSize FloatingFrameSize();
int SmallCaptionHeight();

} // namespace fprn::toolbars
