// GoogleTest's Notification for the Windows builds, force-included wherever
// GoogleTest is compiled there (see CMakeLists.txt).
//
// GoogleTest builds its Notification on std::mutex and
// std::condition_variable, which MinGW's win32 thread model lacks before
// GCC 13. GTEST_HAS_NOTIFICATION_ is GoogleTest's own hook for bringing
// another one; this one waits on a Win32 event. Only GoogleTest's thread
// support uses it; the contract tests run on one thread.
#pragma once

#define GTEST_HAS_NOTIFICATION_ 1

namespace testing {
namespace internal {

class Notification {
public:
    Notification();
    ~Notification();
    Notification(const Notification&) = delete;
    Notification& operator=(const Notification&) = delete;

    void Notify();
    void WaitForNotification();

private:
    void* event_;  // a manual-reset event, unset until Notify
};

}  // namespace internal
}  // namespace testing
