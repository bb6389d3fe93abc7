#include "qtview/ThreadWakeup.h"

#include <QSocketNotifier>

#include <cstdint>
#include <sys/eventfd.h>
#include <unistd.h>

namespace zarava {

ThreadWakeup::ThreadWakeup(std::function<void()> onWake)
    : fd_(eventfd(0, EFD_CLOEXEC | EFD_NONBLOCK)), onWake_(std::move(onWake)),
      notifier_(std::make_unique<QSocketNotifier>(fd_, QSocketNotifier::Read)) {
    QObject::connect(notifier_.get(), &QSocketNotifier::activated, [this] {
        std::uint64_t count = 0;
        (void)!read(fd_, &count, sizeof count);
        onWake_();
    });
}

ThreadWakeup::~ThreadWakeup() {
    notifier_.reset();
    if (fd_ >= 0) {
        close(fd_);
    }
}

void ThreadWakeup::Wake() {
    const std::uint64_t one = 1;
    (void)!write(fd_, &one, sizeof one);
}

} // namespace zarava
