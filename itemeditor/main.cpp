// sorvane: the item-file editor.
#include "mainform.h"

int main(int argc, char** argv) {
    return fprn::itemeditor::SorvaneMain(argc, argv);
}
