#include "platform/windows/gtest_notification.h"

#include <cstdlib>

#include "platform/win32.h"

namespace testing {
namespace internal {

Notification::Notification() : event_(CreateEventA(nullptr, TRUE, FALSE, nullptr)) {
    if (event_ == nullptr) std::abort();  // as GoogleTest does when it cannot make its own
}

Notification::~Notification() {
    CloseHandle(event_);
}

void Notification::Notify() {
    SetEvent(event_);
}

void Notification::WaitForNotification() {
    WaitForSingleObject(event_, INFINITE);
}

}  // namespace internal
}  // namespace testing
