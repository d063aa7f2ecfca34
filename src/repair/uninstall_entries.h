// The trojan's uninstall command and its own startup value.
#pragma once

// Runs after every successful deletion; 1 when it ran to the end.
int RemoveUninstallEntries();
