// sorvane: the item-file editor.
#include "about.h"
#include "mainform.h"
#include "programstart.h"

int main(int argc, char** argv) {
    const fprn::programstart::Program program{
        "sorvane",
        fprn::itemeditor::kEditorVersion,
        "The item editor: opens DEFAULT.PLU of the current folder when it is there.",
        {}};
    if (int status = fprn::programstart::CheckCommandLine(argc, argv, program); status >= 0)
        return status;
    return fprn::itemeditor::SorvaneMain(argc, argv);
}
