// GoogleTest's port settings for the Windows builds. Its Notification waits on std::mutex and
// std::condition_variable, which the win32 thread model of MinGW-w64 does not have; this one waits
// on a Windows event instead (notification.cpp). Nothing else in GoogleTest needs either.
#ifndef VELQOR_GTEST_CUSTOM_PORT_H_
#define VELQOR_GTEST_CUSTOM_PORT_H_

#define GTEST_HAS_NOTIFICATION_ 1

namespace testing::internal {

// Lets a controlling thread hold new threads until it says go.
class Notification {
 public:
  Notification();
  ~Notification();
  Notification(const Notification&) = delete;
  Notification& operator=(const Notification&) = delete;

  void Notify();
  void WaitForNotification();

 private:
  void* event_;  // a manual-reset event: once set, every waiter goes on
};

}  // namespace testing::internal

#endif  // VELQOR_GTEST_CUSTOM_PORT_H_
