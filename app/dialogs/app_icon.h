// The program's icon, drawn in code (the desktop menu uses the same design
// from desktop/tintext.svg).
#pragma once

#include <QIcon>

namespace tintext {

QIcon AppIcon();

}  // namespace tintext
