// Server folder build and check.
#include "serverbuild.h"

#include <zlib.h>

#include <filesystem>
#include <system_error>

#include "bytesum.h"
#include "file_io.h"
#include "le_bytes.h"
#include "manifest_reader.h"
#include "manifest_rules.h"
#include "manifest_text.h"
#include "packed_header.h"

namespace fs = std::filesystem;

namespace {

constexpr uint32_t kUnpackSlack = 4096;  // the client unpacks a file into SIZE + 4096 bytes
constexpr uint32_t kMaxManifestText = 64u << 20;
constexpr uint64_t kMaxFileSize = 0x7FFFFFFF;  // "SIZE" and "ZSIZE" are read with a 32-bit atol

std::string Join(const std::vector<std::string>& lines) {
  std::string out;
  for (const std::string& l : lines) out += (out.empty() ? "" : "\n") + l;
  return out;
}

std::string Hex32(uint32_t v) { return "0x" + FormatZsum(v); }

std::string ServerFileName(unsigned number, const std::string& ext) { return std::to_string(number) + ext; }

std::string PathIn(const std::string& dir, const std::string& name) { return (fs::path(dir) / name).string(); }

// The release file of a section name: "\" and "/" both separate folders.
std::string ReleasePath(const std::string& releaseDir, const std::string& section) {
  fs::path p(releaseDir);
  std::string part;
  for (char c : section) {
    if (c == '\\' || c == '/') {
      if (!part.empty()) p /= part;
      part.clear();
    } else {
      part += c;
    }
  }
  if (!part.empty()) p /= part;
  return p.string();
}

bool ValidLevel(int level) { return level == Z_DEFAULT_COMPRESSION || (level >= 0 && level <= 9); }

std::vector<uint8_t> Compress(const uint8_t* data, size_t size, int level) {
  uLongf bound = compressBound(static_cast<uLong>(size));
  std::vector<uint8_t> out(bound);
  if (compress2(out.data(), &bound, data, static_cast<uLong>(size), ValidLevel(level) ? level : 9) != Z_OK)
    return {};
  out.resize(bound);
  return out;
}

// Inflates a whole zlib stream, counting its output (kept up to keepLimit bytes) and stopping after
// countLimit bytes. Returns the zlib status at the end (Z_STREAM_END for a complete stream).
int InflateCount(const uint8_t* data, size_t size, uint64_t countLimit, uint64_t& total) {
  total = 0;
  z_stream zs{};
  if (inflateInit(&zs) != Z_OK) return Z_MEM_ERROR;
  zs.next_in = const_cast<Bytef*>(data);
  zs.avail_in = static_cast<uInt>(size);
  uint8_t chunk[65536];
  int status = Z_OK;
  while (status == Z_OK && total <= countLimit) {
    zs.next_out = chunk;
    zs.avail_out = sizeof chunk;
    status = inflate(&zs, Z_NO_FLUSH);
    total += sizeof chunk - zs.avail_out;
    if (status == Z_BUF_ERROR && zs.avail_in == 0) break;  // stream ends early
  }
  inflateEnd(&zs);
  return status;
}

// Explains why data does not unpack to exactly expected bytes.
std::string DescribeUnpack(const uint8_t* data, size_t size, uint32_t expected, const char* what) {
  uint64_t total = 0;
  int status = InflateCount(data, size, static_cast<uint64_t>(expected) + (64u << 20), total);
  if (status == Z_STREAM_END && total != expected)
    return "unpacks to " + std::to_string(total) + " bytes, " + what + " says " + std::to_string(expected);
  if (status == Z_STREAM_END) return "unpacks to " + std::to_string(total) + " bytes but not in one call";
  if (status == Z_OK && total > expected)
    return "unpacks to more than " + std::to_string(total) + " bytes, " + what + " says " + std::to_string(expected);
  if (status == Z_BUF_ERROR || status == Z_OK)
    return "is not a complete zlib stream (it ends after " + std::to_string(total) + " unpacked bytes)";
  return "is not a valid zlib stream (zlib error " + std::to_string(status) + ")";
}

// The client's one-call uncompress succeeds exactly when the stream is complete and unpacks to the
// expected size. Counted in chunks, so a size field of any value costs no large allocation.
bool UnpacksExactly(const uint8_t* data, size_t size, uint32_t expected) {
  uint64_t total = 0;
  return InflateCount(data, size, expected, total) == Z_STREAM_END && total == expected;
}

bool WellFormedZsum(const std::string& v) {
  if (v.size() < 8) return false;
  for (size_t i = 0; i < 8; ++i)
    if (!((v[i] >= '0' && v[i] <= '9') || (v[i] >= 'A' && v[i] <= 'F'))) return false;
  return true;
}

// Checks the packed manifest file and returns its text (without the final zero byte) when the client
// would accept it.
bool CheckManifestFile(const std::string& dir, const std::string& ext, std::string& text,
                       std::vector<std::string>& faults) {
  const std::string name = ServerFileName(0, ext);
  std::vector<uint8_t> file;
  std::string error;
  if (!ReadWholeFile(PathIn(dir, name), file, error)) {
    faults.push_back(name + ": missing (the packed manifest)");
    return false;
  }
  if (file.size() < kPackedHeaderSize) {
    faults.push_back(name + ": " + std::to_string(file.size()) + " bytes, shorter than the 24-byte header");
    return false;
  }
  PackedHeader header;
  if (!ParsePackedHeader(file.data(), header)) {
    uint32_t size = ReadLe32(&file[0]);
    uint32_t sum = ReadLe32(&file[4]);
    uint32_t expected = ReadLe32(&file[8]) + ReadLe32(&file[12]) + ReadLe32(&file[16]) + ReadLe32(&file[20]);
    if (size != kPackedHeaderSize)
      faults.push_back(name + ": header size is " + std::to_string(size) + ", not 24");
    if (sum != expected)
      faults.push_back(name + ": header sum " + Hex32(sum) + " differs from the sum of the fields " + Hex32(expected));
    if (size == kPackedHeaderSize && sum == expected) faults.push_back(name + ": header refused");
    return false;
  }
  size_t available = file.size() - kPackedHeaderSize;
  if (header.packedSize > available) {
    faults.push_back(name + ": truncated: the header says " + std::to_string(header.packedSize) +
                     " packed bytes, the file holds " + std::to_string(available));
    return false;
  }
  const uint8_t* packed = file.data() + kPackedHeaderSize;
  uint32_t sum = ByteSum(0, packed, header.packedSize);
  if (sum != header.checksum) {
    faults.push_back(name + ": byte sum of the packed bytes " + Hex32(sum) + " differs from the header checksum " +
                     Hex32(header.checksum));
    return false;
  }
  if (header.unpackedSize == 0) {
    faults.push_back(name + ": unpacked size 0 in the header");
    return false;
  }
  if (!UnpacksExactly(packed, header.packedSize, header.unpackedSize)) {
    faults.push_back(name + ": packed manifest " +
                     DescribeUnpack(packed, header.packedSize, header.unpackedSize, "the header"));
    return false;
  }
  if (header.unpackedSize > kMaxManifestText) {
    faults.push_back(name + ": a manifest text of " + std::to_string(header.unpackedSize) + " bytes is not checked");
    return false;
  }
  std::vector<uint8_t> unpacked(header.unpackedSize);
  uLongf len = header.unpackedSize;
  if (uncompress(unpacked.data(), &len, packed, header.packedSize) != Z_OK || len != header.unpackedSize) {
    faults.push_back(name + ": packed manifest does not unpack in one call");
    return false;
  }
  if (unpacked.back() != 0) {
    faults.push_back(name + ": the manifest text does not end with a zero byte");
    return false;
  }
  text.assign(unpacked.begin(), unpacked.end() - 1);
  size_t zero = text.find('\0');
  if (zero != std::string::npos) {
    faults.push_back(name + ": a zero byte at offset " + std::to_string(zero) + " cuts the manifest text short");
    return false;
  }
  return true;
}

// Checks one listed file against its "SIZE", "ZSIZE" and "ZSUM" as the client's download does.
void CheckDataFile(const std::string& dir, const std::string& ext, unsigned number, const std::string& section,
                   const ManifestReader& reader, std::vector<std::string>& faults) {
  const std::string name = ServerFileName(number, ext) + " (" + section + ")";
  char value[260];
  reader.GetValue(section.c_str(), "SIZE", value, sizeof value);
  const uint32_t size = ParseSize(value);
  reader.GetValue(section.c_str(), "ZSIZE", value, sizeof value);
  const uint32_t zsize = ParseSize(value);
  reader.GetValue(section.c_str(), "ZSUM", value, sizeof value);
  const uint32_t zsum = ParseZsum(value);
  if (!WellFormedZsum(value))
    faults.push_back(name + ": ZSUM \"" + value + "\" is not 8 upper-case hexadecimal digits and reads as 0");

  std::vector<uint8_t> file;
  std::string error;
  if (!ReadWholeFile(PathIn(dir, ServerFileName(number, ext)), file, error)) {
    faults.push_back(name + ": missing");
    return;
  }
  if (zsize == 0 || size == 0) {
    if (zsize != 0) faults.push_back(name + ": SIZE is 0 but ZSIZE is " + std::to_string(zsize));
    else if (zsum != 0) faults.push_back(name + ": ZSIZE is 0 but ZSUM is " + FormatZsum(zsum));
    else if (size != 0)
      faults.push_back(name + ": ZSIZE is 0, so an empty file is installed, but SIZE is " + std::to_string(size));
    return;
  }
  if (file.size() < zsize) {
    faults.push_back(name + ": truncated: " + std::to_string(file.size()) + " bytes, ZSIZE is " + std::to_string(zsize));
    return;
  }
  uint32_t sum = ByteSum(0, file.data(), zsize);
  if (sum != zsum) {
    faults.push_back(name + ": byte sum " + FormatZsum(sum) + " of the first " + std::to_string(zsize) +
                     " bytes differs from ZSUM " + FormatZsum(zsum));
    return;
  }
  if (!UnpacksExactly(file.data(), zsize, size))
    faults.push_back(name + ": packed data " + DescribeUnpack(file.data(), zsize, size, "SIZE"));
}

// The client offers a file only when the installed "VER" sorts before the new one byte by byte
// ("1.10" sorts before "1.9"): warn about every listed file that an installed copy would not receive.
void WarnAboutVersions(const ManifestText& doc, const std::vector<std::string>& listed, const std::string& installedText,
                       ManifestFindings& findings) {
  ManifestFindings ignored;
  ManifestText installed;
  installed.Parse(installedText, ignored);
  for (const std::string& name : listed) {
    std::string now, next;
    if (!installed.Get(name, "VER", now) || now.empty() || !doc.Get(name, "VER", next) || next.empty()) continue;
    if (now == next) continue;
    if (now.compare(next) > 0)
      findings.warnings.push_back("\"" + name + "\": VER \"" + next + "\" sorts before the installed \"" + now +
                                  "\" byte by byte: installed copies are never replaced by it");
    else if (now.size() != next.size())
      findings.warnings.push_back("\"" + name + "\": VER \"" + next + "\" and the installed \"" + now +
                                  "\" differ in width; versions are compared byte by byte");
  }
}

void DiscardAll(const std::vector<std::string>& paths) {
  for (const std::string& p : paths) DiscardTemporary(p);
}

}  // namespace

