# NT 4: as on XP, an infected program that cannot be terminated loses
# its service registration, and the memory stage asks to restart.
e2e_service_outlived nt40
