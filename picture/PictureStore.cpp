#include "picture/PictureStore.h"

void CreatePictureStore(PictureStore &store)
{
    store.workRaster.setWidth(kStartWidth);
    store.workRaster.setHeight(kStartHeight);
    RebuildRowTable(store.rowTable, store.workRaster);
    store.displayRaster.copyFrom(store.workRaster);
}
