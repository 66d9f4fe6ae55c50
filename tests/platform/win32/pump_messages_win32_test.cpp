// The message pump of the progress passes on the real message queue.
#include <windows.h>

#include <gtest/gtest.h>

#include "platform/win32/win32_platform.h"

namespace {

TEST(PumpMessages, EmptiesTheQueueAndDropsAQuitWithoutStoppingAtIt) {
  qm::Win32Platform os;
  PostThreadMessageA(GetCurrentThreadId(), WM_USER + 7, 0, 0);
  PostQuitMessage(3);
  PostThreadMessageA(GetCurrentThreadId(), WM_USER + 8, 0, 0);

  os.PumpMessages();

  MSG message;
  EXPECT_FALSE(PeekMessageA(&message, nullptr, 0, 0, PM_REMOVE))
      << "left in the queue: message " << message.message;
}

double Milliseconds() {
  LARGE_INTEGER now, frequency;
  QueryPerformanceCounter(&now);
  QueryPerformanceFrequency(&frequency);
  return 1000.0 * static_cast<double>(now.QuadPart) / static_cast<double>(frequency.QuadPart);
}

bool QueueHoldsAMessage() {
  MSG message;
  return PeekMessageA(&message, nullptr, 0, 0, PM_NOREMOVE) != FALSE;
}

// The passes offer a pump per 2 KB block; the queue is looked at again only
// after 10 ms, and then it is emptied.
TEST(PumpMessages, LooksAtTheQueueAgainOnlyAfterTheInterval) {
  qm::Win32Platform os;
  const double beforeFirstLook = Milliseconds();
  os.PumpMessages();
  PostThreadMessageA(GetCurrentThreadId(), WM_USER + 9, 0, 0);

  os.PumpMessages();
  if (Milliseconds() - beforeFirstLook < 10) {
    EXPECT_TRUE(QueueHoldsAMessage()) << "the queue was looked at again within 10 ms";
  }

  Sleep(20);
  os.PumpMessages();
  EXPECT_FALSE(QueueHoldsAMessage()) << "the pump after the interval left the message";
}

}  // namespace
