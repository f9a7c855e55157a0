#pragma once

#include <QString>

namespace qm {
class AppHome;
}

namespace qm::app {

// The skin: a Qt style sheet in skins/frmmain.skn, the app home's own copy first, else the one that
// ships with the program. Empty when neither exists (the window stays unskinned).
QString ReadSkin(const AppHome& home);

} // namespace qm::app
