// The program speaks Japanese throughout: Qt's own texts (standard buttons,
// file dialogs, message boxes) come from Qt's Japanese translations.
#pragma once

class QCoreApplication;

// Installs Qt's Japanese translations into `application` and makes Japanese
// the default locale; false when the translation files cannot be found (the
// texts then stay English, nothing else changes).
bool installJapaneseTranslations(QCoreApplication& application);
