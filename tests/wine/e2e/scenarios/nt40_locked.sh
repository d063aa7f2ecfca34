# NT 4: the process list comes from the performance data; a locked
# infected file whose holder cannot be found is left for the next start.
e2e_unfound_holder nt40
