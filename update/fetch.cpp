#include "fetch.h"

#include <zlib.h>

#include <memory>
#include <new>

#include "bytesum.h"
#include "packed_header.h"

namespace {

int Unpack(const uint8_t* packed, uint32_t packedSize, uint32_t unpackedSize, std::vector<uint8_t>& text) {
  if (unpackedSize == 0) return 0;
  text.clear();
  // A size the allocation cannot hold is refused like any other bad manifest.
  std::unique_ptr<uint8_t[]> out(new (std::nothrow) uint8_t[unpackedSize]);
  if (!out) return 0;
  uLongf produced = unpackedSize;
  if (uncompress(out.get(), &produced, packed, packedSize) != Z_OK || produced != unpackedSize) return 0;
  if (out[unpackedSize - 1] != 0) return 0;  // the reader relies on the final zero byte
  try {
    text.assign(out.get(), out.get() + unpackedSize);
  } catch (...) {
    text.clear();
    return 0;
  }
  return 1;
}

}  // namespace

int ReadPackedManifest(ByteSource& source, std::vector<uint8_t>& text) {
  text.clear();
  uint8_t headerBytes[kPackedHeaderSize];
  PackedHeader header;
  if (ReadFull(source, headerBytes, kPackedHeaderSize) != kPackedHeaderSize) return 0;
  if (!ParsePackedHeader(headerBytes, header)) return 0;
  if (header.packedSize == 0) return 0;
  std::unique_ptr<uint8_t[]> packed(new (std::nothrow) uint8_t[header.packedSize]);
  if (!packed) return 0;
  if (ReadFull(source, packed.get(), header.packedSize) != header.packedSize) return 0;
  if (ByteSum(0, packed.get(), header.packedSize) != header.checksum) return 0;
  if (!Unpack(packed.get(), header.packedSize, header.unpackedSize, text)) {
    text.clear();
    return 0;
  }
  return 1;
}

int FetchManifest(const char* address, std::vector<uint8_t>& text) {
  text.clear();
  // The request (source) is closed before the internet handle: it is declared after it.
  InetHandle inet(IsDirectoryBase(address) ? nullptr : OpenInternet());
  if (!IsDirectoryBase(address) && !inet.Valid()) return 0;
  std::unique_ptr<ByteSource> source = OpenServerFile(inet.Get(), address, 0);
  if (!source) return 0;
  return ReadPackedManifest(*source, text);
}
