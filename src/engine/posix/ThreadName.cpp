#include "engine/ThreadName.h"

#include <pthread.h>

namespace zarava {

void NameThisThread(const char* name) {
    pthread_setname_np(pthread_self(), name);
}

} // namespace zarava
