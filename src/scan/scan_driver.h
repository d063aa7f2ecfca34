// One complete scan: memory stage, every fixed drive (or one folder), the
// closing statistics, the final status and the restart offer.
#pragma once

// Always 1. Reads ScanTarget: "!:" for every fixed drive C: to Z:, any other
// text for one folder, empty for no walk at all.
int RunScan();

// Asks for an immediate forced restart; on NT the shutdown privilege is
// enabled first. Gives up silently.
void RestartComputer();
