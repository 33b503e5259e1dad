// Words for the user that the core hands back to its caller instead of showing them: the
// window shows a notice as a message box, movra-cli as a line on stderr.
#pragma once
#include <stdexcept>
#include <string>
#include <utility>

namespace movra {

enum class NoticeIcon { None, Information, Warning, Error };

struct Notice {
  std::string text;  // as shown: translated already where the words are translated
  std::string caption;
  NoticeIcon icon = NoticeIcon::None;
  bool onTop = false;  // above every window, the program's own too
};

// The general error display: the text and "Error", both translated, with the error icon.
Notice ErrorNotice(const std::string& text);
// A message: the text and "Message", both translated, with the information icon.
Notice InfoNotice(const std::string& text);

// An error whose text is in the user's language already and carries a server's or the
// system's own words: looked up again, "… permission denied for table results" would meet
// the key "%1 results".
class TranslatedError : public std::runtime_error {
 public:
  using std::runtime_error::runtime_error;
};
// The general error display for such a text: the text as it is, "Error" translated.
Notice TranslatedErrorNotice(const std::string& text);

// A step that succeeded, or failed with the notice that says why.
struct StepResult {
  bool ok = true;
  Notice failure;
  explicit operator bool() const { return ok; }
  static StepResult Failed(Notice why) { return StepResult{false, std::move(why)}; }
};

}  // namespace movra
