// Resets of module-level state that belongs to single parts (tables that
// are changed in place, once-per-run flags). Each part adds its own here.
void ResetProgramStateExtras() {}
