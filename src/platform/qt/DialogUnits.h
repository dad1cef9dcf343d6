#pragma once
// Dialog units and the dialog font: sizes in a template are given in units of
// the template font's average character, a quarter of its width horizontally
// and an eighth of its height vertically, the way the Windows dialog manager
// lays dialogs out.

#include "platform/DialogTemplate.h"

#include <QFont>
#include <QRect>
#include <QSize>
#include <QString>

#include <string_view>

namespace vexmoor::platform::qt {

// The face used for a template face that is not installed. Templates name
// "MS Sans Serif", which Linux systems do not have.
inline constexpr std::string_view kFallbackFace = "Liberation Sans";

// Points are turned into pixels at this resolution whatever the screen's, so
// a dialog has the same pixel layout everywhere.
inline constexpr int kLayoutDpi = 96;

// The installed face for a template face: itself when installed, otherwise
// the fallback, otherwise the toolkit's general font.
QString ResolveFontFace(std::string_view face);

// The template's font: resolved face, size in pixels at kLayoutDpi.
QFont DialogFont(const FontSpec& templateFont);

struct BaseUnits {
    int x;  // average character width, pixels
    int y;  // character height, pixels
};

// x: the width of "A".."Z" "a".."z" in pixels, w, as (w / 26 + 1) / 2;
// y: ascent plus descent.
BaseUnits DialogBaseUnits(const QFont& font);

// number * numerator / denominator rounded half away from zero; -1 when the
// denominator is 0.
int MulDiv(int number, int numerator, int denominator);

// Each of x, y, width and height mapped on its own, as controls are placed.
QRect DluToPixels(const DluRect& rect, BaseUnits units);
QSize DluToPixels(int width, int height, BaseUnits units);

} // namespace vexmoor::platform::qt
