// Pekarun4Free: the desktop photo-retouching program. A second start while
// the program runs hands the photos it names to the running program and ends
// without a window; "--version" answers without one too. A start that cannot
// take its lock says why and ends with status 1.
#include <QApplication>
#include <QMessageBox>

#include <cstdio>
#include <cstring>

#include "app/CFotraApp.h"
#include "app/FileNames.h"
#include "app/ProgramIcon.h"
#include "app/Translations.h"

int main(int argc, char* argv[])
{
    if (argc == 2 && std::strcmp(argv[1], "--version") == 0) {
        std::puts("Pekarun4Free " FOTRA_VERSION);
        return 0;
    }
    QApplication application(argc, argv);
    QApplication::setOrganizationName("Orvelle");
    QApplication::setApplicationName("PEKARUN4FREE");
    QApplication::setDesktopFileName("pekarun4free");
    QApplication::setWindowIcon(programIcon());
    installJapaneseTranslations(application);

    // The arguments as their bytes (Qt has taken its own options out of
    // argv): a photo's name need not be UTF-8.
    QStringList arguments;
    for (int index = 0; index < argc; ++index) {
        arguments << fileNameText(argv[index]);
    }
    CFotraApp fotra;
    if (!fotra.initInstance(arguments)) {
        if (fotra.startFailure().isEmpty()) {
            return 0;
        }
        std::fprintf(stderr, "Pekarun4Free: %s\n", qUtf8Printable(fotra.startFailure()));
        QMessageBox::critical(nullptr, QStringLiteral("PEKARUN4FREE"), fotra.startFailure());
        return 1;
    }
    const int status = QApplication::exec();
    fotra.exitInstance();
    return status;
}
