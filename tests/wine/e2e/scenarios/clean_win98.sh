# A clean machine reporting itself as win98.
e2e_clean_machine win98
