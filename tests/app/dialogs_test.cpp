#include <gtest/gtest.h>

#include <thread>

#include "app/dialogs.h"
#include "app/language.h"
#include "recording_presenter.h"
#include "temp_dir.h"

using namespace movra;

namespace {

TEST(Dialogs, CaptionsButtonsAndIcons) {
  test::ScopedPresenter presenter;
  presenter->expect("q?", IDNO);
  presenter->expect("info");
  presenter->expect("bad");
  presenter->expect("plain");
  EXPECT_EQ(AskWarning("q?"), IDNO);
  ShowInfo("info");
  ShowError("bad");
  PlainMessageBox("plain", "warning", MB_OK | MB_ICONERROR);
  auto shown = presenter->shown();
  ASSERT_EQ(shown.size(), 4u);
  EXPECT_EQ(shown[0].caption, "Warning");
  EXPECT_EQ(shown[0].style, 0x23u);
  EXPECT_EQ(shown[1].caption, "Message");
  EXPECT_EQ(shown[1].style, 0x40u);
  EXPECT_EQ(shown[2].caption, "Error");
  EXPECT_EQ(shown[2].style, 0x10u);
  EXPECT_EQ(shown[3].caption, "warning");
}

TEST(Dialogs, TextAndCaptionAreTranslatedButPlainBoxesAreNot) {
  test::TempDir dir;
  dir.write("1031/MovraT.txt", "!LanguageID=1031\nError=Fehler\nWarning=Warnung\nbad=schlecht\n");
  ScanLanguages(dir.path());
  test::ScopedPresenter presenter;
  presenter->expect("schlecht");
  presenter->expect("bad");
  ShowError("bad");
  PlainMessageBox("bad", "Warning", MB_OK);
  ResetLanguages();
  auto shown = presenter->shown();
  EXPECT_EQ(shown[0].caption, "Fehler");
  EXPECT_EQ(shown[1].caption, "Warning");
}

// A server's words inside a translated error stay as they are: looked up again, the line would
// meet the pattern "%1 results".
TEST(Dialogs, ATranslatedErrorIsShownAsItIs) {
  test::TempDir dir;
  dir.write("1031/MovraT.txt", "!LanguageID=1031\nError=Fehler\n%1 results=%1 Ergebnisse\n");
  ScanLanguages(dir.path());
  test::ScopedPresenter presenter;
  const std::string text = "Die Datenbank der Praxis hat die Anfrage abgelehnt: permission denied for table results";
  presenter->expect(text);
  ShowNotice(TranslatedErrorNotice(text));
  ResetLanguages();
  auto shown = presenter->shown();
  ASSERT_EQ(shown.size(), 1u);
  EXPECT_EQ(shown[0].caption, "Fehler");
}

TEST(Dialogs, WorkerThreadWaitsForTheAnswer) {
  test::ScopedPresenter presenter;
  presenter->expect("from worker", IDYES);
  int answer = 0;
  std::thread([&] { answer = AskWarning("from worker"); }).join();
  EXPECT_EQ(answer, IDYES);
}

}  // namespace
