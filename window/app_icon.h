// The program's icon, for the window's title bar and task switcher.
#pragma once

#include <QIcon>

namespace kurimo {

// Every PNG size of the icon compiled into the program (":/icons/kurimo-<size>.png"), so
// the window has its icon whether or not the program was installed with its theme icons.
QIcon AppIcon();

}  // namespace kurimo
