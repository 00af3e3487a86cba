# The update engine: settings, entry list, worker threads, check, download and the sources they read.
add_library(updengine STATIC
  ${CMAKE_CURRENT_LIST_DIR}/check.cpp
  ${CMAKE_CURRENT_LIST_DIR}/download.cpp
  ${CMAKE_CURRENT_LIST_DIR}/entry_list.cpp
  ${CMAKE_CURRENT_LIST_DIR}/fetch.cpp
  ${CMAKE_CURRENT_LIST_DIR}/file_write.cpp
  ${CMAKE_CURRENT_LIST_DIR}/local_file_size.cpp
  ${CMAKE_CURRENT_LIST_DIR}/local_manifest.cpp
  ${CMAKE_CURRENT_LIST_DIR}/profile_text.cpp
  ${CMAKE_CURRENT_LIST_DIR}/saved_manifest.cpp
  ${CMAKE_CURRENT_LIST_DIR}/server_manifest.cpp
  ${CMAKE_CURRENT_LIST_DIR}/source.cpp
  ${CMAKE_CURRENT_LIST_DIR}/stream_unpack.cpp
  ${CMAKE_CURRENT_LIST_DIR}/updater.cpp
)
target_include_directories(updengine PUBLIC ${CMAKE_CURRENT_LIST_DIR})
target_link_libraries(updengine PUBLIC updcommon updformats wininet ${UPD_ZLIB})
