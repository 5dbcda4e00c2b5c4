#include "PictureStore.h"

void CreatePictureStore(PictureStore &store)
{
    store.workRaster.setPixelFormat24();
    store.displayRaster.setPixelFormat24();
    store.workRaster.setWidth(kStartWidth);
    store.workRaster.setHeight(kStartHeight);
    RebuildRowTable(store.rowTable, store.workRaster);
    store.displayRaster.setWidth(store.workRaster.width());
    store.displayRaster.setHeight(store.workRaster.height());
    CopyRect(store.displayRaster, 0, 0, store.displayRaster.width(), store.displayRaster.height(),
        store.workRaster, 0, 0);
}
