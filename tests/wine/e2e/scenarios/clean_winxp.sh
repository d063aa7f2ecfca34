# A clean machine reporting itself as winxp.
e2e_clean_machine winxp
