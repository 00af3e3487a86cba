#include "stream_unpack.h"

StreamUnpacker::StreamUnpacker(uint8_t* out, uint32_t room) {
  m_z.next_out = out;
  m_z.avail_out = room;
  m_init = inflateInit(&m_z) == Z_OK;
  if (!m_init) m_state = kFailed;
}

StreamUnpacker::~StreamUnpacker() {
  if (m_init) inflateEnd(&m_z);
}

void StreamUnpacker::Feed(const uint8_t* data, uint32_t length) {
  if (m_state != kRunning || length == 0) return;
  m_z.next_in = const_cast<Bytef*>(data);
  m_z.avail_in = length;
  for (;;) {
    int status = inflate(&m_z, Z_NO_FLUSH);
    if (status == Z_STREAM_END) {
      m_state = kEnded;
      return;
    }
    if (status == Z_OK) {
      if (m_z.avail_in == 0) return;  // wants the next piece
      continue;
    }
    if (status == Z_BUF_ERROR && m_z.avail_in == 0 && m_z.avail_out != 0) return;
    m_state = kFailed;  // bad data, or more output than the room holds
    return;
  }
}
