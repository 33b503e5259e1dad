// Qt's standard buttons and file dialogs speak the language the translation files chose,
// and a missing Qt catalogue never stops the program.
#include <gtest/gtest.h>

#include <QAbstractButton>
#include <QApplication>
#include <QMessageBox>

#include "app/language.h"
#include "temp_dir.h"
#include "ui/qt_translations.h"

using namespace movra;

namespace {

QApplication& App() {
  static int argc = 1;
  static char name[] = "qt-translation-test";
  static char* argv[] = {name, nullptr};
  static QApplication app(argc, argv);
  return app;
}

TEST(QtTranslations, FollowTheInterfaceLanguage) {
  struct Case {
    const char* name;
    int languageId;          // 0: no translation file at all
    bool emptyQtFolder;      // Qt's catalogues are not installed
    bool installed;
    QString cancel;          // Qt's own text for the Cancel button
  } cases[] = {
      {"Chinese", 2052, false, true, QString::fromUtf8("取消")},
      {"German", 1031, false, true, "Abbrechen"},
      {"English", 1033, false, false, "Cancel"},
      {"no language", 0, false, false, "Cancel"},
      {"Chinese without Qt's catalogue", 2052, true, false, "Cancel"},
  };
  QApplication& app = App();
  for (const Case& c : cases) {
    SCOPED_TRACE(c.name);
    test::TempDir exe;
    if (c.languageId) exe.write(std::to_string(c.languageId) + "/MovraT.txt", "!LanguageID=" + std::to_string(c.languageId) + "\n");
    ScanLanguages(exe.path());
    test::TempDir noCatalogues;
    EXPECT_EQ(InstallQtTranslations(app, c.emptyQtFolder ? noCatalogues.path() : std::string()), c.installed);
    EXPECT_EQ(QCoreApplication::translate("QPlatformTheme", "Cancel"), c.cancel);
    // The buttons of the program's message boxes take the same texts.
    QMessageBox box(QMessageBox::Question, "t", "x", QMessageBox::Yes | QMessageBox::No | QMessageBox::Cancel);
    EXPECT_EQ(box.button(QMessageBox::Cancel)->text(), c.cancel);
    EXPECT_EQ(box.button(QMessageBox::Yes)->text() == "&Yes", !c.installed);
  }
  ResetLanguages();
  InstallQtTranslations(app);
}

}  // namespace
