#include "app/dialogs.h"

#include <cstdio>
#include <mutex>

#include "app/language.h"

namespace movra {

namespace {
std::mutex gPresenterMutex;
std::shared_ptr<DialogPresenter>& presenterSlot() {
  static std::shared_ptr<DialogPresenter> p = std::make_shared<StderrPresenter>();
  return p;
}
}  // namespace

std::shared_ptr<DialogPresenter> SetDialogPresenter(std::shared_ptr<DialogPresenter> p) {
  std::lock_guard<std::mutex> lock(gPresenterMutex);
  auto old = presenterSlot();
  presenterSlot() = p ? std::move(p) : std::make_shared<StderrPresenter>();
  return old;
}

std::shared_ptr<DialogPresenter> CurrentDialogPresenter() {
  std::lock_guard<std::mutex> lock(gPresenterMutex);
  return presenterSlot();
}

int PlainMessageBox(const std::string& text, const std::string& caption, uint32_t style) {
  return CurrentDialogPresenter()->present(DialogRequest{text, caption, style});
}

int AskWarning(const std::string& text) {
  return PlainMessageBox(TranslateText(text), TranslateText("Warning"), MB_YESNOCANCEL | MB_ICONQUESTION);
}

void ShowInfo(const std::string& text) { ShowNotice(InfoNotice(text)); }

void ShowError(const std::string& text) { ShowNotice(ErrorNotice(text)); }

void ShowNotice(const Notice& n) {
  uint32_t icon = MB_OK;
  switch (n.icon) {
    case NoticeIcon::None: break;
    case NoticeIcon::Information: icon = MB_ICONINFORMATION; break;
    case NoticeIcon::Warning: icon = MB_ICONWARNING; break;
    case NoticeIcon::Error: icon = MB_ICONERROR; break;
  }
  PlainMessageBox(n.text, n.caption, MB_OK | icon | (n.onTop ? MB_TOPMOST : 0));
}

void ShowNotice(const std::optional<Notice>& n) {
  if (n) ShowNotice(*n);
}

void ShowNotices(const std::vector<Notice>& notices) {
  for (const Notice& n : notices) ShowNotice(n);
}

int StderrPresenter::present(const DialogRequest& r) {
  std::fprintf(stderr, "%s: %s\n", r.caption.c_str(), r.text.c_str());
  std::fflush(stderr);
  uint32_t buttons = r.style & 0x0F;
  if (buttons == MB_YESNOCANCEL || buttons == MB_YESNO) return answer_;
  return IDOK;
}

}  // namespace movra
