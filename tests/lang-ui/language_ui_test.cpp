// The window in the interface language: Qt's standard buttons and file dialogs speak the
// language the translation files chose (a missing Qt catalogue never stops the program),
// and the designed captions take their translations, the settings' title and pictures
// left as they are.
#include <gtest/gtest.h>

#include <QAbstractButton>
#include <QApplication>
#include <QDialog>
#include <QLabel>
#include <QMainWindow>
#include <QMenuBar>
#include <QMessageBox>
#include <QPixmap>
#include <QPushButton>
#include <QTabWidget>
#include <QToolButton>

#include "app/language.h"
#include "temp_dir.h"
#include "ui/qt_translations.h"
#include "ui/result_list_model.h"
#include "ui/window_texts.h"

using namespace movra;

namespace {

QApplication& App() {
  static int argc = 1;
  static char name[] = "language-ui-test";
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

TEST(WindowTexts, DesignedCaptionsTakeTheInstalledTranslation) {
  App();
  test::TempDir exe;
  exe.write("1031/MovraT.txt", test::ReadFileBytes(test::SourceDir() + "/install/lang/1031/MovraT.txt"));
  ScanLanguages(exe.path());

  QMainWindow window;
  window.setWindowTitle("Movra Management Software");
  QMenu* file = window.menuBar()->addMenu("&File");
  QAction* exit = file->addAction("E&xit");
  auto* download = new QToolButton(&window);
  download->setText("Download");
  download->setToolTip("Download data");
  download->setStatusTip("Download data");
  auto* pages = new QTabWidget(&window);
  pages->addTab(new QWidget, "Data List");
  auto* about = new QDialog(&window);
  about->setWindowTitle("About...");
  auto* logo = new QLabel(about);
  QPixmap picture(8, 8);
  picture.fill(Qt::blue);
  logo->setPixmap(picture);
  auto* company = new QLabel("Velbrook Medical", about);
  auto* close = new QPushButton("Close", about);

  TranslateWindowTexts(&window);

  EXPECT_EQ(window.windowTitle(), "Movra Management Software");
  EXPECT_EQ(file->title(), "&Datei");
  EXPECT_EQ(exit->text(), "&Beenden");
  EXPECT_EQ(download->text(), "Abrufen");
  EXPECT_EQ(download->toolTip(), QString::fromUtf8("Daten vom Messgerät abrufen"));
  EXPECT_EQ(download->statusTip(), QString::fromUtf8("Daten vom Messgerät abrufen"));
  EXPECT_EQ(pages->tabText(0), "Datenliste");
  EXPECT_EQ(about->windowTitle(), QString::fromUtf8("Über ..."));
  EXPECT_EQ(close->text(), QString::fromUtf8("Schließen"));
  EXPECT_EQ(company->text(), "Velbrook Medical");  // a name has no translation
  EXPECT_FALSE(logo->pixmap().isNull());
  ResetLanguages();
}

TEST(WindowTexts, ScreenReaderWordsTakeTheInstalledTranslation) {
  App();
  test::TempDir exe;
  exe.write("1031/MovraT.txt", test::ReadFileBytes(test::SourceDir() + "/install/lang/1031/MovraT.txt"));
  ScanLanguages(exe.path());
  // The check column's title is a picture; a screen reader reads its name.
  ResultListModel model(nullptr);
  EXPECT_EQ(model.headerData(0, Qt::Horizontal, Qt::AccessibleTextRole).toString(), "Angehakt");
  ResetLanguages();
}

}  // namespace
