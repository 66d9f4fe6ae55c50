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

}  // namespace
