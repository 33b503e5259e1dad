// Qt's own texts (the standard buttons Yes, No, Cancel, Close and the file dialog) in the
// interface language the translation files chose.
#pragma once
#include <string>

class QCoreApplication;

namespace movra {

// The locale of Qt's translation catalogue for a language identifier: "zh_CN" for 2052,
// "de" for 1031; empty for English (1033) and any other, which keep Qt's English texts.
std::string QtLocaleForLanguage(int languageId);

// Installs Qt's base translation for the current interface language, replacing one that an
// earlier call installed. Looks in `folder`, or Qt's own translations folder when it is
// empty. A missing catalogue is traced and leaves Qt's texts in English; start-up goes on.
// True when a catalogue was installed.
bool InstallQtTranslations(QCoreApplication& app, const std::string& folder = std::string());

}  // namespace movra
