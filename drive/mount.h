// Mapping and unmapping the share to its drive letter, and the connection notice.
#pragma once

bool mountDrive(bool openAfter);
void unmountDrive(bool clearCredentials);
void autoMount();
