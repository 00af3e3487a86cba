// Unpacks a zlib stream piece by piece as its bytes arrive, into a buffer of fixed room, with the
// outcome of zlib's one-call uncompress over the same bytes: success only when the stream ends
// within the input and its output fits the room. Bytes after the end of the stream are ignored.
#pragma once
#include <zlib.h>

#include <cstdint>

class StreamUnpacker {
 public:
  StreamUnpacker(uint8_t* out, uint32_t room);
  ~StreamUnpacker();
  StreamUnpacker(const StreamUnpacker&) = delete;
  StreamUnpacker& operator=(const StreamUnpacker&) = delete;

  void Feed(const uint8_t* data, uint32_t length);
  // Nonzero when the stream has ended without fault; Produced() is then its unpacked size.
  int Ended() const { return m_state == kEnded; }
  uint32_t Produced() const { return uint32_t(m_z.total_out); }

 private:
  enum State { kRunning, kEnded, kFailed };
  z_stream m_z{};
  State m_state = kRunning;
  bool m_init = false;
};
