// Message boxes. The window and the tools show through this facade what the core returns
// (a Notice); the window program installs a presenter that shows it with the toolkit,
// tools install one that prints, and tests install one that records and answers.
#pragma once
#include <cstdint>
#include <functional>
#include <memory>
#include <optional>
#include <string>
#include <vector>

#include "app/notice.h"

namespace movra {

// Style bits and results of the system message box.
constexpr uint32_t MB_OK = 0x00;
constexpr uint32_t MB_YESNOCANCEL = 0x03;
constexpr uint32_t MB_YESNO = 0x04;
constexpr uint32_t MB_ICONERROR = 0x10;
constexpr uint32_t MB_ICONQUESTION = 0x20;
constexpr uint32_t MB_ICONWARNING = 0x30;
constexpr uint32_t MB_ICONINFORMATION = 0x40;
constexpr uint32_t MB_DEFBUTTON2 = 0x100;  // the second button (No) is the default
constexpr uint32_t MB_TOPMOST = 0x40000;  // above every other window, the program's own too
constexpr int IDOK = 1;
constexpr int IDCANCEL = 2;
constexpr int IDYES = 6;
constexpr int IDNO = 7;

struct DialogRequest {
  std::string text;     // as shown (already translated where the caller translates)
  std::string caption;
  uint32_t style = MB_OK;
};

class DialogPresenter {
 public:
  virtual ~DialogPresenter() = default;
  // Shows the box and returns the button pressed; closing the box counts as IDCANCEL.
  // May be called on any thread; the presenter decides where the box is shown.
  virtual int present(const DialogRequest& request) = 0;
};

// Installs the presenter for the whole process; returns the previous one.
std::shared_ptr<DialogPresenter> SetDialogPresenter(std::shared_ptr<DialogPresenter> p);
std::shared_ptr<DialogPresenter> CurrentDialogPresenter();

// Yes, No, Cancel with a question mark, caption "Warning" (translated): 6, 7 or 2.
int AskWarning(const std::string& text);
// OK with the information icon, caption "Message" (translated).
void ShowInfo(const std::string& text);
// OK with the error icon, caption "Error" (translated).
void ShowError(const std::string& text);
// A plain message box: text and caption shown as given, not translated.
int PlainMessageBox(const std::string& text, const std::string& caption, uint32_t style);
// A notice the core returned, with OK and its icon; none for an empty optional.
void ShowNotice(const Notice& notice);
void ShowNotice(const std::optional<Notice>& notice);
// Each of them in turn.
void ShowNotices(const std::vector<Notice>& notices);

// Writes each box to stderr as caption + ": " + text and answers IDOK, or `answer` for
// questions. The default presenter of a process that installed none.
class StderrPresenter : public DialogPresenter {
 public:
  explicit StderrPresenter(int answer = IDCANCEL) : answer_(answer) {}
  int present(const DialogRequest& request) override;

 private:
  int answer_;
};

}  // namespace movra
