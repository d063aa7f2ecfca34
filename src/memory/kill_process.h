// Termination of the processes started from a file that must be deleted.
#pragma once

// 1 when the caller may retry the deletion, 0 when termination failed.
int KillProcessByPath(const char* path);
