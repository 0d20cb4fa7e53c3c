// A widget set laid out like the program's window, for skin tests and previews.
#pragma once

#include <QWidget>

// Builds a top-level widget (client area 470 x 380) holding every kind of control the window
// has, at the window's places and sizes, with a few result rows in the list.
QWidget* MakeSkinSample(int tabPage = 0);
