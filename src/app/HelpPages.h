// Where the help pages are: beside the program (the build folder) or,
// installed, in <prefix>/share/pekarun4free/help for a program in <prefix>/bin.
#pragma once

#include <QString>

// The help folder of a program in `programFolder`: the first of the two
// places that holds help.htm; the one beside the program when neither does.
QString helpFolder(const QString& programFolder);
