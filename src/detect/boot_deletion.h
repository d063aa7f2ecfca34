// Deleting a file while the computer restarts, before anything can hold it:
// the pending-operation list on the NT family, the [rename] section of
// wininit.ini on the 9x family.
#pragma once

// 1 when the deletion at the next start was arranged (always on the NT
// family), 0 otherwise.
int ScheduleBootDeletion(const char* path);
// Adds "target=source" to the [rename] section of wininit.ini in the
// Windows folder, creating the file or the section when missing.
bool AddWininitRenameLine(const char* target, const char* source);
