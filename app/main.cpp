// The program: the headless command when the arguments ask for it, otherwise the window.
#include "HeadlessCommand.h"
#include "HeapTuning.h"
#include "WindowStart.h"

int main(int argc, char **argv)
{
    SetHeapThresholds();
    if (IsHeadlessInvocation(argc, argv))
        return RunHeadless(argc, argv);
    return RunWindow(argc, argv);
}
