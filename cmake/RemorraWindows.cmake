# Windows builds: the dependencies Debian ships only as sources are built here
# for the target, and the core library gets its Win32 settings.

# pugixml from the unpacked Debian source package (scripts/fetch-windows-sources.sh).
set(REMORRA_PUGIXML_SOURCE "" CACHE PATH "Unpacked pugixml source tree for the target")
if(NOT EXISTS "${REMORRA_PUGIXML_SOURCE}/src/pugixml.cpp")
  message(FATAL_ERROR "REMORRA_PUGIXML_SOURCE must name an unpacked pugixml source tree "
                      "(scripts/fetch-windows-sources.sh fetches Debian's)")
endif()
add_library(pugixml STATIC ${REMORRA_PUGIXML_SOURCE}/src/pugixml.cpp)
target_include_directories(pugixml SYSTEM PUBLIC ${REMORRA_PUGIXML_SOURCE}/src)
add_library(pugixml::pugixml ALIAS pugixml)

function(remorra_windows_core target)
  # Windows 8 API level (WaitOnAddress); the ANSI (A) entry points the program
  # has always used.
  target_compile_definitions(${target} PUBLIC
    _WIN32_WINNT=0x0602 WINVER=0x0602 WIN32_LEAN_AND_MEAN NOMINMAX __USE_MINGW_ANSI_STDIO=1)
  target_link_libraries(${target} PUBLIC user32 shell32 version synchronization ole32 oleaut32 advapi32)
endfunction()

# Every Windows executable carries the version block that GetVersionString reads.
enable_language(RC)
configure_file(${CMAKE_SOURCE_DIR}/cmake/RemorraVersion.rc.in ${CMAKE_BINARY_DIR}/generated/RemorraVersion.rc @ONLY)
function(remorra_windows_version target)
  target_sources(${target} PRIVATE ${CMAKE_BINARY_DIR}/generated/RemorraVersion.rc)
endfunction()
