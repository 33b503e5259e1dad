// The program's pictures, read from the Image folder of the program folder. A missing
// picture leaves an empty space rather than stopping the program.
#pragma once
#include <QIcon>
#include <QPixmap>
#include <QString>

namespace movra {

// File names (without ".png") of the pictures in ExeDir + "Image/".
namespace pic {
inline constexpr const char* Download = "download";
inline constexpr const char* ClearData = "clear-data";
inline constexpr const char* ExportExcel = "export-excel";
inline constexpr const char* ExportTxt = "export-txt";
inline constexpr const char* Report = "report";
inline constexpr const char* History = "history";
inline constexpr const char* Exit = "exit";
inline constexpr const char* About = "about";
inline constexpr const char* CheckNone = "check-none";
inline constexpr const char* CheckSome = "check-some";
inline constexpr const char* CheckAll = "check-all";
inline constexpr const char* InrUp = "inr-up";
inline constexpr const char* InrDown = "inr-down";
inline constexpr const char* Port = "port";
inline constexpr const char* AboutLogo = "about-logo";
}  // namespace pic

QString PicturePath(const char* name);
// The picture scaled to `size` (keeping its proportions); a transparent picture of that
// size when the file is missing or unreadable.
QPixmap LoadPicture(const char* name, QSize size);
// ExeDir + the configured icon path, its "\" turned into "/". Null when unreadable.
QIcon LoadConfiguredIcon();

}  // namespace movra
