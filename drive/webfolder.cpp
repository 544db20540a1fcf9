// The web-folder network place. Not built yet: storing new credentials under the first
// web-folder method asks for the place to be rebuilt, which changes nothing for now.
#include "drive/webfolder.h"

void buildWebFolderPlace(const std::string&) {}
