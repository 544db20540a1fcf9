// Child program of the drive tests, run under the Windows version Wine reports to it: "mount"
// maps the drive, "place SHARE" builds the web-folder place. The tests read the effects: the
// calls the test network provider recorded, the files written.
#include "drive/mount.h"
#include "drive/webfolder.h"

#include <cstring>

int main(int argc, char** argv) {
    if (argc == 2 && strcmp(argv[1], "mount") == 0)
        return mountDrive(false) ? 0 : 1;
    if (argc == 3 && strcmp(argv[1], "place") == 0)
        buildWebFolderPlace(argv[2]);
    return 0;
}
