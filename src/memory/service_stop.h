// Stopping the service that a surviving trojan process runs as.
#pragma once

// 1 when the service reports the stopped state after the stop request,
// else 0 (no manager access, unknown name, refused request, or still
// stop pending after about 30 seconds).
int StopService(const char* name);

// How many one-second waits a stop-pending service is given.
const int kMaxStopPendingWaits = 30;
