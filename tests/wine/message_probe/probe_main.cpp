// Shows the program's own message dialog once for every triple of
// arguments (flags in hexadecimal, caption, text) and prints each answer
// on a line of its own, for the GUI test of the dialog under Wine.
#include <cstdio>
#include <cstdlib>

#include "common/message_dialog.h"

int main(int argc, char** argv) {
    for (int i = 1; i + 2 < argc; i += 3) {
        int flags = static_cast<int>(strtol(argv[i], nullptr, 16));
        int answer = ShowMessageDialog(argv[i + 2], argv[i + 1], flags);
        printf("%d\n", answer);
        fflush(stdout);
    }
    return 0;
}
