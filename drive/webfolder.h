// The web-folder network place of the share (the web-folder connection methods).
#pragma once

#include <string>

void buildWebFolderPlace(const std::string& share);
