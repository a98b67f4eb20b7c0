#pragma once
// The application title, derived from the executable's file name. It is the
// caption of every failure message box; the window's own caption is fixed.

#include <QString>

namespace dwindle {

// Keeps what follows the last "/", cuts at the first ".", and turns every
// character after the first to lower case: "/opt/DWINDLE.old" gives "Dwindle".
QString TitleFromExecutablePath(const QString& path);

// The title of the running program (set once by the application object), or
// the title of the executable's path when no application object exists yet.
QString ApplicationTitle();
void SetApplicationTitle(const QString& title);

} // namespace dwindle
