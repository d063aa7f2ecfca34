/* A small program that only waits: the base of the runnable samples, so
   that tests have an "infected" process to find, terminate and remove.
   waiter [MILLISECONDS]: says it started, then waits until it is ended or
   the time (120 s by default) is up, and exits with 0. */
#include <stdio.h>
#include <stdlib.h>
#include <windows.h>

int main(int argc, char** argv) {
    DWORD wait = 120000;
    if (argc > 1) wait = (DWORD)strtoul(argv[1], NULL, 10);
    printf("waiter: started\n");
    fflush(stdout);
    Sleep(wait);
    return 0;
}
