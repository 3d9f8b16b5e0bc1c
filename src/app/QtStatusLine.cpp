// Shows the document's status messages as the status bar's temporary message.
#include "app/QtStatusLine.h"

#include <QStatusBar>
#include <QString>

void QtStatusLine::showStatus(const std::string& text)
{
    bar_.showMessage(QString::fromStdString(text), kShownMilliseconds);
}
