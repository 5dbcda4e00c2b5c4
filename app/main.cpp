// The program: the headless command when the arguments ask for it, otherwise the window.
#include "HeadlessCommand.h"
#include "MemoryBudget.h"
#include "WindowStart.h"

int main(int argc, char **argv)
{
    MemoryBudget::SetHeapThresholds();
    if (IsHeadlessInvocation(argc, argv))
        return RunHeadless(argc, argv);
    return RunWindow(argc, argv);
}
