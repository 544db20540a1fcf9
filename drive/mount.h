// Mapping and unmapping the share to its drive letter, and the connection notice.
#pragma once

bool mountDrive(bool openAfter);
void unmountDrive(bool clearCredentials);
void autoMount();
// After a resume from sleep: a connected drive that Windows lost is mapped again.
void remountAfterResume();
