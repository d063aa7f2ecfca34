// Run-value walks and service registrations.
#pragma once

// Deletes a service's keys in both control sets; 1 when any deletion succeeded.
int RemoveServiceKeys(const char* serviceName);
