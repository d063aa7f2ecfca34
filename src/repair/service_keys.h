// A service's registration in both numbered control sets.
#pragma once

// Deletes a service's keys in both control sets; 1 when any deletion succeeded.
int RemoveServiceKeys(const char* serviceName);
