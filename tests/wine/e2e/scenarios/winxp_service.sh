# Windows XP (NT 5.x): an infected program that cannot be terminated
# loses its service registration, and the memory stage asks to restart.
e2e_service_outlived winxp
