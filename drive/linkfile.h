// The bytes of the web-folder place's link file, Target.lnk. Portable; webfolder.cpp writes them.
#pragma once

#include <vector>

// The link file that leads Explorer through the shell's web-folders namespace to address,
// shown as displayName. False when a name is too long for the format's 16-bit sizes.
bool webFolderLinkBytes(const char* address, const char* displayName,
                        std::vector<unsigned char>* bytes);
