# A clean machine reporting itself as win10.
e2e_clean_machine win10
