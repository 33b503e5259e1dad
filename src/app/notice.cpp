#include "app/notice.h"

#include "app/language.h"

namespace movra {

Notice ErrorNotice(const std::string& text) {
  return Notice{TranslateText(text), TranslateText("Error"), NoticeIcon::Error};
}

Notice TranslatedErrorNotice(const std::string& text) {
  return Notice{text, TranslateText("Error"), NoticeIcon::Error};
}

Notice InfoNotice(const std::string& text) {
  return Notice{TranslateText(text), TranslateText("Message"), NoticeIcon::Information};
}

}  // namespace movra
