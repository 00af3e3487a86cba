// The download run: every listed file fetched, its size and byte sum checked, unpacked with zlib and
// left in the update directory as its name + ".tmp".
#include <cstdio>
#include <memory>
#include <new>

#include "bounded.h"
#include "bytesum.h"
#include "file_write.h"
#include "fileutil.h"
#include "source.h"
#include "stream_unpack.h"
#include "updater.h"

namespace {

constexpr uint32_t kRequestSize = 4094;
constexpr uint32_t kRequestMargin = 4096;  // fewer left than this: the rest is asked for at once
constexpr uint32_t kUnpackMargin = 4096;   // room offered beyond "SIZE" when unpacking

uint32_t NextRequest(uint32_t got, uint32_t packedSize) {
  return uint64_t(got) + kRequestMargin > packedSize ? packedSize - got : kRequestSize;
}

}  // namespace

uint32_t CUpdater::ReceivePacked(ByteSource& source, uint32_t packedSize, const PackedSink& sink) {
  uint8_t chunk[kRequestMargin];
  uint32_t got = 0;
  while (!m_cancel.load() && got < packedSize) {
    uint32_t n = 0;
    // A failed read, or one that reports the end of the source, ends the loop; the file then
    // fails its size test.
    if (!source.Read(chunk, NextRequest(got, packedSize), &n) || n == 0) break;
    got += n;
    sink(chunk, n);
    m_received.fetch_add(n, std::memory_order_relaxed);
    if (m_cancel.load()) break;
    while (m_paused.load() && !m_cancel.load()) Sleep(10);
    if (m_cancel.load()) break;
  }
  return got;
}

// The packed bytes are summed and unpacked as they arrive, so only the unpacked file is held in
// memory; it is written only when every byte arrived, the sum matched and the stream unpacked to
// exactly "SIZE" bytes.
int CUpdater::FetchToFile(ByteSource& source, const char* tmpPath, uint32_t packedSize, uint32_t checksum,
                          uint32_t size) {
  HANDLE created = CreateFileA(tmpPath, GENERIC_READ | GENERIC_WRITE, FILE_SHARE_READ, nullptr, CREATE_ALWAYS,
                               FILE_ATTRIBUTE_NORMAL, nullptr);
  if (created == INVALID_HANDLE_VALUE) return 0;
  ScopedHandle file(created);
  m_received.store(0, std::memory_order_relaxed);

  uint32_t got = 0;
  uint32_t sum = 0;
  int written = 0;
  // An empty packed file stands for an empty file: it needs "SIZE" 0 and "ZSUM" 0.
  if (packedSize == 0 && size == 0) written = 1;
  // "SIZE" + 4096 must fit the 32 bits of zlib's length.
  if (packedSize != 0 && size != 0 && uint64_t(size) + kUnpackMargin <= 0xFFFFFFFFu) {
    std::unique_ptr<uint8_t[]> unpacked(new (std::nothrow) uint8_t[size + kUnpackMargin]);
    if (unpacked) {
      StreamUnpacker unpacker(unpacked.get(), size + kUnpackMargin);
      uint32_t running = 0;
      got = ReceivePacked(source, packedSize, [&](const uint8_t* data, uint32_t n) {
        running = ByteSum(running, data, n);
        unpacker.Feed(data, n);
      });
      if (got == packedSize && !m_cancel.load()) {
        m_phase.store(PHASE_VERIFYING, std::memory_order_relaxed);
        sum = running;
        if (sum == checksum) {
          m_phase.store(PHASE_UNPACKING, std::memory_order_relaxed);
          if (unpacker.Ended() && unpacker.Produced() == size) {
            written = WriteWhole(file.Get(), unpacked.get(), size, m_writeLimit);
          }
        }
      }
    }
  }
  int ok = !m_cancel.load() && got == packedSize && sum == checksum && written;
  file.Close();
  if (!ok) ForceDeleteFile(tmpPath);
  return ok;
}

int CUpdater::DownloadFile(HINTERNET inet, const char* name, int index, uint32_t packedSize, uint32_t checksum,
                           uint32_t size) {
  char tmpPath[MAX_PATH];
  if (!JoinBounded(tmpPath, sizeof tmpPath, m_updateDir.c_str(), name, ".tmp")) return 0;
  tmpPath[strlen(tmpPath) - 4] = '\0';
  CreateDirectories(tmpPath);  // the update directory and the sub-folders of the name
  AppendBounded(tmpPath, sizeof tmpPath, ".tmp");  // fits: checked by the join above
  m_phase.store(PHASE_RECEIVING, std::memory_order_relaxed);

  // A complete file from an earlier run is kept: only complete files survive a run.
  if (FileSizeOf(tmpPath) != 0) return 1;

  char address[1024];
  std::string base = m_base.Get();
  if (snprintf(address, sizeof address, "%s%d%s", base.c_str(), index, m_ext.c_str()) >= int(sizeof address)) {
    return 0;
  }
  std::unique_ptr<ByteSource> source = OpenServerFile(inet, address, m_shareReadPause);
  if (!source) return 0;
  return FetchToFile(*source, tmpPath, packedSize, checksum, size);
}

void CUpdater::RunDownload() {
  m_cancel.store(0);
  m_paused.store(0);
  m_index.store(0, std::memory_order_relaxed);
  m_count.store(m_entries.Count(), std::memory_order_relaxed);

  int ok = 1;
  std::string base = m_base.Get();
  InetHandle inet(IsDirectoryBase(base.c_str()) ? nullptr : OpenInternet());
  if (!IsDirectoryBase(base.c_str()) && !inet.Valid()) ok = 0;

  const UpdateEntry* entry = m_entries.At(0);
  while (ok && entry && m_index.load(std::memory_order_relaxed) < m_count.load(std::memory_order_relaxed)) {
    m_curName.Set(entry->name);
    m_received.store(0, std::memory_order_relaxed);
    m_curSize.store(entry->packedSize, std::memory_order_relaxed);
    if (!DownloadFile(inet.Get(), entry->name, entry->index, entry->packedSize, entry->checksum, entry->size) ||
        m_cancel.load()) {
      ok = 0;
      break;
    }
    m_index.fetch_add(1, std::memory_order_relaxed);
    entry = entry->next;
  }
  inet.Close();

  m_phase.store(PHASE_IDLE, std::memory_order_relaxed);
  if (ok) {
    m_result.store(RESULT_DOWNLOADED);
  } else {
    m_result.store(m_cancel.load() ? RESULT_CANCELLED : RESULT_DOWNLOAD_FAILED);
  }
}
