// What recognition keeps between passes: the region table of the last labelling, and the
// contour and chain code of the last region walked. The main window owns one for the whole
// run; the headless command makes one for each picture it reads.
#pragma once

#include "base/MemoryBudget.h"
#include "recognition/ChainCode.h"
#include "recognition/Contour.h"
#include "recognition/Regions.h"

struct RecognitionState
{
    RegionTable regions;
    Contour contour;
    ChainCode chainCode;
    // Their bytes, charged to the run's memory budget: the region table and its point lists;
    // the contour's and the chain code's capacity.
    MemoryReservation regionsCharge;
    MemoryReservation outlineCharge;
};
