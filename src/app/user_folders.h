// What the environment says about the user's own folders, as the data location wants it:
// the XDG folders and the home folder here (user_folders_posix.cpp), the local application
// data folder on Windows (user_folders_win32.cpp).
#pragma once
#include "app/data_location.h"

namespace movra {

void ReadUserFolders(DataLocationInput& in);

}  // namespace movra
