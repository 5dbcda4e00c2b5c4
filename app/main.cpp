// The program: the headless command when the arguments ask for it, otherwise the window.
#include "app/WindowStart.h"
#include "base/HeapTuning.h"
#include "cli/HeadlessCommand.h"

int main(int argc, char **argv)
{
    SetHeapThresholds();
    if (IsHeadlessInvocation(argc, argv))
        return RunHeadless(argc, argv);
    return RunWindow(argc, argv);
}
