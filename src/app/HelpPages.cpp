// The help folder lookup shared by the help command, the example pages and
// the About box.
#include "app/HelpPages.h"

#include <QDir>
#include <QFileInfo>

QString helpFolder(const QString& programFolder)
{
    const QDir program(programFolder);
    const QString besideProgram = program.filePath("help");
    for (const QString& folder : {besideProgram, program.filePath("../share/pekarun4free/help")}) {
        if (QFileInfo(QDir(folder).filePath("help.htm")).isFile()) {
            return QDir::cleanPath(folder);
        }
    }
    return besideProgram;
}
