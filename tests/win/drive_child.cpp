// Child program of the drive tests, run under the Windows version Wine reports to it: "mount"
// maps the drive, "place SHARE" builds the web-folder place.
#include "drive/mount.h"
#include "drive/webfolder.h"

#include <cstring>

int main(int argc, char** argv) {
    if (argc == 3 && strcmp(argv[1], "place") == 0)
        buildWebFolderPlace(argv[2]);
    return argc == 2 && strcmp(argv[1], "mount") == 0 && mountDrive(false) ? 0 : 1;
}
