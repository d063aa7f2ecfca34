// The processes of NT 4 and of NT after 5.x, from the performance data of
// the registry (the parsing itself is in performance_parser.h).
#pragma once

// 1 when it terminated at least one process whose performance-data
// instance name begins with the file's name without its extension.
int KillByPerfData(const char* path);
