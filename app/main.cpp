#include "app/ProgramEntry.h"

int main(int argc, char** argv) {
    return RunGlyphon(argc, argv);
}
