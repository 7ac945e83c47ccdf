#include "platform/clock.h"
#include "platform/win32/wide.h"

#ifndef CREATE_WAITABLE_TIMER_HIGH_RESOLUTION
#define CREATE_WAITABLE_TIMER_HIGH_RESOLUTION 0x00000002
#endif

namespace platform {
namespace {

std::int64_t FileTimeMinutes(const SYSTEMTIME& st) {
  FILETIME ft;
  SystemTimeToFileTime(&st, &ft);
  ULARGE_INTEGER v;
  v.LowPart = ft.dwLowDateTime;
  v.HighPart = ft.dwHighDateTime;
  return static_cast<std::int64_t>(v.QuadPart / (10'000'000ULL * 60));
}

class TWin32Clock : public IClock {
public:
  TWin32Clock() {
    LARGE_INTEGER frequency;
    QueryPerformanceFrequency(&frequency);
    mFrequency = frequency.QuadPart > 0 ? frequency.QuadPart : 1;
  }

  TLocalTime LocalNow() const override {
    SYSTEMTIME st;
    GetLocalTime(&st);
    return {st.wYear, st.wMonth, st.wDay, st.wHour, st.wMinute, st.wSecond, st.wMilliseconds};
  }
  // The tick count moves in steps of about 16 ms, too coarse for reply deadlines of a few tens of ms.
  std::int64_t MonotonicMs() const override {
    LARGE_INTEGER counter;
    QueryPerformanceCounter(&counter);
    return counter.QuadPart / mFrequency * 1000 + counter.QuadPart % mFrequency * 1000 / mFrequency;
  }
  bool IsDaylightSaving(const TLocalTime& t) const override {
    // The offset of local from universal time at that moment tells which rule is in force.
    TIME_ZONE_INFORMATION tzi;
    if (!GetTimeZoneInformationForYear(static_cast<USHORT>(t.Year), nullptr, &tzi)) return false;
    if (tzi.DaylightDate.wMonth == 0 || tzi.DaylightBias == 0) return false;
    SYSTEMTIME local{};
    local.wYear = static_cast<WORD>(t.Year);
    local.wMonth = static_cast<WORD>(t.Month);
    local.wDay = static_cast<WORD>(t.Day);
    local.wHour = static_cast<WORD>(t.Hour);
    local.wMinute = static_cast<WORD>(t.Minute);
    local.wSecond = static_cast<WORD>(t.Second);
    SYSTEMTIME utc;
    if (!TzSpecificLocalTimeToSystemTime(nullptr, &local, &utc)) return false;
    std::int64_t offset = FileTimeMinutes(local) - FileTimeMinutes(utc);
    return offset == -(static_cast<std::int64_t>(tzi.Bias) + tzi.DaylightBias);
  }

private:
  std::int64_t mFrequency = 1;
};

// Sleep() rounds up to the system timer tick (15.6 ms by default), which would stretch every short
// pause between reads; a high-resolution waitable timer keeps pauses close to what was asked.
// One timer per thread; systems without such timers fall back to Sleep().
class TWin32Sleeper : public ISleeper {
public:
  void SleepMs(int ms) override {
    if (ms <= 0) return;
    thread_local TTimer timer;
    LARGE_INTEGER due;
    due.QuadPart = -static_cast<LONGLONG>(ms) * 10'000;  // relative, in 100 ns units
    if (timer.Handle && SetWaitableTimer(timer.Handle, &due, 0, nullptr, nullptr, FALSE) &&
        WaitForSingleObject(timer.Handle, INFINITE) == WAIT_OBJECT_0)
      return;
    Sleep(static_cast<DWORD>(ms));
  }

private:
  struct TTimer {
    HANDLE Handle = CreateWaitableTimerExW(nullptr, nullptr, CREATE_WAITABLE_TIMER_HIGH_RESOLUTION, TIMER_ALL_ACCESS);
    TTimer() = default;
    ~TTimer() {
      if (Handle) CloseHandle(Handle);
    }
    TTimer(const TTimer&) = delete;
    TTimer& operator=(const TTimer&) = delete;
  };
};

}  // namespace

IClock& SystemClock() {
  static TWin32Clock clock;
  return clock;
}

ISleeper& SystemSleeper() {
  static TWin32Sleeper sleeper;
  return sleeper;
}

}  // namespace platform
