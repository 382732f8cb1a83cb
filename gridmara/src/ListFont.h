#pragma once

#include <QFont>

namespace gridmara {

// The font the list and its header draw with: face "SimSun" (Qt falls back to an installed CJK font), normal
// weight, made from a cell height and an average character width in pixels the way the tool gives them.
// A positive height is the whole cell height (ascent plus descent), a negative one the character height, and
// 0 keeps the default size; a width of 0 keeps the face's own proportions.
QFont MakeListFont(int height, int width);

} // namespace gridmara
