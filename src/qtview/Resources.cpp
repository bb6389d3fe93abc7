#include "qtview/Resources.h"

#include <QtGlobal>

// Q_INIT_RESOURCE must be used outside any namespace.
static void InitPicturesResource() {
    Q_INIT_RESOURCE(pictures);
}

namespace zarava {

void InitPictureResources() {
    InitPicturesResource();
}

} // namespace zarava
