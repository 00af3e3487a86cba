// Server folders for the update client: the packed manifest (file 0) and the numbered packed files.
#pragma once
#include <cstdint>
#include <optional>
#include <string>
#include <vector>

struct ServerBuildOptions {
  // Suffix of the server files; when not set, "EXT" of the manifest's [URL] section is used.
  std::optional<std::string> extOverride;
  // zlib level 0..9 for the manifest and every file.
  int zlibLevel = 9;
  // Text of the manifest installed now (the current "update.ini"), when known: every listed file whose
  // new "VER" does not sort after the installed one byte by byte (as the client compares) is warned about.
  std::string installedManifest;
};

struct ServerBuildResult {
  bool ok = false;
  std::string error;                  // every fault, one per line, when !ok
  std::vector<std::string> warnings;  // legal but suspicious manifest lines
};

// Builds a server folder from a release folder and the manifest that the publisher wants installed
// (the future "update.ini"). Fills "SIZE", "ZSIZE" and "ZSUM" of every listed file, writes the manifest
// with "\r\n" line ends and a final zero byte as packed file 0 with its 24-byte header, and every listed
// file n as packed file n. Refuses manifests that the client would misread and listed files that are
// missing. Files are written under temporary names and renamed only when all of them are complete.
ServerBuildResult BuildServerFolder(const std::string& releaseDir, const std::string& manifestText,
                                    const std::string& outDir, const ServerBuildOptions& options = {});

// Reads a server folder as the client does and returns every fault found, each naming its file.
// An empty result means the client accepts the manifest and every listed file.
std::vector<std::string> CheckServerFolder(const std::string& dir, const std::string& ext);

// The packed manifest: 24-byte header + zlib stream of text followed by one zero byte.
std::vector<uint8_t> PackManifest(const std::string& text, int zlibLevel = 9);
// A packed data file: a plain zlib stream of data. (The server build stores an empty file as an empty
// packed file with "ZSIZE" 0 and "ZSUM" 00000000, the only form the client accepts for it.)
std::vector<uint8_t> PackData(const std::vector<uint8_t>& data, int zlibLevel = 9);
