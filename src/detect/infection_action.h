// What happens to a file once it is known to be infected: removal (with
// process termination and deletion at the next start as fallbacks),
// renaming, or leaving it, as ActionCode says; one report line each.
#pragma once

// `reportName` is the name the report lines carry. StatusPath and
// LastDetectionName must already describe the file.
void HandleInfectedFile(const char* path, const char* reportName);
