#pragma once
// Toolbar controls on Qt: the button glyphs and image lists (buttonglyph.h) and the toolbar
// button with its actions (toolbarbutton.h).
#include "buttonglyph.h"
#include "toolbarbutton.h"
