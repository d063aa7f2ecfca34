# Windows 10 (NT 6 and later): the process list comes from the
# performance data as on NT 4; a locked infected file whose holder cannot
# be found is left for the next start.
e2e_unfound_holder win10
