// The system's own processes, which no match by name or path may end:
// on NT, ending csrss, smss, wininit, winlogon, services or lsass stops
// the machine with a blue screen; on the 9x family the kernel and its
// message and multimedia servers run as processes too. A trojan's
// favourite disguise is exactly these names.
#pragma once

// Whether a process of this name is one of the system's own. `name` is
// the file name of its image without the extension, or the instance name
// of the performance data (which is that already); case is ignored.
bool IsCriticalProcessName(const char* name);

// The same for a process known by the path of its image (or its bare
// file name): the part after the last backslash, up to its last dot.
bool IsCriticalProcessImage(const char* imagePath);
