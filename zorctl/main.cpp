#include "zorctl/zorctl_program.h"

int main(int argc, char** argv) {
    return RunZorctl(argc, argv);
}