std::vector<uint8_t> PackData(const std::vector<uint8_t>& data, int zlibLevel) {
  return Compress(data.data(), data.size(), zlibLevel);
}

std::vector<uint8_t> PackManifest(const std::string& text, int zlibLevel) {
  std::vector<uint8_t> plain(text.begin(), text.end());
  plain.push_back(0);
  std::vector<uint8_t> packed = Compress(plain.data(), plain.size(), zlibLevel);
  PackedHeader header;
  header.unpackedSize = static_cast<uint32_t>(plain.size());
  header.packedSize = static_cast<uint32_t>(packed.size());
  header.checksum = ByteSum(0, packed.data(), packed.size());
  std::vector<uint8_t> out(kPackedHeaderSize);
  WritePackedHeader(header, out.data());
  out.insert(out.end(), packed.begin(), packed.end());
  return out;
}

ServerBuildResult BuildServerFolder(const std::string& releaseDir, const std::string& manifestText,
                                    const std::string& outDir, const ServerBuildOptions& options) {
  ServerBuildResult result;
  ManifestFindings findings;
  ManifestText doc;
  doc.Parse(manifestText, findings);

  std::string manifestExt;
  doc.Get("URL", "EXT", manifestExt);
  const std::string ext = options.extOverride ? *options.extOverride : manifestExt;
  if (ext.find_first_of("\\/:") != std::string::npos)
    findings.faults.push_back("suffix \"" + ext + "\" holds a path character");
  if (options.extOverride && *options.extOverride != manifestExt)
    findings.warnings.push_back("the files get the suffix \"" + ext + "\" but the manifest's [URL] EXT is \"" +
                                manifestExt + "\": after this update the client looks for \"" + manifestExt + "\"");
  std::string url;
  if (!doc.Get("URL", "URL", url) || url.empty())
    findings.warnings.push_back("no [URL] URL: after this update the client has no server to ask");
  if (!ValidLevel(options.zlibLevel))
    findings.faults.push_back("zlib level " + std::to_string(options.zlibLevel) + " is not 0 to 9");

  std::vector<std::string> listed = doc.ListedFiles(findings);
  doc.CheckListedSections(listed, findings);
  if (listed.empty()) findings.warnings.push_back("no file is listed under [ENUM] 1, 2, 3, ...");
  if (!options.installedManifest.empty()) WarnAboutVersions(doc, listed, options.installedManifest, findings);

  std::error_code ec;
  if (!fs::is_directory(fs::path(releaseDir), ec))
    findings.faults.push_back("release folder \"" + releaseDir + "\" does not exist");
  else
    for (size_t i = 0; i < listed.size(); ++i) {
      std::string path = ReleasePath(releaseDir, listed[i]);
      if (!fs::is_regular_file(fs::path(path), ec))
        findings.faults.push_back("[ENUM] " + std::to_string(i + 1) + " \"" + listed[i] +
                                  "\": no such file in the release folder (" + path + ")");
    }
  result.warnings = findings.warnings;
  if (!findings.faults.empty()) {
    result.error = Join(findings.faults);
    return result;
  }

  fs::create_directories(fs::path(outDir), ec);
  if (!fs::is_directory(fs::path(outDir), ec)) {
    result.error = "output folder \"" + outDir + "\" cannot be created";
    return result;
  }

  // Every file goes to its temporary name first; only when all are written are they renamed.
  std::vector<std::string> written;
  std::string error;
  for (size_t i = 0; i < listed.size(); ++i) {
    std::vector<uint8_t> data;
    if (!ReadWholeFile(ReleasePath(releaseDir, listed[i]), data, error)) {
      DiscardAll(written);
      result.error = error;
      return result;
    }
    if (data.size() > kMaxFileSize) {
      DiscardAll(written);
      result.error = "\"" + listed[i] + "\": too large; the client reads SIZE as a 32-bit signed number";
      return result;
    }
    // An empty file is the one case the client accepts without a stream: ZSIZE 0 and ZSUM 00000000.
    std::vector<uint8_t> packed = data.empty() ? std::vector<uint8_t>() : PackData(data, options.zlibLevel);
    if (packed.size() > kMaxFileSize) {
      DiscardAll(written);
      result.error = "\"" + listed[i] + "\": packed, too large for ZSIZE";
      return result;
    }
    if (!data.empty() && packed.empty()) {
      DiscardAll(written);
      result.error = "\"" + listed[i] + "\": zlib could not pack it";
      return result;
    }
    doc.Set(listed[i], "SIZE", std::to_string(data.size()));
    doc.Set(listed[i], "ZSIZE", std::to_string(packed.size()));
    doc.Set(listed[i], "ZSUM", FormatZsum(ByteSum(0, packed.data(), packed.size())));
    std::string path = PathIn(outDir, ServerFileName(static_cast<unsigned>(i + 1), ext));
    if (!WriteTemporary(path, packed.data(), packed.size(), error)) {
      DiscardAll(written);
      result.error = error;
      return result;
    }
    written.push_back(path);
  }
  std::vector<uint8_t> manifest = PackManifest(doc.Text(), options.zlibLevel);
  std::string manifestPath = PathIn(outDir, ServerFileName(0, ext));
  if (!WriteTemporary(manifestPath, manifest.data(), manifest.size(), error)) {
    DiscardAll(written);
    result.error = error;
    return result;
  }
  // The manifest is renamed last: until then a client still sees the previous manifest.
  written.push_back(manifestPath);
  for (size_t i = 0; i < written.size(); ++i) {
    if (!CommitFile(written[i], error)) {
      DiscardAll(std::vector<std::string>(written.begin() + static_cast<std::ptrdiff_t>(i), written.end()));
      result.error = error;
      return result;
    }
  }
  std::vector<std::string> faults = CheckServerFolder(outDir, ext);
  if (!faults.empty()) {
    result.error = "the written folder does not read back:\n" + Join(faults);
    return result;
  }
  result.ok = true;
  return result;
}

std::vector<std::string> CheckServerFolder(const std::string& dir, const std::string& ext) {
  std::vector<std::string> faults;
  std::string text;
  if (!CheckManifestFile(dir, ext, text, faults)) return faults;
  const std::string name0 = ServerFileName(0, ext);

  ManifestFindings findings;
  ManifestText doc;
  doc.Parse(text, findings);
  // The client's own reader decides which files are listed.
  ManifestReader reader(text.c_str());
  std::vector<std::string> listed;
  char value[260];
  for (unsigned n = 1;; ++n) {
    reader.GetValue("ENUM", std::to_string(n).c_str(), value, sizeof value);
    if (value[0] == '\0') break;
    listed.push_back(value);
  }
  doc.CheckListedSections(listed, findings);
  for (const std::string& f : findings.faults) faults.push_back(name0 + ": " + f);
  for (size_t i = 0; i < listed.size(); ++i)
    if (IsSafeSectionName(listed[i].c_str()))
      CheckDataFile(dir, ext, static_cast<unsigned>(i + 1), listed[i], reader, faults);
  return faults;
}
