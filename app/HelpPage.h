// Where the help page on showing hidden folders is, in a build tree and once installed.
#pragma once

#include <QString>

namespace mailferry::app {

inline constexpr char kHelpPageName[] = "show-hidden.mht";

// The help page for a program in `programDir`: beside the program (a build tree, Windows),
// else in share/mailferry beside the program's bin/ (the installed layout). When neither
// exists, the path beside the program, so that the failure to open names the usual place.
QString helpPagePath(const QString& programDir);

}  // namespace mailferry::app
