#include "emulator/emu_server.h"

#include <cerrno>
#include <chrono>
#include <poll.h>
#include <unistd.h>

namespace emulator {

namespace {

constexpr int kPollMs = 200;
// A line nobody reads (no driver has the port open) must not hold the device up for long.
constexpr int kWriteTimeoutMs = 1000;

std::int64_t NowMs() {
  return std::chrono::duration_cast<std::chrono::milliseconds>(std::chrono::steady_clock::now().time_since_epoch())
      .count();
}

// Sleeps without spinning; returns false when a stop was asked for meanwhile.
bool Pause(int ms, const volatile std::sig_atomic_t& stop) {
  const std::int64_t until = NowMs() + ms;
  for (std::int64_t left = ms; left > 0 && !stop; left = until - NowMs()) ::poll(nullptr, 0, static_cast<int>(left));
  return !stop;
}

// False when the line went away or would not take the bytes in time.
bool WriteAll(int fd, const std::string& bytes) {
  std::size_t done = 0;
  const std::int64_t deadline = NowMs() + kWriteTimeoutMs;
  while (done < bytes.size()) {
    ssize_t n = ::write(fd, bytes.data() + done, bytes.size() - done);
    if (n > 0) {
      done += static_cast<std::size_t>(n);
      continue;
    }
    if (n < 0 && errno == EINTR) continue;
    if (n < 0 && errno != EAGAIN && errno != EWOULDBLOCK) return false;
    const std::int64_t left = deadline - NowMs();
    if (left <= 0) return false;
    pollfd out{fd, POLLOUT, 0};
    ::poll(&out, 1, static_cast<int>(left));
  }
  return true;
}

bool Send(int fd, const std::vector<TOutChunk>& chunks, const volatile std::sig_atomic_t& stop) {
  for (const TOutChunk& chunk : chunks) {
    if (chunk.DelayMs > 0 && !Pause(chunk.DelayMs, stop)) return false;
    if (!WriteAll(fd, chunk.Bytes)) return false;
  }
  return true;
}

// Reads what is there; -1 when the line is gone.
long ReadSome(int fd, std::string& into) {
  char buffer[1024];
  ssize_t n = ::read(fd, buffer, sizeof buffer);
  if (n > 0) into.assign(buffer, static_cast<std::size_t>(n));
  if (n == 0) return -1;
  if (n < 0) return errno == EAGAIN || errno == EWOULDBLOCK || errno == EINTR ? 0 : -1;
  return n;
}

}  // namespace

void ServePty(const TPtyEndpoint& pty, TEmuDevice& device, const volatile std::sig_atomic_t& stop) {
  std::string received;
  while (!stop) {
    pollfd in{pty.MasterFd(), POLLIN, 0};
    int ready = ::poll(&in, 1, kPollMs);
    if (ready <= 0) continue;
    received.clear();
    if (ReadSome(pty.MasterFd(), received) <= 0) {
      // The slave end is held open, so this is only a transient hiccup; do not spin on it.
      if (in.revents & (POLLHUP | POLLERR)) Pause(kPollMs, stop);
      continue;
    }
    Send(pty.MasterFd(), device.Feed(received, NowMs()), stop);
  }
}

void ServeTcp(const TTcpListener& listener, TEmuDevice& device, const volatile std::sig_atomic_t& stop) {
  TFd client;
  std::string received;
  while (!stop) {
    pollfd fds[2] = {{listener.Fd(), POLLIN, 0}, {client.Get(), POLLIN, 0}};
    int ready = ::poll(fds, client.Valid() ? 2 : 1, kPollMs);
    if (ready <= 0) continue;
    if (fds[0].revents & POLLIN) {
      TFd fresh = listener.Accept();
      if (fresh.Valid()) {
        client = std::move(fresh);
        device.ResetLine();
        continue;
      }
    }
    if (!client.Valid() || !(fds[1].revents & (POLLIN | POLLHUP | POLLERR))) continue;
    received.clear();
    if (ReadSome(client.Get(), received) < 0) {
      client.Reset();
      device.ResetLine();
      continue;
    }
    if (!received.empty() && !Send(client.Get(), device.Feed(received, NowMs()), stop)) client.Reset();
  }
}

}  // namespace emulator
